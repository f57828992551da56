#include "AlarmText.h"

#include "LiveSample.h"
#include "alarm/AlarmWording.h"

namespace cli {

using AlarmWording::channelName;
using AlarmWording::degreesText;

QString alarmLine(const AlarmEvent& event, const QDateTime& moment)
{
    const QString reading = AlarmWording::readingText(event);
    return QStringLiteral("%1 %2 %3%4 at %5")
        .arg(event.begins ? QStringLiteral("ALARM") : QStringLiteral("CLEAR"), channelName(event.channel),
             AlarmWording::subject(event), reading.isEmpty() ? QString() : QStringLiteral(": ") + reading,
             timeText(moment));
}

QStringList programArguments(const AlarmEvent& event, const QDateTime& moment)
{
    // The time as the sample's line printed it, offset and all.
    QStringList arguments = AlarmWording::programArguments(event);
    arguments.last() = timeText(moment);
    return arguments;
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
