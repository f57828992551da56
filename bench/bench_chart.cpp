// Chart timings: redraw of a large graph, the bulk load of a full data logger
// memory, and storing and loading a large graph file.
#include "app/Prompts.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

void fill(PESGraph& chart, int points)
{
    chart.setSubsets(4);
    chart.setPoints(points);
    std::vector<double> xs(size_t(points) * 4);
    std::vector<float> ys(size_t(points) * 4);
    for (int r = 0; r < points; ++r)
        for (int c = 0; c < 4; ++c) {
            xs[size_t(r) * 4 + c] = 46000.0 + r / 86400.0;
            ys[size_t(r) * 4 + c] = float(20 + c * 5 + 10 * std::sin(r * 0.001 + c) + (r % 7) * 0.1);
        }
    chart.loadXDataII(xs.data(), qsizetype(xs.size()));
    chart.loadYData(ys.data(), qsizetype(ys.size()));
}

void BM_Redraw4x100k(benchmark::State& state)
{
    PESGraph chart;
    chart.resize(1175, 480);
    fill(chart, 100000);
    for (int axis = 0; axis < 4; ++axis) {
        chart.setMultiAxesSubsets(axis, 1);
        chart.setMultiAxesProportions(axis, 0.25);
    }
    chart.PEactions(sgReinitAndReset);
    chart.redrawNow();
    for (auto _ : state)
        chart.redrawNow();
}
BENCHMARK(BM_Redraw4x100k)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_BulkLoad4x16349(benchmark::State& state)
{
    const int records = 16349;
    std::vector<double> xs(size_t(records) * 4, 46000.0);
    std::vector<float> ys(size_t(records) * 4, 21.5f);
    PESGraph chart;
    chart.setSubsets(4);
    chart.setPoints(records);
    for (auto _ : state) {
        chart.loadXDataII(xs.data(), qsizetype(xs.size()));
        chart.loadYData(ys.data(), qsizetype(ys.size()));
        chart.redraw();
    }
}
BENCHMARK(BM_BulkLoad4x16349)->Unit(benchmark::kMillisecond);

void BM_StoreAndLoadGraphFile4x100k(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ghf"));
    PESGraph chart;
    fill(chart, 100000);
    PESGraph loaded;
    for (auto _ : state) {
        StoreGraphFile(chart, path);
        LoadGraphFile(loaded, path);
    }
    state.counters["file_bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_StoreAndLoadGraphFile4x100k)->Unit(benchmark::kMillisecond);

} // namespace

