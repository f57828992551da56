// The live link's costs: cutting frames out of the byte stream, the delay
// from the meter's last byte to the readings, and the CPU the link uses.
//
// TQ612_BENCH_CPU_SECONDS sets how long the CPU measurement streams
// (default 3; 60 for the full measurement).
#include "CountingHost.h"
#include "MeterSim.h"
#include "link/FrameReceiver.h"
#include "link/LinkTestSupport.h"
#include "link/MeterLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>

namespace {

// A long stream: mostly good frames, every fifth corrupted, some garbage between.
QByteArray mixedStream(int frames)
{
    QByteArray s;
    for (int i = 0; i < frames; ++i) {
        QByteArray f = liveFrame(0x08, 0, {quint16(i % 2000)});
        if (i % 5 == 4)
            f[12] = char(f[12] ^ 0x55);
        s += f;
        if (i % 7 == 0)
            s += "\x11\x02junk";
    }
    return s;
}

void BM_FrameReceiverThroughput(benchmark::State& state)
{
    const QByteArray stream = mixedStream(20000);
    const int chunk = int(state.range(0));
    std::int64_t valid = 0;
    for (auto _ : state) {
        FrameReceiver r;
        for (qsizetype at = 0; at < stream.size(); at += chunk) {
            r.append(stream.constData() + at, int(std::min<qsizetype>(chunk, stream.size() - at)));
            while (const auto f = r.takeFrame()) {
                benchmark::DoNotOptimize(DecodeLiveFrame(f->data(), 612));
                ++valid;
            }
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * stream.size());
    state.counters["frames_per_pass"] = double(valid) / double(state.iterations());
}
BENCHMARK(BM_FrameReceiverThroughput)->Arg(33)->Arg(256);

struct LinkOnSimulator {
    explicit LinkOnSimulator(int rateMs)
    {
        metersim::Options o;
        o.rateMs = rateMs;
        o.registerPort = false;
        o.keepAliveTimeoutMs = 0;
        sim = std::make_unique<metersim::MeterSim>(o);
        sim->start();
        host.ports << sim->portPath();
        link.ProbeReplyMs = 50;
        link.ProbePorts();
    }
    AppSettings settings;
    QTimer timer;
    CountingHost host;
    MeterLink link{host, settings, timer};
    std::unique_ptr<metersim::MeterSim> sim;
};

void BM_FrameLatencyOverPty(benchmark::State& state)
{
    LinkOnSimulator rig(0);
    if (!rig.link.Connected) {
        state.SkipWithError("the simulator did not answer");
        return;
    }
    std::vector<double> micros;
    for (auto _ : state) {
        const int before = rig.host.frames;
        rig.sim->sendLiveFrame();
        const auto sent = std::chrono::steady_clock::now();
        while (rig.host.frames == before)
            QCoreApplication::processEvents();
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - sent).count();
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_FrameLatencyOverPty)->UseManualTime()->Iterations(500);

double processCpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_StreamingCpu(benchmark::State& state)
{
    const int seconds = std::max(1, qEnvironmentVariableIntValue("TQ612_BENCH_CPU_SECONDS") > 0
                                        ? qEnvironmentVariableIntValue("TQ612_BENCH_CPU_SECONDS")
                                        : 3);
    for (auto _ : state) {
        LinkOnSimulator rig(int(state.range(0)));
        rig.timer.start(1000);
        const double cpuBefore = processCpuSeconds() - rig.sim->loopCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = processCpuSeconds() - rig.sim->loopCpuSeconds() - cpuBefore;
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / (double(wall.elapsed()) / 1000.0);
        state.counters["frames"] = rig.host.frames;
    }
}
BENCHMARK(BM_StreamingCpu)->Arg(500)->Arg(50)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

