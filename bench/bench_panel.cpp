// How long the front panel takes to show one live frame: the labels and marks
// updated by ShowLiveFrame, and the same followed by painting the panel.
// Reported as median and 99th percentile per frame.
#include "link/LiveFrame.h"
#include "panel/UPanel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

struct Panel {
    NoPanelLink link;
    QTimer maxMinTimer;
    std::array<QPixmap, 4> batteries;
    MaxMinBlink blink;
    TfrmPanel panel{PanelHost{link, maxMinTimer, batteries, blink}};
};

// Frames whose readings change every time, as a live meter's do.
LiveFrame frameNumber(int n)
{
    LiveFrame f;
    f.T1 = 20.0f + float(n % 100) * 0.1f;
    f.T2 = -5.0f - float(n % 37) * 0.1f;
    f.T3 = 300.0f + float(n % 11);
    f.T4 = 1369.9f;
    f.Battery = n % 4;
    f.Recording = n % 2;
    f.T1T2 = (n / 50) % 2;
    return f;
}

void reportPercentiles(benchmark::State& state, std::vector<double>& nanoseconds)
{
    if (nanoseconds.empty())
        return;
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double q) { return nanoseconds[std::min(nanoseconds.size() - 1, size_t(q * nanoseconds.size()))]; };
    state.counters["median_us"] = at(0.50) / 1000.0;
    state.counters["p99_us"] = at(0.99) / 1000.0;
}

template <typename Step>
void timeFrames(benchmark::State& state, Step step)
{
    Panel p;
    std::vector<double> samples;
    samples.reserve(1 << 16);
    int n = 0;
    for (auto _ : state) {
        const LiveFrame f = frameNumber(n++);
        const auto begin = std::chrono::steady_clock::now();
        step(p.panel, f);
        const auto end = std::chrono::steady_clock::now();
        samples.push_back(std::chrono::duration<double, std::nano>(end - begin).count());
    }
    reportPercentiles(state, samples);
}

void BM_ShowLiveFrame(benchmark::State& state)
{
    timeFrames(state, [](TfrmPanel& panel, const LiveFrame& f) { panel.ShowLiveFrame(f, false); });
}
BENCHMARK(BM_ShowLiveFrame);

void BM_ShowLiveFrameAndPaint(benchmark::State& state)
{
    QImage canvas(160, 493, QImage::Format_RGB32);
    timeFrames(state, [&canvas](TfrmPanel& panel, const LiveFrame& f) {
        panel.ShowLiveFrame(f, false);
        QPainter painter(&canvas);
        panel.render(&painter);
    });
}
BENCHMARK(BM_ShowLiveFrameAndPaint);

} // namespace

