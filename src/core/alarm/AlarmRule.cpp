#include "alarm/AlarmRule.h"

#include <cmath>

namespace {

// Readings come as floats of tenths; limits may carry two decimals once
// converted. Within this they are equal.
constexpr double Tolerance = 1e-6;

// The reading as the meter shows it: 26.1, not 26.100000381.
double shown(float reading)
{
    return std::round(double(reading) * 10.0) / 10.0;
}

} // namespace

AlarmRule::AlarmRule(const AlarmSettings& settings, QObject* parent)
    : QObject(parent)
    , given(settings)
    , inForce(settings)
{
}

void AlarmRule::setSettings(const AlarmSettings& settings, TDateTime time)
{
    const AlarmSettings before = inForce;
    given = settings;
    inForce = meterUnit ? settings.convertedTo(*meterUnit) : settings;
    for (int c = 0; c < Channels; ++c) {
        const ChannelLimits& limits = inForce.limits[size_t(c)];
        const ChannelLimits& old = before.limits[size_t(c)];
        if (isActive(c, AlarmKind::High) && !limits.high)
            end(c, AlarmKind::High, time, std::nullopt, old.high);
        if (isActive(c, AlarmKind::Low) && !limits.low)
            end(c, AlarmKind::Low, time, std::nullopt, old.low);
        if (!limits.watched()) {
            if (isActive(c, AlarmKind::NoReading))
                end(c, AlarmKind::NoReading, time, std::nullopt, std::nullopt);
            if (isActive(c, AlarmKind::NoMeter))
                end(c, AlarmKind::NoMeter, time, std::nullopt, std::nullopt);
        } else if (meterLost && !isActive(c, AlarmKind::NoMeter)) {
            AlarmSample none;
            none.time = time;
            none.unit = inForce.unit.value_or(TemperatureUnit::Celsius);
            begin(c, AlarmKind::NoMeter, none, std::nullopt, std::nullopt);
        }
        ChannelState& s = states[size_t(c)];
        s.highRun = s.lowRun = s.noReadingRun = 0;
    }
}

void AlarmRule::useUnit(TemperatureUnit unit)
{
    const TemperatureUnit before = meterUnit.value_or(given.unit.value_or(unit));
    // Limits without a unit are in the unit of the first sample, from then on.
    if (!given.unit)
        given.unit = unit;
    meterUnit = unit;
    inForce = given.convertedTo(unit);
    if (before != unit)
        emit limitsConverted(unit);
}

void AlarmRule::takeSample(const AlarmSample& sample)
{
    if (meterUnit != sample.unit)
        useUnit(sample.unit);
    for (int c = 0; c < Channels; ++c) {
        if (inForce.limits[size_t(c)].watched())
            judge(c, sample);
    }
}

void AlarmRule::judge(int c, const AlarmSample& sample)
{
    ChannelState& s = states[size_t(c)];
    const ChannelLimits& limits = inForce.limits[size_t(c)];
    const float raw = sample.readings[size_t(c)];
    const bool overRange = (sample.overRange >> c) & 1;
    if (overRange || !std::isfinite(raw)) {
        // Neither above nor below: the reading is not known.
        s.highRun = s.lowRun = 0;
        if (!isActive(c, AlarmKind::NoReading) && ++s.noReadingRun > inForce.delaySamples) {
            s.noReadingRun = 0;
            begin(c, AlarmKind::NoReading, sample, std::nullopt, std::nullopt);
        }
        return;
    }
    s.noReadingRun = 0;
    const double value = shown(raw);
    if (isActive(c, AlarmKind::NoReading))
        end(c, AlarmKind::NoReading, sample.time, value, std::nullopt);

    if (limits.high) {
        const double high = *limits.high;
        if (isActive(c, AlarmKind::High)) {
            if (value < high - inForce.hysteresis - Tolerance)
                end(c, AlarmKind::High, sample.time, value, high);
        } else if (value > high + Tolerance) {
            if (++s.highRun > inForce.delaySamples) {
                s.highRun = 0;
                begin(c, AlarmKind::High, sample, value, high);
            }
        } else {
            s.highRun = 0;
        }
    }
    if (limits.low) {
        const double low = *limits.low;
        if (isActive(c, AlarmKind::Low)) {
            if (value > low + inForce.hysteresis + Tolerance)
                end(c, AlarmKind::Low, sample.time, value, low);
        } else if (value < low - Tolerance) {
            if (++s.lowRun > inForce.delaySamples) {
                s.lowRun = 0;
                begin(c, AlarmKind::Low, sample, value, low);
            }
        } else {
            s.lowRun = 0;
        }
    }
}

void AlarmRule::linkLost(TDateTime time)
{
    if (meterLost)
        return;
    meterLost = true;
    AlarmSample none;
    none.time = time;
    none.unit = inForce.unit.value_or(TemperatureUnit::Celsius);
    for (int c = 0; c < Channels; ++c) {
        // Samples in a row are broken by the gap.
        ChannelState& s = states[size_t(c)];
        s.highRun = s.lowRun = s.noReadingRun = 0;
        if (inForce.limits[size_t(c)].watched())
            begin(c, AlarmKind::NoMeter, none, std::nullopt, std::nullopt);
    }
}

void AlarmRule::linkFound(TDateTime time)
{
    if (!meterLost)
        return;
    meterLost = false;
    for (int c = 0; c < Channels; ++c) {
        if (isActive(c, AlarmKind::NoMeter))
            end(c, AlarmKind::NoMeter, time, std::nullopt, std::nullopt);
    }
}

void AlarmRule::reset()
{
    states = {};
    meterLost = false;
    meterUnit.reset();
    inForce = given;
}

bool AlarmRule::isActive(int channel, AlarmKind kind) const
{
    return states[size_t(channel)].active[size_t(kind)];
}

bool AlarmRule::inAlarm(int channel) const
{
    const auto& a = states[size_t(channel)].active;
    return a[0] || a[1] || a[2] || a[3];
}

void AlarmRule::begin(int channel, AlarmKind kind, const AlarmSample& sample, std::optional<double> reading,
                      std::optional<double> limit)
{
    active(channel, kind) = true;
    AlarmEvent event;
    event.begins = true;
    event.channel = channel;
    event.kind = kind;
    event.reading = reading;
    event.overRange = kind == AlarmKind::NoReading && ((sample.overRange >> channel) & 1);
    event.limit = limit;
    event.unit = sample.unit;
    event.time = sample.time;
    emit alarm(event);
}

void AlarmRule::end(int channel, AlarmKind kind, TDateTime time, std::optional<double> reading,
                    std::optional<double> limit)
{
    active(channel, kind) = false;
    AlarmEvent event;
    event.begins = false;
    event.channel = channel;
    event.kind = kind;
    event.reading = reading;
    event.limit = limit;
    event.unit = meterUnit.value_or(inForce.unit.value_or(TemperatureUnit::Celsius));
    event.time = time;
    emit alarm(event);
}
