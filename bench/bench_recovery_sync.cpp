// What keeping the recovery file on the disk costs. Every sample of a
// real-time run is appended to the run's recovery file and synced to the
// disk (fdatasync) by a thread of its own, at most once a second. Goals:
// under 0.1 % of one core at one sample a second, and a sample's line on
// the disk within 50 ms at the median.
//
// BM_SampleLineToDisk appends one sample and waits until its sync is done:
// the latency to the disk (median, 90th percentile, worst) and the processor
// time of all threads per sample, with the share of one core that makes at
// one sample a second. BM_OneSamplePerSecond records at the real pace through
// the session for TQ612_BENCH_SYNC_SECONDS (default 5) and reports the share
// of one core the whole process used meanwhile.
//
// The files go to TQ612_BENCH_DIR (default: the temporary folder); the label
// names its file system, since a tmpfs syncs for nothing.
#include "app/Settings.h"
#include "realtime/RealTimeSession.h"
#include "realtime/RunFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr TDateTime Start = 46143.5;
const RealTimeRecovery::Readings Reading{21.5f, -3.2f, 1500.0f, 30.0f};

double processCpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString benchFolder()
{
    const QString dir = qEnvironmentVariable("TQ612_BENCH_DIR");
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

// The file system under `path`, by name where it is a common one.
std::string fileSystemOf(const QString& path)
{
    struct statfs fs {};
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return "unknown file system";
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53: return "ext4";
    case 0x01021994: return "tmpfs (syncs cost nothing)";
    case 0x9123683E: return "btrfs";
    case 0x58465342: return "xfs";
    case 0x794C7630: return "overlayfs";
    default: {
        char hex[32];
        std::snprintf(hex, sizeof hex, "fs 0x%lx", static_cast<unsigned long>(fs.f_type));
        return hex;
    }
    }
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

void BM_SampleLineToDisk(benchmark::State& state)
{
    QTemporaryDir dir(benchFolder() + QStringLiteral("/tq612-bench-XXXXXX"));
    state.SetLabel(fileSystemOf(dir.path()) + " at " + dir.path().toStdString());
    // No gap: each sample's own sync, as at one sample a second.
    RealTimeRecovery::RunFile file(0ms);
    if (!file.create(dir.path() + QLatin1Char('/'), Start, 1'000'000)) {
        state.SkipWithError(file.errorString().toStdString().c_str());
        return;
    }
    file.waitUntilOnDisk(10s);
    std::vector<double> latencies;
    const double cpuBefore = processCpuSeconds();
    int k = 0;
    for (auto _ : state) {
        const auto begin = SteadyClock::now();
        file.append(Start + k++ * DateTime::OneSecond, Reading);
        if (!file.waitUntilOnDisk(10s)) {
            state.SkipWithError("a sync failed or took over 10 s");
            return;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - begin).count());
    }
    const double cpuPerSample = (processCpuSeconds() - cpuBefore) / double(latencies.size());
    state.counters["median_ms"] = percentile(latencies, 0.5);
    state.counters["p90_ms"] = percentile(latencies, 0.9);
    state.counters["worst_ms"] = percentile(latencies, 1.0);
    state.counters["cpu_us_per_sample"] = cpuPerSample * 1e6;
    state.counters["pct_of_core_at_1_per_s"] = cpuPerSample * 100;
}
BENCHMARK(BM_SampleLineToDisk)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OneSamplePerSecond(benchmark::State& state)
{
    QTemporaryDir dir(benchFolder() + QStringLiteral("/tq612-bench-XXXXXX"));
    state.SetLabel(fileSystemOf(dir.path()) + " at " + dir.path().toStdString());
    const int seconds = qEnvironmentVariableIsSet("TQ612_BENCH_SYNC_SECONDS")
        ? std::max(1, qEnvironmentVariableIntValue("TQ612_BENCH_SYNC_SECONDS"))
        : 5;
    for (auto _ : state) {
        AppSettings settings;
        const QString documents = dir.path() + QLatin1Char('/');
        RealTimeSession session(settings, documents);
        session.setKeepsSamples(false);
        session.startRun(Start, 1'000'000);
        const auto begin = SteadyClock::now();
        const double cpuBefore = processCpuSeconds();
        for (int k = 0; k < seconds; ++k) {
            std::this_thread::sleep_until(begin + k * 1s);
            session.TakeSample(Start + k * DateTime::OneSecond, Reading);
        }
        // The last sample's sync belongs to the run too.
        std::this_thread::sleep_until(begin + seconds * 1s);
        const double cpu = processCpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(SteadyClock::now() - begin).count();
        state.counters["pct_of_core"] = cpu / wall * 100;
        state.counters["cpu_us_per_sample"] = cpu / seconds * 1e6;
        session.discardRecovery();
    }
}
BENCHMARK(BM_OneSamplePerSecond)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
