// The download over a real pseudo-terminal against the simulated meter
// (unpaced): the bytes, the serial port and the waits as the program runs them.
#include "LineFaults.h"
#include "MemoryImageBuilder.h"
#include "PtyComm2.h"
#include "PtyDownloadMeter.h"
#include "link/MeterLink.h"
#include "logger/ImageDownload.h"
#include "logger/ErrorDialogUser.h"
#include "logger/LoadCommand.h"
#include "logger/LoadResult.h"
#include "logger/UErr.h"
#include "support/FakePrompts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>

using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;
using metersim::PtyDownloadMeter;

namespace {

QByteArray smallImage()
{
    MemoryImageBuilder b;
    b.addDataSet(4);
    b.addDataSet(2, 30, true);
    return b.build();  // 257 + 48 + 32 = 337 bytes: 6 blocks
}

// Data sets past the header, so that stray bytes can fall before blocks of
// readings; a shifted block of the header's zero padding would look the same.
QByteArray imageWithDataBlocks()
{
    MemoryImageBuilder b;
    b.addDataSet(40);
    b.addDataSet(24, 30, true);
    return b.build();
}

// The meter's answers as they reach the program: byte by byte as a
// pseudo-terminal passes them, or in chunks through a USB serial adapter,
// with acknowledgements the meter answers late, stray bytes on the line and
// pauses of the meter inside its blocks.
struct LineCase {
    const char* name;
    metersim::AdapterModel adapter;
    int lateAckEvery = 0;
    bool strayBytes = false;
    int pauseEvery = 0;  // every n-th block pauses 60 ms inside
};

class DownloadThroughAdapter : public ::testing::TestWithParam<LineCase> {};

TEST_P(DownloadThroughAdapter, ImageArrivesWhole)
{
    const LineCase& c = GetParam();
    DownloadServer meter(c.strayBytes || c.pauseEvery ? imageWithDataBlocks() : smallImage());
    meter.lateAckEvery = c.lateAckEvery;
    meter.pauseEvery = c.pauseEvery;
    meter.pauseMs = 60;
    if (c.strayBytes) {
        const QByteArray image = meter.image();
        ASSERT_NE(image.mid(5 * 64, 64), image.mid(6 * 64, 64)) << "blocks of readings that differ";
        meter.faults = {{BlockFault::Kind::InsertGarbage, 5, 1, 0, strayByteWithMatchingChecksum(image, 5)},
                        {BlockFault::Kind::InsertGarbage, 7, 2, 0, QByteArray(5, char(0xFF))}};
    }
    PtyDownloadMeter line(meter, false, c.adapter);
    ASSERT_TRUE(line.isOpen());
    PtyComm2 comm2;
    ASSERT_TRUE(comm2.open(line.devicePath()));
    ImageDownload download(comm2.download, {[] { QCoreApplication::processEvents(); }, {}});
    const int result = download.DownloadImage();
    QByteArray served;
    line.withServer([&](DownloadServer& s) { served = s.image(); });
    // Stray bytes may cost the download (a failure the user is told), but a
    // block read out of step must never come back as success.
    if (c.strayBytes && result != LoadResult::Success)
        return;
    EXPECT_EQ(result, LoadResult::Success);
    EXPECT_EQ(download.image(), served);
}

INSTANTIATE_TEST_SUITE_P(Lines, DownloadThroughAdapter, ::testing::Values(
    LineCase{"ByteByByte", {}},
    LineCase{"Chunks16Every16ms", {16, 16}},
    LineCase{"Chunks64Every40msLateAnswers", {64, 40}, 2},
    LineCase{"Chunks7Every25msLateAnswers", {7, 25}, 3},
    // Chunks that end right after the shifted block, its last byte held back.
    LineCase{"Chunks13Every16msStrayBytes", {13, 16}, 0, true},
    LineCase{"Chunks5Every40msStrayBytes", {5, 40}, 0, true},
    LineCase{"ByteByByteStrayBytes", {}, 0, true},
    LineCase{"Chunks62Every16msStrayBytesLateAnswers", {62, 16}, 2, true},
    LineCase{"Chunks64Every40msStrayBytes", {64, 40}, 0, true},
    LineCase{"ByteByBytePausesEvery3Blocks", {}, 0, false, 3},
    LineCase{"Chunks13Every16msStrayBytesPausesEvery4Blocks", {13, 16}, 0, true, 4}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// The link of the program with both ports on the pty; waits run at a tenth
// of their length, which the unpaced meter does not notice.
class PtyLink : public LoggerLink {
public:
    explicit PtyLink(QString device) : device(std::move(device)) {}
    bool Connected() const override { return true; }
    bool MeterRecording() const override { return false; }
    bool InMainTimer() const override { return false; }
    bool InReceive() const override { return false; }
    void setMainTimerEnabled(bool enabled) override { mainTimer = enabled; }
    void closePorts() override
    {
        comm1.close();
        comm2.close();
    }
    DownloadPort* openDownloadPort() override
    {
        ++downloadsOpened;
        return comm2.open(device) ? &comm2.download : nullptr;
    }
    void reopenLivePort() override
    {
        comm1.open(device);  // fails while Comm2 still holds the device
        comm1.port.ClearInput();
    }
    void waitMs(int ms) override { MeterLink::WaitMs(ms / 10); }
    void processMessages() override { QCoreApplication::processEvents(); }

    QString device;
    PtyComm2 comm1, comm2;  // Comm1 stands in for the live port
    bool mainTimer = true;
    int downloadsOpened = 0;
};

class NullDataSets : public DataSetParser {
public:
    void showDataLoggerWindow() override {}
    int ParseImage(const QByteArray& image) override { parsed << image; return LoadResult::Success; }
    int KeepGoodDataSets() override { return LoadResult::DataError; }
    bool WriteScratchFile(const QByteArray&) override { return true; }
    void drawDataSet(int) override {}
    QList<QByteArray> parsed;
};

TEST(DownloadOverPty, TryAgainAfterAnIncompleteTransferAndTheLinkComesBackEachTime)
{
    DownloadServer meter(smallImage());
    meter.faults = {{BlockFault::Kind::BadChecksum, 2, 21}};
    PtyDownloadMeter line(meter, false);
    ASSERT_TRUE(line.isOpen());
    PtyLink link(line.devicePath());
    NullDataSets dataSets;
    FakePrompts prompts;
    ScopedPrompts scoped(prompts);
    ErrorDialogUser user;
    LoadCommand command(link, dataSets, user, {});

    // First: code 3, "Try Again", then success. Second: code 3, "Cancel".
    prompts.dialogs.push_back([](QDialog&) { return TfrmErr::TryAgain; });
    command.LoadData1Click();
    EXPECT_EQ(link.downloadsOpened, 2);
    ASSERT_EQ(dataSets.parsed.size(), 1);
    EXPECT_EQ(dataSets.parsed[0], meter.image());
    EXPECT_TRUE(link.comm1.port.Active() && !link.comm2.port.Active() && link.mainTimer);

    line.withServer([](DownloadServer& s) {
        s.faults = {{BlockFault::Kind::BadChecksum, 0, 21}};
        s.setImage(s.image());
    });
    prompts.dialogs.push_back([](QDialog&) { return TfrmErr::Cancel; });
    command.LoadData1Click();
    EXPECT_EQ(link.downloadsOpened, 3);
    EXPECT_EQ(dataSets.parsed.size(), 1);
    EXPECT_TRUE(link.comm1.port.Active() && !link.comm2.port.Active() && link.mainTimer);
    EXPECT_FALSE(command.running());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
