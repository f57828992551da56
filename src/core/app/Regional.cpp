#include "app/Regional.h"

#include <QRegularExpression>
#include <cmath>

namespace Regional {

QLocale locale()
{
    // The default locale is the system's unless the program (or a test) chose another.
    return QLocale();
}

QChar decimalPoint()
{
    const QString p = locale().decimalPoint();
    return p.isEmpty() ? QLatin1Char('.') : p.front();
}

QString shortDateFormat()
{
    QString f = locale().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    f.replace(shortYear, QStringLiteral("yyyy"));
    return f;
}

QString longTimeFormat()
{
    // Without the zone letters and the brackets or commas that only framed
    // them ("H:mm:ss (t)", "HH:mm:ss, t"); quoted text stays as it is.
    const QString f = locale().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : f) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    static const QRegularExpression emptyBrackets(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]"));
    out.replace(emptyBrackets, QStringLiteral(" "));
    static const QRegularExpression danglingComma(QStringLiteral("^[\\s,]+|[\\s,]+$"));
    out.replace(danglingComma, QString());
    return out.simplified();
}

QString dateText(TDateTime t)
{
    return locale().toString(DateTime::toQDateTime(t).date(), shortDateFormat());
}

QString timeText(TDateTime t)
{
    return locale().toString(DateTime::toQDateTime(t).time(), longTimeFormat());
}

QString dateTimeText(TDateTime t)
{
    return dateText(t) + QLatin1Char(' ') + timeText(t);
}

namespace {

// Digits of any script as ASCII digits, which every locale reads; Qt cannot
// read some scripts' own digits (those outside the basic plane) back.
QString withAsciiDigits(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            length = 2;
        }
        if (QChar::category(c) == QChar::Number_DecimalDigit)
            out += QLatin1Char(char('0' + QChar::digitValue(c)));
        else
            out += QStringView(text).mid(i, length);
        i += length;
    }
    return out;
}

// Qt cannot read some locales' AM and PM texts back ("A. M.", texts with
// combining marks). The marker is taken out of the text here and the hour
// placed in the right half of the day.
QDateTime parseWithDayHalf(const QLocale& loc, const QString& text, const QString& format)
{
    QString plainFormat;
    bool quoted = false;
    bool hadMarker = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && (c == QLatin1Char('a') || c == QLatin1Char('A'))) {
            hadMarker = true;
            if (i + 1 < format.size() && (format.at(i + 1) == QLatin1Char('p') || format.at(i + 1) == QLatin1Char('P')))
                ++i;
            continue;
        }
        plainFormat += c;
    }
    if (!hadMarker)
        return {};
    plainFormat = plainFormat.simplified();
    QDateTime best;
    qsizetype bestLength = 0;
    for (const bool pm : {false, true}) {
        // Compared the way the text was: with its blanks (no-break ones too) made plain.
        const QString marker = (pm ? loc.pmText() : loc.amText()).simplified();
        const qsizetype at = text.lastIndexOf(marker, -1, Qt::CaseInsensitive);
        if (marker.isEmpty() || at < 0 || marker.size() <= bestLength)
            continue;
        const QString rest = (text.left(at) + QLatin1Char(' ') + text.mid(at + marker.size())).simplified();
        QDateTime dt = loc.toDateTime(rest, plainFormat);
        if (!dt.isValid() || dt.time().hour() > 12)
            continue;
        const int hour = dt.time().hour() % 12 + (pm ? 12 : 0);
        dt.setTime(QTime(hour, dt.time().minute(), dt.time().second(), dt.time().msec()));
        best = dt;
        bestLength = marker.size();
    }
    return best;
}

} // namespace

std::optional<TDateTime> parseDateTime(const QString& text)
{
    const QString trimmed = withAsciiDigits(text).simplified();
    const QLocale loc = locale();
    const QString both = shortDateFormat() + QLatin1Char(' ') + longTimeFormat();
    QDateTime dt = loc.toDateTime(trimmed, both);
    if (!dt.isValid())
        dt = parseWithDayHalf(loc, trimmed, both);
    if (!dt.isValid()) {
        const QDate d = loc.toDate(trimmed, shortDateFormat());
        if (!d.isValid())
            return std::nullopt;
        dt = QDateTime(d, QTime(0, 0));
    }
    return DateTime::fromQDateTime(dt);
}

QString fixed(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    const QLocale loc = locale();
    const double magnitude = std::abs(value);
    if (magnitude >= 1e7) {
        QString s = loc.toString(value, 'E', 6);
        return s.remove(loc.groupSeparator());
    }
    QString s = QString::number(value, 'f', decimals);
    s.replace(QLatin1Char('.'), decimalPoint());
    // "-0.0" reads "0.0" as it would on the meter.
    if (s.startsWith(QLatin1Char('-')) && s.mid(1).remove(QLatin1Char('0')).remove(decimalPoint()).isEmpty())
        s.remove(0, 1);
    return s;
}

std::optional<double> parseNumber(const QString& text)
{
    QString s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    if (decimalPoint() != QLatin1Char('.')) {
        if (s.contains(QLatin1Char('.')))
            return std::nullopt;
        s.replace(decimalPoint(), QLatin1Char('.'));
    }
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace Regional
