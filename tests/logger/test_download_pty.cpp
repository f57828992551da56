// The download over a real pseudo-terminal against the simulated meter
// (unpaced): the bytes, the serial port and the waits as the program runs them.
#include "MemoryImageBuilder.h"
#include "PtyDownloadMeter.h"
#include "logger/EventWait.h"
#include "logger/ImageDownload.h"
#include "logger/LoadCommand.h"
#include "logger/LoadResult.h"
#include "logger/SerialDownloadPort.h"
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

TEST(DownloadOverPty, ImageArrivesByteForByte)
{
    DownloadServer meter(smallImage());
    PtyDownloadMeter line(meter, false);
    ASSERT_TRUE(line.isOpen());
    auto port = SerialDownloadPort::open(line.devicePath());
    ASSERT_TRUE(port);
    ImageDownload download(*port, {waitProcessingMessages, [] { QCoreApplication::processEvents(); }, {}});
    EXPECT_EQ(download.DownloadImage(), LoadResult::Success);
    QByteArray served;
    line.withServer([&](DownloadServer& s) { served = s.image(); });
    EXPECT_EQ(download.image(), served);
}

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
        comm1.reset();
        comm2.reset();
    }
    DownloadPort* openDownloadPort() override
    {
        comm2 = SerialDownloadPort::open(device);
        ++downloadsOpened;
        return comm2.get();
    }
    void reopenLivePort() override
    {
        comm1 = SerialDownloadPort::open(device);  // fails while Comm2 still holds the device
        if (comm1)
            comm1->clearInput();
    }
    void waitMs(int ms) override { waitProcessingMessages(ms / 10); }
    void processMessages() override { QCoreApplication::processEvents(); }

    QString device;
    std::unique_ptr<SerialDownloadPort> comm1, comm2;
    bool mainTimer = true;
    int downloadsOpened = 0;
};

class NullDataSets : public DataSetParser {
public:
    void showDataLoggerWindow() override {}
    int ParseImage(const QByteArray& image) override { parsed << image; return LoadResult::Success; }
    int badDataSetIndex() const override { return -1; }
    int offsetBeforeBadDataSet() const override { return -1; }
    void WriteScratchFile(const QByteArray&) override {}
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
    LoadCommand command(link, dataSets, {});

    // First: code 3, "Try Again", then success. Second: code 3, "Cancel".
    prompts.dialogs.push_back([](QDialog&) { return TfrmErr::TryAgain; });
    command.LoadData1Click();
    EXPECT_EQ(link.downloadsOpened, 2);
    ASSERT_EQ(dataSets.parsed.size(), 1);
    EXPECT_EQ(dataSets.parsed[0], meter.image());
    EXPECT_TRUE(link.comm1 && !link.comm2 && link.mainTimer);

    line.withServer([](DownloadServer& s) {
        s.faults = {{BlockFault::Kind::BadChecksum, 0, 21}};
        s.setImage(s.image());
    });
    prompts.dialogs.push_back([](QDialog&) { return TfrmErr::Cancel; });
    command.LoadData1Click();
    EXPECT_EQ(link.downloadsOpened, 3);
    EXPECT_EQ(dataSets.parsed.size(), 1);
    EXPECT_TRUE(link.comm1 && !link.comm2 && link.mainTimer);
    EXPECT_FALSE(command.running());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
