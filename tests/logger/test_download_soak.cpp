// Reliability soak, run on demand (bench/soak_download.sh): hundreds of
// downloads over a pseudo-terminal against the unpaced simulated meter with
// random line faults. Every run must end with the exact image or with an
// error code; a wrong image reported as success is the one failure.
#include "MemoryImageBuilder.h"
#include "FastClock.h"
#include "PtyComm2.h"
#include "PtyDownloadMeter.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <cstdio>
#include <map>
#include <random>

using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;
using metersim::PtyDownloadMeter;

namespace {

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

std::vector<BlockFault> randomFaults(std::mt19937& rng, int blocks)
{
    std::vector<BlockFault> faults;
    std::uniform_real_distribution<double> chance(0, 1);
    std::uniform_int_distribution<int> kind(0, 3), pos(0, 64), times(1, 3), garbageLength(1, 3), byte(0, 255);
    for (int b = 0; b < blocks; ++b) {
        while (chance(rng) < 0.15) {
            BlockFault f;
            f.block = b;
            f.times = times(rng);
            f.position = pos(rng);
            switch (kind(rng)) {
            case 0: f.kind = BlockFault::Kind::BadChecksum; break;
            case 1: f.kind = BlockFault::Kind::Stall; f.position = std::max(1, f.position); f.times = 1; break;
            case 2: f.kind = BlockFault::Kind::DropByte; break;
            default:
                f.kind = BlockFault::Kind::InsertGarbage;
                f.garbage.clear();
                for (int i = garbageLength(rng); i > 0; --i)
                    f.garbage.append(char(byte(rng)));
            }
            faults.push_back(f);
        }
    }
    return faults;
}

TEST(DownloadSoak, DISABLED_RandomLineFaultsNeverGiveAWrongImage)
{
    const int runs = envInt("SOAK_RUNS", 300);
    std::mt19937 rng(unsigned(envInt("SOAK_SEED", 612)));
    FastClock fast(10);
    ScopedClock scoped(fast);
    DownloadServer meter;
    PtyDownloadMeter line(meter, false);
    ASSERT_TRUE(line.isOpen());

    std::map<int, int> codes;
    int exact = 0, wrong = 0, faultsPlanned = 0;
    std::uniform_int_distribution<int> sets(1, 3), records(0, 120), model(0, 1);
    for (int run = 0; run < runs; ++run) {
        MemoryImageBuilder b;
        b.model = model(rng) ? 612 : 618;
        for (int s = sets(rng); s > 0; --s)
            b.addDataSet(records(rng), 1 + s, s == 2);
        const QByteArray image = b.build();
        const auto faults = randomFaults(rng, int(image.size() / 64));
        faultsPlanned += int(faults.size());
        line.withServer([&](DownloadServer& s) {
            s.setImage(image);
            s.faults = faults;
        });
        PtyComm2 comm2;
        ASSERT_TRUE(comm2.open(line.devicePath()));
        const auto processMessages = [] { QCoreApplication::processEvents(); };
        const auto fastWait = [&](int ms) {
            QThread::usleep(ms * 100);  // a tenth of the program's milliseconds
            processMessages();
        };
        ImageDownload download(comm2.download, {fastWait, processMessages, {}});
        const int code = download.DownloadImage();
        ++codes[code];
        if (code == LoadResult::Success) {
            if (download.image() == image)
                ++exact;
            else
                ++wrong;
        }
    }
    std::printf("soak: %d runs, %d faults planned: %d exact images, %d wrong images reported as success\n", runs,
                faultsPlanned, exact, wrong);
    for (const auto& [code, count] : codes)
        std::printf("soak: code %d: %d runs\n", code, count);
    EXPECT_EQ(wrong, 0);
}

} // namespace
