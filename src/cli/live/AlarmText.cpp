#include "AlarmText.h"

#include "LiveSample.h"

#include <cmath>

namespace cli {

namespace {

QString channelName(int channel)
{
    return QStringLiteral("T%1").arg(channel + 1);
}

// What the alarm is about: "above 26.0", "below -18.0", "no reading", "no meter".
QString subject(const AlarmEvent& e)
{
    if ((e.kind == AlarmKind::High || e.kind == AlarmKind::Low) && e.limit)
        return (e.kind == AlarmKind::High ? QStringLiteral("above ") : QStringLiteral("below ")) + degreesText(*e.limit);
    return alarmKindText(e.kind);
}

} // namespace

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

QString alarmLine(const AlarmEvent& event, const QDateTime& moment)
{
    const QString reading = readingText(event);
    return QStringLiteral("%1 %2 %3%4 at %5")
        .arg(event.begins ? QStringLiteral("ALARM") : QStringLiteral("CLEAR"), channelName(event.channel),
             subject(event), reading.isEmpty() ? QString() : QStringLiteral(": ") + reading, timeText(moment));
}

QStringList programArguments(const AlarmEvent& event, const QDateTime& moment)
{
    return {event.begins ? QStringLiteral("ALARM") : QStringLiteral("CLEAR"),
            channelName(event.channel),
            alarmKindText(event.kind),
            readingText(event),
            event.limit ? degreesText(*event.limit) : QString(),
            timeText(moment)};
}

QString limitsText(const AlarmSettings& limits)
{
    QStringList parts;
    for (int c = 0; c < AlarmSettings::Channels; ++c) {
        const ChannelLimits& l = limits.limits[size_t(c)];
        if (l.high)
            parts << QStringLiteral("%1 above %2").arg(channelName(c), degreesText(*l.high));
        if (l.low)
            parts << QStringLiteral("%1 below %2").arg(channelName(c), degreesText(*l.low));
    }
    return QStringLiteral("%1 (hysteresis %2)").arg(parts.join(QStringLiteral(", ")), degreesText(limits.hysteresis));
}

} // namespace cli
