// Real-time recording at its largest: the last sample of a 99,999-point run
// with its redraw, and the statistics of four channels of 100,000 points.
#include "app/Prompts.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "graph/UGraphStatistics.h"
#include "realtime/RealTimeRecorder.h"

#include <QApplication>
#include <QSettings>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int RunPoints = 99999;
constexpr TDateTime Start = 46143.375;
constexpr float NoDataValue = 9999;   // a point without data

// A main window whose real-time graph of `points` points holds 99,998
// samples: the next one is sample 99,999.
struct FullRun {
    TfrmMain main;
    QTemporaryDir docs;
    explicit FullRun(int points = RunPoints)
    {
        main.DocumentFolder = docs.path() + QLatin1Char('/');
        main.Session.setXExtensionStep(10 * DateTime::OneSecond);
        main.RealTime->CreateRealTimeGraph();
        // No recovery file: the sample measured is the chart's and the statistics' work.
        main.DocumentFolder.clear();
        PESGraph& chart = *main.RealTimeGraph->PESGraph1;
        // As Run leaves a graph: every point empty until its sample comes.
        chart.setPoints(points);
        for (int s = 0; s < 4; ++s) {
            for (int p = 0; p < points; ++p)
                chart.setXDataII(s, p, 0);
            chart.setYDataII(-1, s, NoDataValue);
        }
        for (int p = 0; p < RunPoints - 1; ++p)
            for (int s = 0; s < 4; ++s) {
                chart.setXDataII(s, p, Start + p * DateTime::OneSecond);
                chart.setYData(s, p, 20.0f + s + (p % 100) * 0.1f);
            }
        chart.setManualMinX(Start);
        chart.setManualMaxX(Start + RunPoints * DateTime::OneSecond);
        chart.redrawNow();
        main.RealTimeGraph->resize(1175, 612);
    }
};

// Sample 99,999 with its redraw painted. Graph of 99,999 points: the last
// sample, which also stops the run (trim, averages). Graph of 100,000
// points: an ordinary sample late in a long run. Arg 0 leaves out the painting.
void BM_TakeSampleAtTheEndOfALongRun(benchmark::State& state)
{
    const int points = int(state.range(0));
    const bool paint = state.range(1) != 0;
    FullRun run(points);
    PESGraph& chart = *run.main.RealTimeGraph->PESGraph1;
    const TDateTime t = Start + (RunPoints - 1) * DateTime::OneSecond;
    for (auto _ : state) {
        state.PauseTiming();
        {
            // The run of the samples the chart already shows, rebuilt quietly.
            const QSignalBlocker quiet(run.main.Session);
            run.main.Session.startRun(Start, points);
            for (int p = 0; p < RunPoints - 1; ++p) {
                const float v = 20.0f + (p % 100) * 0.1f;
                run.main.Session.TakeSample(Start + p * DateTime::OneSecond, {v, v + 1, v + 2, v + 3});
            }
        }
        if (chart.Points() != points)
            chart.setPoints(points);
        // Sample 99,999 is not there yet.
        for (int s = 0; s < 4; ++s) {
            chart.setXDataII(s, RunPoints - 1, 0);
            chart.setYData(s, RunPoints - 1, NoDataValue);
        }
        chart.redrawNow();
        state.ResumeTiming();
        run.main.RealTime->TakeSample(t, {21.0f, 22.0f, 23.0f, 24.0f});
        if (paint)
            chart.redrawNow();   // what the user waits for
    }
}
BENCHMARK(BM_TakeSampleAtTheEndOfALongRun)
    ->ArgNames({"points", "paint"})
    ->Args({RunPoints, 1})
    ->Args({100000, 1})
    ->Args({100000, 0})
    // Each iteration rebuilds the run untimed, which costs far more than the
    // sample itself: a fixed count keeps the whole benchmark to seconds.
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_ComputeGraphStatistics(benchmark::State& state)
{
    FullRun run;
    PESGraph& chart = *run.main.RealTimeGraph->PESGraph1;
    chart.setPoints(100000);
    for (int p = RunPoints - 1; p < 100000; ++p)
        for (int s = 0; s < 4; ++s) {
            chart.setXDataII(s, p, Start + p * DateTime::OneSecond);
            chart.setYData(s, p, 25.0f);
        }
    for (auto _ : state)
        ComputeGraphStatistics(*run.main.RealTimeGraph);
}
BENCHMARK(BM_ComputeGraphStatistics)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

