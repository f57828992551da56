// Parsing and drawing a full logger memory: 131,072 bytes holding one data
// set of 16,349 records.
#include "../tests/dataset/ImageBuilder.h"

#include "app/Prompts.h"
#include "app/UMain.h"
#include "logger/DataSetModel.h"
#include "logger/LoadResult.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

QByteArray fullMemory()
{
    QByteArray image = buildImage({countingSet(16349, 0x7000)});
    image.resize(131072, '\xFF');
    return image;
}

void BM_ParseImageFullMemory(benchmark::State& state)
{
    DataSetModel model;
    model.RawImage = fullMemory();
    for (auto _ : state) {
        if (model.ParseImage(618) != LoadResult::Success)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(model.Readings.data());
    }
}
BENCHMARK(BM_ParseImageFullMemory)->Unit(benchmark::kMillisecond);

void BM_DrawDataSetFullMemory(benchmark::State& state)
{
    TfrmMain main;
    main.DataSets.RawImage = fullMemory();
    main.ShowDataLoggerGraph();
    if (main.ParseImage() != LoadResult::Success)
        state.SkipWithError("parse failed");
    for (auto _ : state)
        main.DrawDataSet(0);
}
BENCHMARK(BM_DrawDataSetFullMemory)->Unit(benchmark::kMillisecond);

} // namespace

