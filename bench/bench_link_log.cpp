// What the connection log costs. The meter streams up to 20 live frames a
// second; with the log on, each frame becomes a line in hex with its time,
// appended to the --log file and kept for Save Connection Log. Goal: under
// 2 % of one core with the log on, nothing measurable with it off. The
// download logs per block (about 110 ms each at the protocol's pace), never
// per byte.
//
// Each case reports its processor time per frame or block and the share of
// one core that makes at the real rate (pct_of_core_*). The "off" rows are
// the comparison run with the categories off.
//
// TQ612_BENCH_CPU_SECONDS sets how long the streaming cases stream (default 3).
#include "CountingHost.h"
#include "MemoryImageBuilder.h"
#include "MeterSim.h"
#include "link/LinkLog.h"
#include "link/LinkLogSink.h"
#include "link/LinkTestSupport.h"
#include "link/MeterLink.h"
#include "logger/FakeLinePort.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr double FramesPerSecond = 20;
// One block's cycle at the protocol's own pace: 10 ms, "y", up to 100 ms.
constexpr double BlockCycleSeconds = 0.110;

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double processCpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The log as the program runs it with --log FILE: every line appended to a
// file (flushed at once) and the last 5000 kept in memory. Started once for
// the whole run; each case then switches the categories on or off.
void switchLog(bool on)
{
    static QTemporaryDir dir;
    static const bool started = [] {
        QString error;
        return LinkLogSink::start({false, dir.filePath(QStringLiteral("link.log")), 5000}, &error);
    }();
    (void)started;
    QLoggingCategory::setFilterRules(on ? QStringLiteral("tq612.*.debug=true") : QStringLiteral("tq612.*.debug=false"));
}

const char* labelOf(bool on)
{
    return on ? "log on: file + kept lines" : "log off";
}

// One live frame as the port hands it over: cut out, logged, decoded, shown.
void BM_LiveFrameWithLog(benchmark::State& state)
{
    const bool on = state.range(0) == 1;
    state.SetLabel(labelOf(on));
    switchLog(on);
    AppSettings settings;
    QTimer timer;
    CountingHost host;
    MeterLink link{host, settings, timer};
    const QByteArray frame = liveFrame(0x08, 0, {215, 220, 230, 240});
    const double cpuStart = threadCpuSeconds();
    for (auto _ : state)
        link.handleReceived(frame.constData(), int(frame.size()));
    const double perFrame = (threadCpuSeconds() - cpuStart) / double(state.iterations());
    switchLog(false);
    state.counters["cpu_us_per_frame"] = perFrame * 1e6;
    state.counters["pct_of_core_at_20fps"] = 100.0 * perFrame * FramesPerSecond;  // goal with the log on: < 2
}
BENCHMARK(BM_LiveFrameWithLog)->Arg(0)->Arg(1);

// A log statement of the frame path with its category off: only the check.
void BM_LogStatementOff(benchmark::State& state)
{
    switchLog(false);
    const QByteArray frame = liveFrame(0x08, 0, {215, 220, 230, 240});
    for (auto _ : state) {
        qCDebug(linkLog).noquote() << "frame:" << LinkLog::hex(frame);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LogStatementOff);

// The whole program side of 20 frames a second from the simulated meter on a
// pseudo-terminal, the log on and off: process CPU over wall time.
void BM_StreamingAt20FpsWithLog(benchmark::State& state)
{
    const bool on = state.range(0) == 1;
    state.SetLabel(labelOf(on));
    const int seconds = qEnvironmentVariableIntValue("TQ612_BENCH_CPU_SECONDS") > 0
        ? qEnvironmentVariableIntValue("TQ612_BENCH_CPU_SECONDS")
        : 3;
    for (auto _ : state) {
        metersim::Options o;
        o.rateMs = int(1000 / FramesPerSecond);
        o.registerPort = false;
        o.keepAliveTimeoutMs = 0;
        metersim::MeterSim sim(o);
        if (!sim.start()) {
            state.SkipWithError("no simulated meter");
            return;
        }
        AppSettings settings;
        QTimer timer;
        CountingHost host;
        host.ports << sim.portPath();
        MeterLink link{host, settings, timer};
        link.ProbeReplyMs = 50;
        link.ProbePorts();
        if (!link.Connected) {
            state.SkipWithError("the simulator did not answer");
            return;
        }
        switchLog(on);
        timer.start(1000);
        const double cpuBefore = processCpuSeconds() - sim.loopCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = processCpuSeconds() - sim.loopCpuSeconds() - cpuBefore;
        switchLog(false);
        state.counters["cpu_pct_of_one_core"] = 100.0 * cpu / (double(wall.elapsed()) / 1000.0);
        state.counters["frames"] = host.frames;
    }
}
BENCHMARK(BM_StreamingAt20FpsWithLog)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// The download's per-block log: a download over the fake line (no waiting,
// the program's own work only), the log on and off.
void BM_DownloadBlocksWithLog(benchmark::State& state)
{
    const bool on = state.range(0) == 1;
    state.SetLabel(labelOf(on));
    metersim::MemoryImageBuilder b;
    b.addDataSet(1000);
    const QByteArray image = b.build();
    const int blocks = int(ImageDownload::transferLength(int(image.size())) / ImageDownload::BlockPayload);
    switchLog(on);
    double cpu = 0;
    for (auto _ : state) {
        FakeClock clock;
        ScopedClock scoped(clock);
        metersim::DownloadServer meter(image);
        FakeLinePort port(meter, clock, {}, false);
        ImageDownload download(port, {[] {}, {}});
        const double cpuStart = threadCpuSeconds();
        const int code = download.DownloadImage();
        cpu += threadCpuSeconds() - cpuStart;
        if (code != LoadResult::Success)
            state.SkipWithError("the download failed");
    }
    switchLog(false);
    const double perBlock = cpu / double(state.iterations()) / blocks;
    state.counters["blocks"] = blocks;
    state.counters["cpu_us_per_block"] = perBlock * 1e6;
    state.counters["pct_of_core_at_110ms_a_block"] = 100.0 * perBlock / BlockCycleSeconds;
}
BENCHMARK(BM_DownloadBlocksWithLog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
