#include "alarm/AlarmWording.h"

#include "app/DateTime.h"
#include "app/Regional.h"

#include <cmath>

namespace AlarmWording {

QString channelName(int channel)
{
    return QStringLiteral("T%1").arg(channel + 1);
}

QString unitText(TemperatureUnit unit)
{
    return unit == TemperatureUnit::Celsius ? QStringLiteral("°C") : QStringLiteral("°F");
}

QString degreesText(double degrees)
{
    // + 0.0 turns -0.0 into 0.0.
    const double hundredths = std::round(degrees * 100.0);
    const int decimals = std::fmod(hundredths, 10.0) == 0 ? 1 : 2;
    return QString::number(hundredths / 100.0 + 0.0, 'f', decimals);
}

QString readingText(const AlarmEvent& event)
{
    if (event.overRange)
        return QStringLiteral("OL");
    return event.reading ? QString::number(*event.reading, 'f', 1) : QString();
}

QString subject(const AlarmEvent& e)
{
    if ((e.kind == AlarmKind::High || e.kind == AlarmKind::Low) && e.limit)
        return (e.kind == AlarmKind::High ? QStringLiteral("above ") : QStringLiteral("below ")) + degreesText(*e.limit);
    return alarmKindText(e.kind);
}

QString stateText(const AlarmEvent& e)
{
    QString what = channelName(e.channel) + QLatin1Char(' ') + subject(e);
    if (e.limit)
        what += QLatin1Char(' ') + unitText(e.unit);
    return what;
}

QString summary(const AlarmEvent& e)
{
    return (e.begins ? QStringLiteral("Alarm ") : QStringLiteral("Alarm over ")) + stateText(e);
}

QString body(const AlarmEvent& e)
{
    QString reading = readingText(e);
    if (e.reading && !e.overRange)
        reading += QLatin1Char(' ') + unitText(e.unit);
    const QString at = QStringLiteral("at ") + Regional::dateTimeText(e.time);
    return reading.isEmpty() ? at : reading + QLatin1Char(' ') + at;
}

QString markText(const AlarmEvent& e)
{
    return channelName(e.channel) + QLatin1Char(' ') + subject(e);
}

QString zonedTimeText(TDateTime time)
{
    return DateTime::zonedText(DateTime::toQDateTime(time));
}

QStringList programArguments(const AlarmEvent& e)
{
    return {e.begins ? QStringLiteral("ALARM") : QStringLiteral("CLEAR"),
            channelName(e.channel),
            alarmKindText(e.kind),
            readingText(e),
            e.limit ? degreesText(*e.limit) : QString(),
            zonedTimeText(e.time)};
}

} // namespace AlarmWording
