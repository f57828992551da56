#pragma once
// The alarms of one meter during a run. Fed every sample and the live link's
// losses and returns, it says when an alarm of a channel begins and when it
// ends; what an alarm then does (a line, a message, a program, a mark on the
// chart) is up to whoever listens.
//
// Per channel with a limit:
// - high: begins on a sample above the high limit and ends only on a sample
//   below the limit minus the hysteresis; low mirrors it;
// - "no reading": the channel reads "OL" or nothing (an unplugged probe must
//   not look like a quiet freezer); ends on the next sample with a reading;
// - "no meter": the link's watchdog gave the meter up; ends when frames return.
// With a delay of N samples, high, low and "no reading" begin only on the
// (N+1)-th sample in a row beyond the limit.
//
// A reading equal to a limit, as the meter shows it, is not beyond it. The
// rule reads °C or °F as the meter sends them: when the meter's unit changes,
// the limits are converted to it and limitsConverted() says so.

#include "alarm/AlarmEvent.h"
#include "alarm/AlarmSettings.h"

#include <QObject>
#include <array>

class AlarmRule : public QObject {
    Q_OBJECT
public:
    static constexpr int Channels = AlarmSettings::Channels;

    explicit AlarmRule(const AlarmSettings& settings = {}, QObject* parent = nullptr);

    // The settings as given; limits given without a unit have the unit of the first sample.
    const AlarmSettings& settings() const { return given; }
    // The limits in the unit the meter shows (the given ones until a sample came).
    const AlarmSettings& limitsInForce() const { return inForce; }
    // New limits count from the next sample; an alarm they no longer watch ends at `time`.
    void setSettings(const AlarmSettings& settings, TDateTime time);

    void takeSample(const AlarmSample& sample);
    // The link's watchdog declared the meter lost, or its frames came back.
    void linkLost(TDateTime time);
    void linkFound(TDateTime time);
    // A new run: every alarm and count is forgotten, without events.
    void reset();

    bool isActive(int channel, AlarmKind kind) const;
    // Any alarm of the channel is on.
    bool inAlarm(int channel) const;

signals:
    void alarm(const AlarmEvent& event);
    // The meter now shows `unit`; limitsInForce() holds the limits converted to it.
    void limitsConverted(TemperatureUnit unit);

private:
    struct ChannelState {
        std::array<bool, 4> active{};  // by AlarmKind
        int highRun = 0;               // samples in a row above the high limit
        int lowRun = 0;
        int noReadingRun = 0;
    };

    void useUnit(TemperatureUnit unit);
    void judge(int channel, const AlarmSample& sample);
    void begin(int channel, AlarmKind kind, const AlarmSample& sample, std::optional<double> reading,
               std::optional<double> limit);
    void end(int channel, AlarmKind kind, TDateTime time, std::optional<double> reading, std::optional<double> limit);
    bool& active(int channel, AlarmKind kind) { return states[size_t(channel)].active[size_t(kind)]; }

    AlarmSettings given;
    AlarmSettings inForce;
    std::optional<TemperatureUnit> meterUnit;  // the unit of the last sample
    std::array<ChannelState, Channels> states{};
    bool meterLost = false;
};
