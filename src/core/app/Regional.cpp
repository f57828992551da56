#include "app/Regional.h"

#include <QRegularExpression>
#include <cmath>

namespace Regional {

QLocale locale()
{
    return QLocale::system();
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
    QString f = locale().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    f.replace(zone, QStringLiteral(" "));
    return f.trimmed();
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

std::optional<TDateTime> parseDateTime(const QString& text)
{
    const QString trimmed = text.simplified();
    const QLocale loc = locale();
    const QString both = shortDateFormat() + QLatin1Char(' ') + longTimeFormat();
    QDateTime dt = loc.toDateTime(trimmed, both);
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
