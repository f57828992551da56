// What the user sees of the live link: the time from a frame's last byte at
// the pseudo-terminal until the front panel of the main window shows its T1.
// The simulated meter writes the frames; the main window receives them on
// its own serial port object, decodes them and updates the panel.
// Reported as median and 99th percentile per frame.
#include "MeterSim.h"
#include "MeterState.h"
#include "app/Prompts.h"
#include "app/UMain.h"
#include "panel/UPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

void BM_FrameToPanelLabelsOverPty(benchmark::State& state)
{
    metersim::Options o;
    o.model = 612;
    o.rateMs = 0;               // only the frames written here
    o.keepAliveTimeoutMs = 0;
    metersim::MeterSim sim(o);
    if (!sim.start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    TfrmMain main;
    main.ComboBoxDeviceName->blockSignals(true);
    main.ComboBoxDeviceName->clear();
    main.ComboBoxDeviceName->addItem(sim.portPath());
    main.ComboBoxDeviceName->blockSignals(false);
    main.Link.ProbeReplyMs = 60;
    main.show();
    // Start-up probes the ports once the window is up.
    const auto startDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!(main.Link.Connected && main.FrontPanel) && std::chrono::steady_clock::now() < startDeadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    main.MainTimer.stop();      // no keep-alive traffic in the measurement
    if (!main.Link.Connected || !main.FrontPanel) {
        state.SkipWithError("the main window did not find the simulated meter");
        return;
    }
    QLabel* t1 = main.FrontPanel->lblT1Value;

    std::vector<double> micros;
    int n = 0;
    for (auto _ : state) {
        // A T1 unlike the one shown, so that the label must change.
        metersim::MeterState shown = sim.snapshot();
        shown.shown[0] = 20.0 + (n++ % 100) * 0.1 + 0.05;
        const QByteArray frame = metersim::buildLiveFrame(shown, o.model);
        const QString before = t1->text();
        {
            auto lock = sim.lock();
            sim.send(frame);
        }
        const auto sent = std::chrono::steady_clock::now();
        const auto deadline = sent + std::chrono::seconds(2);
        while (t1->text() == before && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents();
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - sent).count();
        if (t1->text() == before) {
            state.SkipWithError("the panel did not show the frame");
            return;
        }
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_FrameToPanelLabelsOverPty)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

} // namespace

