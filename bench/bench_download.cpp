// The memory download's pace against the protocol's own (10 ms, "y", 100 ms:
// 110 ms a block), over the line models of the goals below: directly at 9600
// baud with ordinary timing jitter, with a meter that pauses inside every
// 100th block, and behind USB serial adapter models.
//
// BM_PaceOnFakeClock runs the full memory (130,688 bytes, 2,042 blocks) on
// the fake clock: program time, free of the machine's load; these figures are
// the ones the goals are judged by. BM_PacedDownload runs the same lines in
// real time over a pseudo-terminal against the simulated meter, with the
// processor time the program spends (goal: below 2 % of a core); by default
// 8 KiB, TQ612_BENCH_FULL=1 the full memory (about three minutes a line).
#include "logger/FakeLinePort.h"
#include "MemoryImageBuilder.h"
#include "PtyDownloadMeter.h"
#include "link/ComPort.h"
#include "logger/ComDownloadPort.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <ctime>

using metersim::DownloadServer;
using metersim::MemoryImageBuilder;
using metersim::PtyDownloadMeter;

namespace {

// A meter's memory full to its last block.
constexpr int FullMemoryBytes = 2042 * 64;

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
    int pauseEvery;  // the meter pauses 40 ms inside every n-th block (0: never)
    double goal;
};
// Bytes reach the program up to 2 ms late, each after the one before.
constexpr double OrdinaryJitterMs = 2;
const Line Lines[] = {
    {"direct 9600 baud, 2 ms jitter", {0, 0, OrdinaryJitterMs}, 0, 0.85},
    {"direct, 40 ms pause inside every 100th block", {0, 0, OrdinaryJitterMs}, 100, 0.92},
    {"adapter 62-byte chunks, 16 ms timer", {62, 16}, 0, 1.10},
    {"adapter 13-byte chunks, 16 ms timer", {13, 16}, 0, 1.15},
    {"adapter 64-byte chunks, 40 ms timer", {64, 40}, 0, 1.5},
    {"adapter 5-byte chunks, 40 ms timer", {5, 40}, 0, 1.5},
};

void planPauses(DownloadServer& meter, const Line& line)
{
    meter.pauseEvery = line.pauseEvery;
    meter.pauseMs = 40;
}

void report(benchmark::State& state, const Line& line, int bytes, double seconds)
{
    const double pace = protocolPaceSeconds(bytes / 64);
    state.counters["bytes"] = bytes;
    state.counters["protocol_pace_s"] = pace;
    state.counters["download_s"] = seconds;
    state.counters["ms_a_block"] = 1000.0 * seconds / (bytes / 64);
    state.counters["pace_ratio"] = seconds / pace;
    state.counters["pace_goal"] = line.goal;
    if (seconds / pace > line.goal)
        std::printf("bench_download: %s: %.3f of the protocol's pace, past its goal of %.2f\n", line.name,
                    seconds / pace, line.goal);
}

void BM_PaceOnFakeClock(benchmark::State& state)
{
    const Line& line = Lines[state.range(0)];
    state.SetLabel(line.name);
    const QByteArray image = memoryOf(FullMemoryBytes);
    double seconds = 0;
    for (auto _ : state) {
        FakeClock clock;
        ScopedClock scoped(clock);
        DownloadServer meter(image);
        planPauses(meter, line);
        FakeLinePort port(meter, clock, line.adapter, true);
        ImageDownload download(port, {[] {}, {}});
        const qint64 start = clock.tick;
        const int code = download.DownloadImage();
        seconds = double(clock.tick - start) / 1000.0;
        if (code != LoadResult::Success || download.image() != image)
            state.SkipWithError(code == LoadResult::Success ? "a wrong image reported as success"
                                                            : "the download ended with an error code");
        state.SetIterationTime(seconds);
    }
    report(state, line, FullMemoryBytes, seconds);
}
BENCHMARK(BM_PaceOnFakeClock)->DenseRange(0, std::size(Lines) - 1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_PacedDownload(benchmark::State& state)
{
    const Line& line = Lines[state.range(0)];
    state.SetLabel(line.name);
    const bool full = qEnvironmentVariableIntValue("TQ612_BENCH_FULL") == 1;
    const int bytes = full ? FullMemoryBytes : 128 * 64;
    const QByteArray image = memoryOf(bytes);
    DownloadServer meter(image);
    planPauses(meter, line);
    PtyDownloadMeter pty(meter, true, line.adapter);
    if (!pty.isOpen()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        // Comm2 as the program opens it for a download.
        TComPort comm2;
        comm2.BaudRate = TBaudRate::br9600;
        comm2.DataBits = TDataBits::db8;
        comm2.Parity = TParity::paNone;
        comm2.StopBits = TStopBits::sb1;
        comm2.setDeviceName(pty.devicePath());
        comm2.Open();
        ComDownloadPort port(comm2);
        ImageDownload download(port, {[] { QCoreApplication::processEvents(); }, {}});
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuSeconds();
        const int code = download.DownloadImage();
        cpu = threadCpuSeconds() - cpuStart;
        wall = timer.nsecsElapsed() * 1e-9;
        if (code != LoadResult::Success || download.image() != image)
            state.SkipWithError(code == LoadResult::Success ? "a wrong image reported as success"
                                                            : "the download ended with an error code");
        state.SetIterationTime(wall);
    }
    report(state, line, bytes, wall);
    state.counters["cpu_pct_of_core"] = 100.0 * cpu / wall;  // goal < 2
    if (100.0 * cpu / wall >= 2)
        std::printf("bench_download: %s: %.2f %% of a core, past its goal of 2 %%\n", line.name, 100.0 * cpu / wall);
}
BENCHMARK(BM_PacedDownload)->DenseRange(0, std::size(Lines) - 1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
