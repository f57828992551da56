#include "setup/SetupReplies.h"

#include <QRegularExpression>

namespace SetupReplies {

namespace {

// A received byte reads as its two hexadecimal digits taken as a decimal number.
std::optional<int> decimalOfHex(std::uint8_t byte)
{
    bool ok = false;
    const int value = hex2(byte).toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

int bigEndian(const QByteArray& bytes, int offset, int size)
{
    int value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | std::uint8_t(bytes[offset + i]);
    return value;
}

} // namespace

std::uint8_t bcd(int value)
{
    return std::uint8_t((value / 10 % 10) << 4 | value % 10);
}

QString hex2(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

std::array<std::uint8_t, 6> clockBytes(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return {bcd(d.year() % 100), bcd(d.month()), bcd(d.day()), bcd(t.hour()), bcd(t.minute()), bcd(t.second())};
}

std::optional<Interval> parseInterval(const QString& minutes, const QString& seconds)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,2}$"));
    const QString m = minutes.trimmed();
    const QString s = seconds.trimmed();
    if (!number.match(m).hasMatch() || !number.match(s).hasMatch())
        return std::nullopt;
    const int mv = m.toInt();
    const int sv = s.toInt();
    if (mv > 60 || sv > 60 || (mv == 0 && sv == 0))
        return std::nullopt;
    return Interval{bcd(mv), bcd(sv)};
}

std::optional<QDateTime> meterClock(const QByteArray& reply)
{
    if (reply.size() < 6)
        return std::nullopt;
    int field[6];
    for (int i = 0; i < 6; ++i) {
        const auto byte = std::uint8_t(reply[i]);
        // The meter writes the years 2010 to 2015 with a hexadecimal second digit.
        if (i == 0 && byte >= 0x1A && byte <= 0x1F) {
            field[i] = 10 + (byte - 0x1A);
            continue;
        }
        const auto value = decimalOfHex(byte);
        if (!value)
            return std::nullopt;
        field[i] = *value;
    }
    const QDate date(2000 + field[0], field[1], field[2]);
    const QTime time(field[3], field[4], field[5]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString clockUpdatedMessage(const QByteArray& reply)
{
    const auto at = [&reply](int i) { return hex2(i < reply.size() ? std::uint8_t(reply[i]) : 0); };
    return QStringLiteral("Meter time updated successfully \n")
         + QStringLiteral("Today is Day ") + at(2) + QStringLiteral(" of Month ") + at(1)
         + QStringLiteral(" of Year 20") + at(0) + QStringLiteral("\n")
         + QStringLiteral("The time is Second") + at(5) + QStringLiteral(" of Minute ") + at(4)
         + QStringLiteral(" of Hour ") + at(3);
}

FirstBlock readFirstBlock(const QByteArray& block)
{
    FirstBlock out;
    if (block.size() < 44)
        return out;
    out.dataSets = QString::number(bigEndian(block, 9, 2));
    const int used = bigEndian(block, 11, 3);
    out.memoryAvailable = QString::number(std::max(0, (MemoryBytes - used) / 8));
    out.interval = hex2(std::uint8_t(block[14])) + QLatin1Char(':') + hex2(std::uint8_t(block[15]))
                 + QStringLiteral("(mm:ss)");
    for (int i = 0; i < 12; ++i)
        out.parameters[std::size_t(i)] = hex2(std::uint8_t(block[32 + i]));
    return out;
}

} // namespace SetupReplies
