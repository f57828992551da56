// The download's log as the user gets it in the connection log: the commands
// and blocks in hex, bad checksums, repeats, time-outs and retries, the quiet
// window the line asks for; quiet,
// whatever happens, while it is off.
#include "FakeLinePort.h"
#include "MemoryImageBuilder.h"
#include "logger/ImageDownload.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;

namespace {

QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

struct LogRow {
    const char* name;
    std::vector<BlockFault> faults;
    bool logOn;
    // Lines (or the start of lines) the log must hold, in this order.
    QStringList expected;
};

std::vector<LogRow> logRows(const QByteArray& image)
{
    const QString block0 = hexOf(DownloadServer::block(image, 0));
    const QString block2 = hexOf(DownloadServer::block(image, 2));
    const int length = int(image.size());
    return {
        {"CleanDownload", {}, true,
         {"tq612.download: sent 'c': 02 63 00 00 00 00 00 00 00 03",
          "tq612.download: opening: 'c' answered with 10 bytes",
          "tq612.download: sent 'P': 02 50 00 00 00 00 00 00 00 03",
          "tq612.download: start: 'P' answered: 02 50",
          "tq612.download: block 0 received: " + block0,
          "tq612.download: the memory announces",
          "tq612.download: sent 'y': 02 79 00 00 00 00 00 00 00 03",
          "tq612.download: block 2 received: " + block2,
          "tq612.download: sent 'Q': 02 51 00 00 00 00 00 00 00 03",
          QStringLiteral("tq612.download: ended with %1 of %1 bytes").arg(length)}},
        {"BadChecksumIsAskedAgain", {{BlockFault::Kind::BadChecksum, 2}}, true,
         {"tq612.download: block 2 received: ",
          "tq612.download: block 2: checksum bad, the bytes sum to ",
          "tq612.download: block 2 asked again with 'n', error 1 of 20",
          "tq612.download: sent 'n': 02 6e 00 00 00 00 00 00 00 03",
          "tq612.download: block 2 received: " + block2,
          QStringLiteral("tq612.download: ended with %1 of %1 bytes").arg(length)}},
        {"StalledBlockTimesOutAndIsAskedAgain", {{BlockFault::Kind::Stall, 3, 1, 20}}, true,
         {"tq612.download: time-out: block 3 stalled at 20 bytes, nothing more for 1500 ms",
          "tq612.download: block 3 asked again with 'n', error 1 of 20",
          "tq612.download: sent 'n'",
          "tq612.download: block 3 received: ",
          QStringLiteral("tq612.download: ended with %1 of %1 bytes").arg(length)}},
        {"SilentMeterRetriesTheAcknowledgementThenTimesOut", {{BlockFault::Kind::SilenceAfter, 1}}, true,
         {"tq612.download: block 1 received: ",
          "tq612.download: time-out: no answer to 'y' within 100 ms; sending 1 of 10",
          "tq612.download: time-out: no answer to 'y' within 100 ms; sending 10 of 10",
          "tq612.download: time-out: no block for 5000 ms",
          "tq612.download: ended with 128 of "}},
        {"APauseOfTheMeterShowsInTheQuietWindow", {{BlockFault::Kind::Pause, 3, 1, 32, {}, 40}}, true,
         {"tq612.download: block 0: the line must be quiet for 60 ms behind a block; largest gap of the latest 16 "
          "blocks 0 ms, no timer seen yet",
          "tq612.download: block 3: the line must be quiet for 64 ms behind a block; largest gap of the latest 16 "
          "blocks 40 ms, no timer seen yet",
          QStringLiteral("tq612.download: ended with %1 of %1 bytes").arg(length)}},
        {"OffSaysNothingEvenOnFaults",
         {{BlockFault::Kind::BadChecksum, 2}, {BlockFault::Kind::SilenceAfter, 4}}, false, {}},
    };
}

TEST(DownloadLog, TellsTheBlocksRepeatsAndTimeOutsOnlyWhenOn)
{
    MemoryImageBuilder b;
    b.addDataSet(40);
    const QByteArray image = b.build();
    for (const LogRow& row : logRows(image)) {
        SCOPED_TRACE(row.name);
        FakeClock clock;
        ScopedClock scoped(clock);
        DownloadServer meter(image);
        meter.faults = row.faults;
        FakeLinePort port(meter, clock, {}, false);
        ImageDownload download(port, {[] {}, {}});
        const LogCapture log(row.logOn ? QStringLiteral("tq612.download.debug=true") : QString());

        download.DownloadImage();

        if (!row.logOn)
            EXPECT_TRUE(log.captured().isEmpty()) << log.text().toStdString();
        const QString missing = log.firstMissing(row.expected);
        EXPECT_TRUE(missing.isEmpty()) << "missing, or out of order: " << missing.toStdString() << "\n"
                                       << log.text().toStdString();
    }
}

} // namespace
