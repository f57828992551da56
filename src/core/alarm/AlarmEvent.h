#pragma once
// One alarm of one channel beginning or ending, and the sample it is judged on.

#include "alarm/AlarmSettings.h"
#include "app/DateTime.h"
#include "link/LiveFrame.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

enum class AlarmKind {
    High,       // above the high limit
    Low,        // below the low limit
    NoReading,  // the channel reads "OL" or nothing: an unplugged probe
    NoMeter,    // the live link is lost
};

// "high", "low", "no reading", "no meter".
QString alarmKindText(AlarmKind kind);

// The four readings of one sample as the meter sent them.
struct AlarmSample {
    TDateTime time = 0;
    std::array<float, 4> readings{};
    std::uint8_t overRange = 0;  // bit c set: channel c reads "OL"
    TemperatureUnit unit = TemperatureUnit::Celsius;

    static AlarmSample fromFrame(TDateTime time, const LiveFrame& frame);
};

struct AlarmEvent {
    bool begins = true;  // the alarm begins (ALARM) or ends (CLEAR)
    int channel = 0;     // 0 to 3: T1 to T4
    AlarmKind kind = AlarmKind::High;
    // The reading as the meter shows it (one decimal); none when the channel
    // reads "OL" (`overRange`) or nothing, or the meter is lost.
    std::optional<double> reading;
    bool overRange = false;
    std::optional<double> limit;  // the high or low limit, in `unit`
    TemperatureUnit unit = TemperatureUnit::Celsius;
    TDateTime time = 0;  // the sample's time; for "no meter" the loss's or the return's

    bool operator==(const AlarmEvent&) const = default;
};
