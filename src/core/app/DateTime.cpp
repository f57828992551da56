#include "app/DateTime.h"

#include <cmath>
#include <cstdlib>

namespace {
// 30 December 1899 as a constant expression, so it is ready before any
// static initialiser that converts a date runs.
constexpr QDate Epoch = QDate::fromJulianDay(2415019);
}

namespace DateTime {

TDateTime fromQDateTime(const QDateTime& dt)
{
    const double days = Epoch.daysTo(dt.date());
    const double msOfDay = dt.time().msecsSinceStartOfDay();
    return days + msOfDay / (SecondsPerDay * 1000.0);
}

QDateTime toQDateTime(TDateTime t)
{
    if (!std::isfinite(t) || std::abs(t) > 3.0e6)
        return {};
    // Round to whole milliseconds first so that 0.9999999 of a day does not
    // show as 23:59:59.999 when it was stored as midnight.
    const double totalMs = std::round(t * SecondsPerDay * 1000.0);
    const double dayMs = SecondsPerDay * 1000.0;
    const double days = std::floor(totalMs / dayMs);
    const int msOfDay = static_cast<int>(totalMs - days * dayMs);
    return QDateTime(Epoch.addDays(static_cast<qint64>(days)), QTime::fromMSecsSinceStartOfDay(msOfDay));
}

QString zonedText(const QDateTime& moment)
{
    const int offset = moment.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace DateTime
