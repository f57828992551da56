#include "alarm/AlarmEvent.h"

QString alarmKindText(AlarmKind kind)
{
    switch (kind) {
    case AlarmKind::High:
        return QStringLiteral("high");
    case AlarmKind::Low:
        return QStringLiteral("low");
    case AlarmKind::NoReading:
        return QStringLiteral("no reading");
    case AlarmKind::NoMeter:
        return QStringLiteral("no meter");
    }
    return {};
}

AlarmSample AlarmSample::fromFrame(TDateTime time, const LiveFrame& frame)
{
    return {time, {frame.T1, frame.T2, frame.T3, frame.T4}, std::uint8_t(frame.OverRange & 0x0F),
            frame.Celsius ? TemperatureUnit::Celsius : TemperatureUnit::Fahrenheit};
}
