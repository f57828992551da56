// The memory download at true 9600-baud pace against the simulated meter on
// a pseudo-terminal, directly and behind USB serial adapter models: wall time
// against the protocol's own pace (10 ms, "y", 100 ms: 110 ms a block), and
// the processor time the program spends. By default a 4 KiB memory;
// TQ612_BENCH_FULL=1 downloads the full 131,072 bytes (about three minutes
// a line).
#include "MemoryImageBuilder.h"
#include "PtyDownloadMeter.h"
#include "link/MeterLink.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"
#include "link/ComPort.h"
#include "logger/ComDownloadPort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <ctime>

using metersim::DownloadServer;
using metersim::MemoryImageBuilder;
using metersim::PtyDownloadMeter;

namespace {

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

QByteArray memoryOf(int bytes)
{
    MemoryImageBuilder b;
    b.addDataSet((bytes - MemoryImageBuilder::HeaderLength - 16) / 8);
    QByteArray image = b.build();
    image.resize(bytes, char(0xFF));
    return image;
}

// The download of `blocks` blocks at the protocol's own pace: the replies to
// "c" and "P" with the first block on the line, one acknowledgement cycle
// (10 ms + 100 ms) per further block, and the ten unanswered cycles after the last.
double protocolPaceSeconds(int blocks)
{
    const double byteMs = DownloadServer::ByteTimeMs;
    const double opening = (10 + 10) * byteMs;
    const double start = (10 + 10 + 65) * byteMs;
    const double cycles = (blocks - 1) * 110.0 + 10 * 110.0;
    return (opening + start + cycles) / 1000.0;
}

// The lines, with the goal for each as a ratio to the protocol's pace.
struct Line {
    const char* name;
    metersim::AdapterModel adapter;
    double goal;
};
const Line Lines[] = {
    {"direct 9600-baud line", {}, 0.95},
    {"adapter 62-byte chunks, 16 ms timer", {62, 16}, 1.10},
    {"adapter 13-byte chunks, 16 ms timer", {13, 16}, 1.15},
    {"adapter 64-byte chunks, 40 ms timer", {64, 40}, 1.5},
    {"adapter 5-byte chunks, 40 ms timer", {5, 40}, 1.5},
};

void BM_PacedDownload(benchmark::State& state)
{
    const Line& lineModel = Lines[state.range(0)];
    state.SetLabel(lineModel.name);
    const bool full = qEnvironmentVariableIntValue("TQ612_BENCH_FULL") == 1;
    const int bytes = full ? ImageDownload::MaxAnnouncedLength : 4096;
    const QByteArray image = memoryOf(bytes);
    DownloadServer meter(image);
    PtyDownloadMeter line(meter, true, lineModel.adapter);
    if (!line.isOpen()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    double wall = 0, cpu = 0;
    int code = -1;
    for (auto _ : state) {
        // Comm2 as the program opens it for a download.
        TComPort comm2;
        comm2.BaudRate = TBaudRate::br9600;
        comm2.DataBits = TDataBits::db8;
        comm2.Parity = TParity::paNone;
        comm2.StopBits = TStopBits::sb1;
        comm2.setDeviceName(line.devicePath());
        comm2.Open();
        ComDownloadPort port(comm2);
        ImageDownload download(port, {[] { QCoreApplication::processEvents(); }, {}});
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuSeconds();
        code = download.DownloadImage();
        cpu = threadCpuSeconds() - cpuStart;
        wall = timer.nsecsElapsed() * 1e-9;
        if (code != LoadResult::Success || download.image() != image)
            state.SkipWithError(code == LoadResult::Success ? "a wrong image reported as success"
                                                            : "the download ended with an error code");
        state.SetIterationTime(wall);
    }
    const double pace = protocolPaceSeconds(bytes / 64);
    state.counters["bytes"] = bytes;
    state.counters["protocol_pace_s"] = pace;
    state.counters["wall_s"] = wall;
    state.counters["pace_ratio"] = wall / pace;
    state.counters["pace_goal"] = lineModel.goal;
    state.counters["cpu_pct_of_core"] = 100.0 * cpu / wall;  // goal < 2
    if (wall / pace > lineModel.goal)
        std::printf("bench_download: %s: %.2f of the protocol's pace, past its goal of %.2f\n", lineModel.name,
                    wall / pace, lineModel.goal);
}
BENCHMARK(BM_PacedDownload)->DenseRange(0, std::size(Lines) - 1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

