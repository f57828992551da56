// The Load command: its checks, the error dialog and its choices, the link
// taken over and given back on every way out, and "Fixed the error ".
#include "FakeMeterPort.h"
#include "MemoryImageBuilder.h"
#include "logger/ErrorDialogUser.h"
#include "logger/LoadCommand.h"
#include "logger/LoadResult.h"
#include "logger/UErr.h"
#include "support/FakePrompts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <deque>
#include <gtest/gtest.h>

using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;

namespace {

class FakeLink : public LoggerLink {
public:
    FakeLink(DownloadPort& port, FakeClock& clock) : port(port), clock(clock) {}

    bool Connected() const override { return connected; }
    bool MeterRecording() const override { return recording; }
    bool InMainTimer() const override { return inMainTimer; }
    bool InReceive() const override { return inReceive; }
    void setMainTimerEnabled(bool enabled) override
    {
        mainTimer = enabled;
        log << (enabled ? "timer on" : "timer off");
    }
    void closePorts() override
    {
        comm2Open = comm1Open = false;
        log << "close";
    }
    DownloadPort* openDownloadPort() override
    {
        log << "open Comm2";
        comm2Open = openWorks;
        return openWorks ? &port : nullptr;
    }
    void reopenLivePort() override
    {
        comm1Open = true;
        log << "open Comm1";
    }
    void waitMs(int ms) override
    {
        clock.advance(ms);
        if (ms >= 500)
            log << QStringLiteral("wait %1").arg(ms);
        if (duringWait)
            duringWait();
    }
    void processMessages() override {}

    DownloadPort& port;
    FakeClock& clock;
    bool connected = true, recording = false, inMainTimer = false, inReceive = false;
    bool mainTimer = true, comm1Open = true, comm2Open = false, openWorks = true;
    std::function<void()> duringWait;
    QStringList log;
};

class FakeDataSets : public DataSetParser {
public:
    void showDataLoggerWindow() override { ++windowShown; }
    int ParseImage(const QByteArray& image) override
    {
        parsed << image;
        if (codes.empty())
            return LoadResult::Success;
        const int code = codes.front();
        codes.pop_front();
        return code;
    }
    int KeepGoodDataSets() override
    {
        ++keepCalls;
        return keepCode;
    }
    bool WriteScratchFile(const QByteArray& image) override
    {
        if (!scratchWritable)
            return false;
        scratch = image;
        ++scratchWrites;
        return true;
    }
    void drawDataSet(int number) override { drawn << number; }

    std::deque<int> codes;
    int keepCode = LoadResult::Success, keepCalls = 0, windowShown = 0, scratchWrites = 0;
    bool scratchWritable = true;
    QList<QByteArray> parsed;
    QByteArray scratch;
    QList<int> drawn;
};

// What the error dialog showed each time, and the answer given.
struct DialogSeen {
    QString text;
    bool fixButton;
};

class LoadCommandTest : public ::testing::Test {
protected:
    FakeClock clock;
    ScopedClock scopedClock{clock};
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    DownloadServer meter;
    FakeMeterPort port{meter, clock};
    FakeLink link{port, clock};
    FakeDataSets dataSets;
    bool unsaved = false;
    QList<DialogSeen> dialogsSeen;
    ErrorDialogUser user;  // the program's message boxes and error dialog, answered by `prompts`
    LoadCommand command{link, dataSets, user, {{}, [this] { unsaved = true; }, {}}};

    LoadCommandTest()
    {
        MemoryImageBuilder b;
        b.addDataSet(10);
        b.addDataSet(4);
        b.addDataSet(6);
        meter.setImage(b.build());
    }

    void answerDialog(int result)
    {
        prompts.dialogs.push_back([this, result](QDialog& d) {
            auto& err = static_cast<TfrmErr&>(d);
            dialogsSeen << DialogSeen{err.Label1->text(), !err.Button1->isHidden()};
            return result;
        });
    }

