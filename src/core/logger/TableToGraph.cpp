#include "logger/TableToGraph.h"

#include "app/Regional.h"

#include <QTime>
#include <algorithm>
#include <cctype>
#include <charconv>

namespace TableToGraph {

namespace {

// Past this many distinct times of day something else varies; start afresh.
constexpr qsizetype MaxRememberedTimes = 200000;

const QDate Epoch(1899, 12, 30);

QString textOf(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes);
}

// Digits, an optional decimal part, an optional leading minus: the form every
// reading of the program has. Anything else takes the general way.
bool plainDecimal(QByteArrayView text, char point)
{
    qsizetype i = text.startsWith('-') ? 1 : 0;
    const auto digits = [&text, &i] {
        const qsizetype from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        return i > from;
    };
    if (!digits())
        return false;
    if (i < text.size() && text[i] == point) {
        ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

} // namespace

RowReader::RowReader()
    : locale(Regional::locale())
    , dateFormat(Regional::shortDateFormat())
    , timeFormat(Regional::longTimeFormat())
{
    const QChar point = Regional::decimalPoint();
    decimalPoint = point.unicode() < 0x80 && !point.isDigit() && point != QLatin1Char('-') ? char(point.unicode()) : 0;
}

std::optional<TDateTime> RowReader::dateTime(QByteArrayView date, QByteArrayView time)
{
    if (!dateRead || date != QByteArrayView(lastDateText)) {
        dateRead = true;
        lastDateText = date.toByteArray();
        const QDate d = locale.toDate(textOf(date).simplified(), dateFormat);
        lastDate = d.isValid() ? std::optional<QDate>(d) : std::nullopt;
    }
    int ms = -1;
    const auto known = msOfDay.constFind(QByteArray::fromRawData(time.data(), time.size()));
    if (known != msOfDay.cend()) {
        ms = *known;
    } else {
        const QTime t = locale.toTime(textOf(time).simplified(), timeFormat);
        ms = t.isValid() ? t.msecsSinceStartOfDay() : -1;
        if (msOfDay.size() >= MaxRememberedTimes)
            msOfDay.clear();
        msOfDay.insert(time.toByteArray(), ms);
    }
    if (lastDate && ms >= 0)
        return double(Epoch.daysTo(*lastDate)) + ms / (DateTime::SecondsPerDay * 1000.0);
    // Not the plain forms: read the cells together as one date and time.
    return Regional::parseDateTime(textOf(date) + QLatin1Char(' ') + textOf(time));
}

std::optional<double> RowReader::number(QByteArrayView text) const
{
    if (decimalPoint != 0 && plainDecimal(text, decimalPoint)) {
        std::array<char, 64> buffer;
        if (text.size() < qsizetype(buffer.size())) {
            std::copy(text.begin(), text.end(), buffer.begin());
            std::replace(buffer.begin(), buffer.begin() + text.size(), decimalPoint, '.');
            double value = 0;
            const auto [end, error] = std::from_chars(buffer.data(), buffer.data() + text.size(), value);
            if (error == std::errc() && end == buffer.data() + text.size())
                return value;
        }
    }
    return Regional::parseNumber(textOf(text));
}

Point RowReader::read(const TableRows::Fields& cells)
{
    Point point;
    const auto x = dateTime(cells[0], cells[1]);
    if (!x)
        return point;
    point.x = *x;
    for (int c = 0; c < 4; ++c) {
        const QByteArrayView text = cells[size_t(2 + c)];
        if (text == "OL") {
            point.y[size_t(c)] = NoDataValue;
            continue;
        }
        const auto value = number(text);
        if (!value)
            break;
        point.y[size_t(c)] = static_cast<float>(*value);
    }
    return point;
}

Point RowReader::read(const TableRows& rows, int row)
{
    TableRows::Fields cells;
    for (int f = 0; f < TableRows::FieldCount; ++f)
        cells[size_t(f)] = rows.bytes(row, f);
    return read(cells);
}

Point rowToPoint(const QStringList& cells)
{
    TableRows row;
    row.append(cells);
    return RowReader().read(row, 0);
}

} // namespace TableToGraph
