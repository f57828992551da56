#pragma once
// What the alarms watch: per channel an optional high and low limit, the
// hysteresis by which a reading must come back before its alarm ends, and how
// many samples a reading must stay beyond a limit before its alarm begins.
// The program keeps them in the settings file's [Alarms] group.

#include <array>
#include <optional>

class QSettings;

enum class TemperatureUnit { Celsius, Fahrenheit };

// A temperature of unit `from` in unit `to`.
double convertTemperature(double degrees, TemperatureUnit from, TemperatureUnit to);
// A difference of temperatures (the hysteresis): scaled, without the offset.
double convertDifference(double degrees, TemperatureUnit from, TemperatureUnit to);

struct ChannelLimits {
    std::optional<double> high;  // an alarm above it
    std::optional<double> low;   // an alarm below it

    bool watched() const { return high || low; }
    bool operator==(const ChannelLimits&) const = default;
};

struct AlarmSettings {
    static constexpr int Channels = 4;
    static constexpr double DefaultHysteresis = 0.5;

    std::array<ChannelLimits, Channels> limits{};  // T1 to T4
    double hysteresis = DefaultHysteresis;         // in `unit`
    // Samples beyond a limit that pass before its alarm begins: with 1, a
    // spike of one sample is no alarm.
    int delaySamples = 0;
    // The unit of the limits and the hysteresis; without one they are taken
    // in the unit the meter shows at the first sample.
    std::optional<TemperatureUnit> unit;

    bool watchesAny() const;
    // The same limits and hysteresis in `to`; settings without a unit are
    // taken to be in `to` already.
    AlarmSettings convertedTo(TemperatureUnit to) const;

    // A value that is missing or not a number leaves its default.
    static AlarmSettings load(QSettings& settings);
    // Writes every key of the group, removing the limits that are not set.
    void save(QSettings& settings) const;

    bool operator==(const AlarmSettings&) const = default;
};