    // The link is back with the live receiver and the timer, and nothing is left set.
    void expectLinkGivenBack()
    {
        ASSERT_GE(link.log.size(), 5);
        EXPECT_EQ(link.log.mid(link.log.size() - 5),
                  QStringList({"close", "wait 500", "open Comm1", "wait 500", "timer on"}));
        EXPECT_TRUE(link.mainTimer);
        EXPECT_TRUE(link.comm1Open);
        EXPECT_FALSE(link.comm2Open);
        EXPECT_FALSE(command.running());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
};

TEST_F(LoadCommandTest, RefusesWithoutConnectionOrWhileRecording)
{
    link.connected = false;
    command.LoadData1Click();
    link.connected = true;
    link.recording = true;
    command.LoadData1Click();
    EXPECT_EQ(prompts.messages, QStringList({"There is no connection with meter !",
                                             "The meter is recording data, please stop recording before loading data."}));
    EXPECT_TRUE(link.log.isEmpty()) << "the link is not touched";
    EXPECT_EQ(dataSets.windowShown, 0);
    EXPECT_FALSE(command.running());
}

TEST_F(LoadCommandTest, SuccessfulLoadParsesKeepsAndDrawsTheImage)
{
    command.LoadData1Click();
    EXPECT_EQ(dataSets.windowShown, 1);
    ASSERT_EQ(dataSets.parsed.size(), 1);
    EXPECT_EQ(dataSets.parsed[0], meter.image());
    EXPECT_EQ(dataSets.scratch, meter.image());
    EXPECT_EQ(dataSets.drawn, QList<int>({1}));
    EXPECT_TRUE(unsaved);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(link.log.mid(0, 4), QStringList({"timer off", "close", "open Comm2", "wait 1000"}));
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, ParseOutcomesAreReported)
{
    struct Case { int code; const char* message; };
    const Case cases[] = {
        {LoadResult::MemoryError, "Memory error!"},
        {LoadResult::NoData, "There is not any recorded data in memory!"},
    };
    for (const Case& c : cases) {
        prompts.messages.clear();
        dataSets.codes = {c.code};
        command.LoadData1Click();
        EXPECT_EQ(prompts.messages, QStringList({c.message}));
        EXPECT_EQ(dataSets.scratchWrites, 0) << "the previous scratch file stays";
        EXPECT_FALSE(unsaved);
        expectLinkGivenBack();
    }
}

TEST_F(LoadCommandTest, AFailedScratchFileWriteFailsTheLoad)
{
    // Without the scratch file the data sets could not be saved later.
    dataSets.scratchWritable = false;
    command.LoadData1Click();
    EXPECT_FALSE(unsaved) << "nothing is marked unsaved";
    EXPECT_TRUE(dataSets.drawn.isEmpty());
    EXPECT_TRUE(dialogsSeen.isEmpty()) << "the writer has reported it; no download error";
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, TransferErrorOffersTryAgainWhichRunsAWholeNewCycle)
{
    meter.faults = {{BlockFault::Kind::BadChecksum, 1, 21}};  // the first cycle fails, the second succeeds
    answerDialog(TfrmErr::TryAgain);
    command.LoadData1Click();
    ASSERT_EQ(dialogsSeen.size(), 1);
    EXPECT_EQ(dialogsSeen[0].text, "There was error when reading data from meter");
    EXPECT_FALSE(dialogsSeen[0].fixButton);
    EXPECT_EQ(link.log.count("open Comm2"), 2);
    EXPECT_EQ(link.log.count("wait 1000"), 2);
    EXPECT_EQ(dataSets.parsed.size(), 1);
    EXPECT_EQ(dataSets.scratch, meter.image());
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, BadAnnouncedLengthEndsWithCancel)
{
    MemoryImageBuilder b;
    b.addDataSet(1);
    b.announcedLength = 131073;
    meter.setImage(b.build());
    answerDialog(TfrmErr::Cancel);
    command.LoadData1Click();
    ASSERT_EQ(dialogsSeen.size(), 1);
    EXPECT_EQ(dialogsSeen[0].text, "There was error when reading data from meter");
    EXPECT_TRUE(dataSets.parsed.isEmpty());
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, FixedTheErrorKeepsTheGoodDataSetsOrActsAsCancel)
{
    // The model keeps the data sets before the bad one, or finds none to keep.
    struct Case { int keepCode; bool unsaved; };
    for (const Case c : {Case{LoadResult::Success, true}, Case{LoadResult::DataError, false}}) {
        unsaved = false;
        dialogsSeen.clear();
        dataSets.keepCalls = 0;
        dataSets.keepCode = c.keepCode;
        dataSets.codes = {LoadResult::DataError};
        answerDialog(TfrmErr::FixError);
        command.LoadData1Click();
        ASSERT_EQ(dialogsSeen.size(), 1);
        EXPECT_EQ(dialogsSeen[0].text,
                  "Data error ! Choose Try Again to reload or Fix Error to delete the error data set.");
        EXPECT_TRUE(dialogsSeen[0].fixButton);
        EXPECT_EQ(dataSets.keepCalls, 1);
        EXPECT_EQ(dataSets.scratchWrites, 0) << "the rejected image is not kept whole";
        EXPECT_EQ(unsaved, c.unsaved);
        expectLinkGivenBack();
    }
}

TEST_F(LoadCommandTest, CancelAfterADataErrorKeepsNothing)
{
    dataSets.codes = {LoadResult::DataError};
    answerDialog(TfrmErr::Cancel);
    command.LoadData1Click();
    EXPECT_EQ(dataSets.keepCalls, 0);
    EXPECT_FALSE(unsaved);
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, PortFailureEndsSilentlyAndStillGivesTheLinkBack)
{
    link.openWorks = false;
    command.LoadData1Click();
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(dialogsSeen.isEmpty());
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, PortFailureInTheMiddleOfTheTransferRestoresEverything)
{
    class FailingPort : public FakeMeterPort {
    public:
        using FakeMeterPort::FakeMeterPort;
        void write(const QByteArray& bytes) override
        {
            if (bytes.at(1) == 'y')
                throw PortAborted("gone");
            FakeMeterPort::write(bytes);
        }
    } failing{meter, clock};
    FakeLink failingLink{failing, clock};
    LoadCommand load{failingLink, dataSets, user, {}};
    load.LoadData1Click();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(failingLink.mainTimer);
    EXPECT_TRUE(failingLink.comm1Open);
    EXPECT_FALSE(load.running());
    EXPECT_TRUE(dataSets.parsed.isEmpty());
}

TEST_F(LoadCommandTest, IsNotReenteredWhileRunning)
{
    bool sawRunning = false;
    link.duringWait = [&] {
        sawRunning = sawRunning || command.running();
        command.LoadData1Click();
    };
    command.LoadData1Click();
    link.duringWait = nullptr;
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(link.log.count("open Comm2"), 1);
    EXPECT_EQ(dataSets.parsed.size(), 1);
    expectLinkGivenBack();
}

TEST_F(LoadCommandTest, WaitsForTheReceiverAtMostTwoSecondsAndDefersInsideATick)
{
    link.inReceive = true;  // never clears
    const qint64 start = clock.tick;
    command.LoadData1Click();
    EXPECT_EQ(dataSets.parsed.size(), 1);
    EXPECT_GE(clock.tick - start, 2000);

    std::function<void()> deferred;
    LoadCommand load{link, dataSets, user, {{}, {}, [&](std::function<void()> f) { deferred = std::move(f); }}};
    link.inMainTimer = true;
    link.log.clear();
    load.LoadData1Click();
    EXPECT_TRUE(link.log.isEmpty());
    ASSERT_TRUE(deferred);
    link.inMainTimer = false;
    deferred();
    EXPECT_EQ(dataSets.parsed.size(), 2);
}

} // namespace

// A progress display whose Cancel the user presses once `cancelAt` bytes have come.
class CancellingProgress : public DownloadProgress {
public:
    explicit CancellingProgress(int cancelAt) : cancelAt(cancelAt) {}
    void setReceived(int bytes) override { received = bytes; }
    bool cancelled() const override { return received >= cancelAt; }
    const int cancelAt;
    int received = 0;
};

TEST(LoadCancel, CancelQuitsTheTransferGivesTheLinkBackAndKeepsTheDataSetsThatWereThere)
{
    FakeClock clock;
    ScopedClock scopedClock{clock};
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    MemoryImageBuilder b;
    b.addDataSet(200);
    DownloadServer meter(b.build());
    FakeMeterPort port{meter, clock};
    FakeLink link{port, clock};
    FakeDataSets dataSets;
    bool unsaved = false;
    ErrorDialogUser user;
    LoadCommand command{link, dataSets, user,
                        {[](int) { return std::make_unique<CancellingProgress>(3 * 64); },
                         [&] { unsaved = true; }, {}, {}}};
    command.LoadData1Click();

    const QByteArray commands = meter.commandsSeen;
    EXPECT_TRUE(commands.endsWith('Q')) << "the meter is told to quit";
    EXPECT_LE(commands.count('y'), 4) << "no block after the Cancel is asked for";
    EXPECT_TRUE(dataSets.parsed.isEmpty()) << "nothing of the stopped transfer is parsed";
    EXPECT_EQ(dataSets.scratchWrites, 0) << "the scratch file of the data sets that were there stays";
    EXPECT_FALSE(unsaved);
    EXPECT_TRUE(prompts.messages.isEmpty()) << "the user's own choice is not reported as an error";
    EXPECT_FALSE(link.comm2Open);
    EXPECT_TRUE(link.comm1Open && link.mainTimer) << "the link is given back";
}
