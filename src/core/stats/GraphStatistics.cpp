#include "stats/GraphStatistics.h"

#include "app/Regional.h"

#include <cmath>
#include <limits>

namespace GraphStatistics {

int sampleRateSeconds(TDateTime start, TDateTime end, int points)
{
    if (points <= 0)
        return 0;
    const double seconds = (end - start) / points * DateTime::SecondsPerDay + 0.5;
    // Converting a NaN, an infinity or a huge value to int is undefined; a
    // negative rate (points out of time order) means nothing.
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= double(std::numeric_limits<int>::max()))
        return 0;
    return static_cast<int>(seconds);
}

QString extremeText(float value, TDateTime time)
{
    if (isOverRange(value))
        return QStringLiteral("OL");
    return Regional::fixed(value, 1) + QLatin1Char('@') + Regional::dateTimeText(time);
}

QString averageText(const Average& average, int decimals)
{
    const auto v = average.value();
    if (!v)
        return QStringLiteral("****");
    return Regional::fixed(*v, decimals);
}

QString minutesText(int rateSeconds)
{
    return QStringLiteral("%1").arg(rateSeconds / 60, 2, 10, QLatin1Char('0'));
}

QString secondsText(int rateSeconds)
{
    return QStringLiteral("%1").arg(rateSeconds % 60, 2, 10, QLatin1Char('0'));
}

QString annotationText(int channel, const QString& maxText, const QString& minText, const QString& avgText)
{
    return QStringLiteral("T%1 MAX:").arg(channel + 1) + maxText + QStringLiteral("MIN:") + minText
        + QStringLiteral("AVG:") + avgText;
}

} // namespace GraphStatistics
