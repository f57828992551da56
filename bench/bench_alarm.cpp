// What the alarm rule costs a run per sample (goal: under 1 µs): four
// channels with high and low limits, hysteresis and a delay, on readings
// that stay inside the limits, and on readings that cross a limit every few
// samples so that alarms begin and end and a listener hears each one.
#include "alarm/AlarmRule.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

AlarmSettings fourChannels()
{
    AlarmSettings s;
    for (ChannelLimits& l : s.limits)
        l = {26.0, -18.0};
    s.delaySamples = 1;
    s.unit = TemperatureUnit::Celsius;
    return s;
}

// A day of one-second samples: a slow wave around `middle` with `swing` degrees
// to either side, each channel a little apart; every 1000th reads "OL" on T4.
std::vector<AlarmSample> day(float middle, float swing)
{
    std::vector<AlarmSample> samples(86400);
    for (size_t i = 0; i < samples.size(); ++i) {
        AlarmSample& s = samples[i];
        s.time = 46143.0 + double(i) * DateTime::OneSecond;
        const float phase = float(i % 40) / 40.0f;
        const float wave = phase < 0.5f ? phase * 4 - 1 : 3 - phase * 4;  // -1 .. 1 .. -1
        for (int c = 0; c < 4; ++c)
            s.readings[size_t(c)] = std::round((middle + swing * wave + 0.3f * float(c)) * 10) / 10;
        if (i % 1000 == 999) {
            s.readings[3] = 3276.7f;
            s.overRange = 0x08;
        }
    }
    return samples;
}

void takeSamples(benchmark::State& state, const std::vector<AlarmSample>& samples)
{
    AlarmRule rule(fourChannels());
    std::int64_t events = 0;
    QObject::connect(&rule, &AlarmRule::alarm, [&](const AlarmEvent& e) { events += e.begins ? 1 : 0; });
    size_t i = 0;
    for (auto _ : state) {
        rule.takeSample(samples[i]);
        if (++i == samples.size())
            i = 0;
    }
    benchmark::DoNotOptimize(events);
    state.counters["alarms begun per 1000 samples"] =
        benchmark::Counter(double(events) * 1000.0 / double(state.iterations()));
    state.SetItemsProcessed(state.iterations());
}

void BM_AlarmRuleQuietSamples(benchmark::State& state)
{
    takeSamples(state, day(4.0f, 10.0f));
}
BENCHMARK(BM_AlarmRuleQuietSamples);

void BM_AlarmRuleSamplesCrossingTheLimits(benchmark::State& state)
{
    takeSamples(state, day(4.0f, 28.0f));
}
BENCHMARK(BM_AlarmRuleSamplesCrossingTheLimits);

} // namespace
