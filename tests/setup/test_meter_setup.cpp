// The setup commands against the simulated meter: each operation alone, ALL,
// meters that stay silent or answer wrongly, and the link given back after
// every ending.
#include "SetupFixture.h"

#include "DownloadServer.h"
#include "app/Regional.h"
#include "support/LogCapture.h"

#include <QRegularExpression>
#include <chrono>
#include <thread>

namespace {

int bigEndian(const QByteArray& b, int offset, int size)
{
    int v = 0;
    for (int i = 0; i < size; ++i)
        v = v << 8 | quint8(b[offset + i]);
    return v;
}

} // namespace

using MeterSetupSim = SetupFixture;

TEST_F(MeterSetupSim, AdjustMeterTimeSetsTheMetersClockAndShowsItsAnswer)
{
    ASSERT_TRUE(setup.AdjustMeterTime(true));
    EXPECT_EQ(setup.display.lblsetuptime, QStringLiteral("OK"));
    ASSERT_EQ(prompts.messages.size(), 1);
    static const QRegularExpression expected(QStringLiteral(
        "^Meter time updated successfully \nToday is Day 06 of Month 05 of Year 2031\n"
        "The time is Second(09|10) of Minute 08 of Hour 07$"));
    EXPECT_TRUE(expected.match(prompts.messages[0]).hasMatch()) << prompts.messages[0].toStdString();

    const QDateTime meterNow = QDateTime::currentDateTime().addMSecs(sim->snapshot().clockOffsetMs);
    EXPECT_LE(std::abs(meterNow.secsTo(clock.current)), 2);
    // The opening command, then the clock access, the clock and the confirm.
    const QList<QByteArray> words = commandWords();
    ASSERT_EQ(words.size(), 4);
    EXPECT_EQ(words[0], QByteArray("c\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(words[1], QByteArray("rtc\0\0\0\0\0", 8));
    EXPECT_EQ(words[2], QByteArray("\x31\x05\x06\x07\x08\x09\x08\x00", 8));
    EXPECT_EQ(words[3], QByteArray("tic\0\0\0\0\0", 8));
    EXPECT_TRUE(f.host.noConnectionVisible) << "the panel shows No Connection until frames come back";
    expectLinkGivenBack();
}

TEST_F(MeterSetupSim, AdjustRecordingIntervalWritesTheMetersInterval)
{
    ASSERT_TRUE(setup.AdjustRecordingInterval(true, QStringLiteral("59"), QStringLiteral("60")));
    EXPECT_EQ(setup.display.lblsetupint, QStringLiteral("OK"));
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Recording Interval Setup Successfully")});
    const QByteArray image = sim->memoryImage();
    EXPECT_EQ(quint8(image[14]), 0x59);
    EXPECT_EQ(quint8(image[15]), 0x60);
    EXPECT_EQ(commandWords().last(), QByteArray("int\x59\x60\0\0\0", 8));
    expectLinkGivenBack();
}

TEST_F(MeterSetupSim, InvalidIntervalSendsNothingAndFails)
{
    EXPECT_FALSE(setup.AdjustRecordingInterval(true, QStringLiteral("00"), QStringLiteral("00")));
    EXPECT_EQ(setup.display.lblsetupint, QStringLiteral("fail"));
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Recording Interval Setup Fail")});
    EXPECT_TRUE(commandWords().isEmpty());
    expectLinkGivenBack();
}

TEST_F(MeterSetupSim, EraseMeterMemoryLeavesNoDataSets)
{
    ASSERT_EQ(bigEndian(sim->memoryImage(), 9, 2), 2);
    ASSERT_TRUE(setup.EraseMeterMemory(true));
    EXPECT_EQ(setup.display.lblerase, QStringLiteral("OK"));
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Memory erased successfully")});
    const QByteArray image = sim->memoryImage();
    EXPECT_EQ(bigEndian(image, 9, 2), 0);
    EXPECT_EQ(bigEndian(image, 11, 3), metersim::MemoryImageBuilder::HeaderLength);
    EXPECT_EQ(quint8(image[14]), 0x01) << "the interval stays";
    expectLinkGivenBack();
}

TEST_F(MeterSetupSim, ReadMeterInformationFillsTheFieldsAndLowersTheReplyTimeout)
{
    ASSERT_TRUE(setup.ReadMeterInformation(true));
    const MeterSetup::Display& d = setup.display;
    EXPECT_EQ(d.lblread, QStringLiteral("OK"));
    EXPECT_EQ(d.lblFirmwareVersion, QStringLiteral("21"));
    const auto meterTime = Regional::parseDateTime(d.lblMeterTime);
    ASSERT_TRUE(meterTime) << d.lblMeterTime.toStdString();
    EXPECT_LE(std::abs(DateTime::toQDateTime(*meterTime).secsTo(QDateTime::currentDateTime())), 2);
    EXPECT_EQ(d.lblDataSets, QStringLiteral("2"));
    EXPECT_EQ(d.lblInt, QStringLiteral("01:30(mm:ss)"));
    const int used = 257 + 2 * (10 * 8 + 16);
    EXPECT_EQ(d.lblMemoryAvailable, QString::number((128256 - used) / 8));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(d.parameters[std::size_t(i)], QStringLiteral("%1").arg(0x20 + i, 2, 16).toUpper());
    EXPECT_TRUE(prompts.messages.isEmpty()) << "Read shows no message";
    EXPECT_EQ(setup.ReplyTimeout, 1000);
    EXPECT_EQ(commandWords().last().left(1), QByteArray("Q"));
    EXPECT_FALSE(sim->downloading()) << "the meter was let go";
    expectLinkGivenBack();
    // Live frames come back once the link runs again.
    f.link.FrameSeen = false;
    EXPECT_TRUE(waitUntil([&] { return f.link.FrameSeen; }));
}

TEST_F(MeterSetupSim, AllRunsEveryStepInOneCommandModeWithoutMessages)
{
    setup.All(QStringLiteral("00"), QStringLiteral("05"));
    const MeterSetup::Display& d = setup.display;
    EXPECT_EQ(d.lblsetuptime, QStringLiteral("OK"));
    EXPECT_EQ(d.lblsetupint, QStringLiteral("OK"));
    EXPECT_EQ(d.lblerase, QStringLiteral("OK"));
    EXPECT_EQ(d.lblread, QStringLiteral("OK"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    // Read comes after the interval and the erase, and shows both.
    EXPECT_EQ(d.lblInt, QStringLiteral("00:05(mm:ss)"));
    EXPECT_EQ(d.lblDataSets, QStringLiteral("0"));
    EXPECT_EQ(d.lblMemoryAvailable, QString::number((128256 - 257) / 8));
    int openings = 0;
    for (const QByteArray& w : commandWords())
        openings += w.startsWith('c');
    EXPECT_EQ(openings, 1);
    expectLinkGivenBack();
}

TEST_F(MeterSetupSim, AllGoesOnAfterAFailingStep)
{
    {
        auto locked = sim->lock();
        sim->registerHandler(QByteArray("erase"), [](metersim::MeterSim&, const QByteArray&) {});
    }
    setup.ReplyTimeout = 1000;  // the erase that never answers fails sooner
    setup.All(QStringLiteral("00"), QStringLiteral("05"));
    const MeterSetup::Display& d = setup.display;
    EXPECT_EQ(d.lblsetuptime, QStringLiteral("OK"));
    EXPECT_EQ(d.lblsetupint, QStringLiteral("OK"));
    EXPECT_EQ(d.lblerase, QStringLiteral("fail"));
    EXPECT_EQ(d.lblread, QStringLiteral("OK"));
    EXPECT_EQ(d.lblDataSets, QStringLiteral("2")) << "nothing was erased";
    EXPECT_TRUE(prompts.messages.isEmpty());
    expectLinkGivenBack();
}

TEST_F(MeterSetupSim, OpeningCommandStaysCAfterEarlierCommands)
{
    ASSERT_TRUE(setup.AdjustMeterTime(true));
    ASSERT_TRUE(setup.ReadMeterInformation(true));
    sim->clearCommands();
    ASSERT_TRUE(setup.EraseMeterMemory(true));
    const QList<QByteArray> words = commandWords();
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[0], QByteArray("cic\0\0\0\0\0", 8)) << "c, with what the last commands left";
    EXPECT_EQ(words[1], QByteArray("erase\0\0\0", 8));
}

TEST_F(MeterSetupSim, SilentMeterFailsEveryOperationWithItsCodeAndGivesTheLinkBack)
{
    sim->setSilent(true);
    EXPECT_FALSE(setup.AdjustMeterTime(true));
    EXPECT_EQ(setup.lastClockError, MeterSetup::NoAccessReply);
    EXPECT_FALSE(setup.AdjustRecordingInterval(true, QStringLiteral("00"), QStringLiteral("02")));
    EXPECT_FALSE(setup.EraseMeterMemory(true));
    EXPECT_FALSE(setup.ReadMeterInformation(true));
    EXPECT_EQ(prompts.messages, (QStringList{QStringLiteral("Meter time updated fail, Error Code is 2"),
                                             QStringLiteral("Recording Interval Setup Fail"),
                                             QStringLiteral("Memory erased fail")}));
    const MeterSetup::Display& d = setup.display;
    for (const QString& label : {d.lblsetuptime, d.lblsetupint, d.lblerase, d.lblread})
        EXPECT_EQ(label, QStringLiteral("fail"));
    EXPECT_TRUE(d.lblFirmwareVersion.isEmpty());
    expectLinkGivenBack();
}

// The setup log as the user gets it in the connection log: each frame sent
// and each reply in hex, the reply that did not come with the wait it had.
TEST_F(MeterSetupSim, LogShowsTheFramesInHexAndTheTimeOutsOnlyWhenOn)
{
    const QString intervalFrame = QStringLiteral("02 69 6e 74 01 30 00 00 00 03");
    struct Case {
        const char* name;
        bool silent;
        bool logOn;
        // Lines (or the start of lines) the log must hold, in this order.
        QStringList expected;
    } cases[] = {
        {"answered", false, true,
         {"tq612.setup: command mode on " + sim->portPath(),
          "tq612.setup: sent: 02 63 00 00 00 00 00 00 00 03",
          "tq612.setup: sent: " + intervalFrame,
          "tq612.setup: reply: " + intervalFrame,
          "tq612.setup: interval done",
          "tq612.setup: command mode left"}},
        {"silent meter", true, true,
         {"tq612.setup: sent: " + intervalFrame,
          "tq612.setup: time-out: 0 of 10 reply bytes within 2500 ms",
          "tq612.setup: interval failed"}},
        {"off", true, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim->setSilent(c.silent);
        const LogCapture log(c.logOn ? QStringLiteral("tq612.setup.debug=true") : QString());
        EXPECT_EQ(setup.AdjustRecordingInterval(true, QStringLiteral("1"), QStringLiteral("30")), !c.silent);
        if (!c.logOn)
            EXPECT_TRUE(log.captured().isEmpty()) << log.text().toStdString();
        const QString missing = log.firstMissing(c.expected);
        EXPECT_TRUE(missing.isEmpty()) << "missing, or out of order: " << missing.toStdString() << "\n"
                                       << log.text().toStdString();
    }
}

TEST_F(MeterSetupSim, OddAnswersFailWithTheirCodes)
{
    struct Case {
        const char* name;
        std::function<void(metersim::MeterSim&)> meter;
        std::function<bool(MeterSetup&)> operation;
        int clockError;
    };
    const auto echo = [](metersim::MeterSim& s, const QByteArray& frame) { s.send(frame); };
    const Case cases[] = {
        {"clock access answered without r",
         [](metersim::MeterSim& s) {
             s.registerHandler(QByteArray("rtc"), [](metersim::MeterSim& m, const QByteArray&) {
                 m.send(QByteArray("\x02xtc\0\0\0\0\0\x03", 10));
             });
         },
         [](MeterSetup& m) { return m.AdjustMeterTime(true); }, MeterSetup::WrongAccessReply},
        {"clock frame unanswered",
         [echo](metersim::MeterSim& s) { s.registerHandler(QByteArray("rtc"), echo); },
         [](MeterSetup& m) { return m.AdjustMeterTime(true); }, MeterSetup::NoSetClockReply},
        {"clock confirm unanswered",
         [](metersim::MeterSim& s) { s.registerHandler(QByteArray("ti"), [](metersim::MeterSim&, const QByteArray&) {}); },
         [](MeterSetup& m) { return m.AdjustMeterTime(true); }, MeterSetup::NoConfirmReply},
        {"erase echoed with 11 bytes",
         [](metersim::MeterSim& s) {
             s.registerHandler(QByteArray("erase"), [](metersim::MeterSim& m, const QByteArray& frame) { m.send(frame + '\x03'); });
         },
         [](MeterSetup& m) { return m.EraseMeterMemory(true); }, -1},
        {"erase echo differs",
         [](metersim::MeterSim& s) {
             s.registerHandler(QByteArray("erase"), [](metersim::MeterSim& m, const QByteArray&) {
                 m.send(QByteArray("\x02" "erasX\0\0\x03", 10));
             });
         },
         [](MeterSetup& m) { return m.EraseMeterMemory(true); }, -1},
        {"interval echo differs",
         [](metersim::MeterSim& s) {
             s.registerHandler(QByteArray("int"), [](metersim::MeterSim& m, const QByteArray& frame) {
                 QByteArray wrong = frame;
                 wrong[5] = 0x01;
                 m.send(wrong);
             });
         },
         [](MeterSetup& m) { return m.AdjustRecordingInterval(true, QStringLiteral("01"), QStringLiteral("00")); }, -1},
        {"meter clock is no date",
         [](metersim::MeterSim& s) {
             s.registerHandler(QByteArray("ti"), [](metersim::MeterSim& m, const QByteArray&) {
                 m.send(QByteArray("\x26\x13\x01\x00\x00\x00\x00\x00", 8));
             });
         },
         [](MeterSetup& m) { return m.ReadMeterInformation(true); }, -1},
        {"start refused",
         [](metersim::MeterSim& s) { s.downloadServer().answerStart = false; },
         [](MeterSetup& m) { return m.ReadMeterInformation(true); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            auto locked = sim->lock();
            c.meter(*sim);
        }
        MeterSetup fresh(f.link, f.host, f.mainTimer);
        fresh.showMessage = messageBox;
        fresh.ReplyTimeout = 1000;
        EXPECT_FALSE(c.operation(fresh));
        if (c.clockError >= 0)
            EXPECT_EQ(fresh.lastClockError, c.clockError);
        expectLinkGivenBack();
        // The next case starts from a meter of its own.
        ASSERT_NO_FATAL_FAILURE(restartMeter());
    }
}

TEST_F(MeterSetupSim, ClosedPortEndsEveryOperationAsAFailureWithTheLinkBack)
{
    f.link.Comm1.Close();
    EXPECT_FALSE(setup.AdjustMeterTime(true));
    EXPECT_EQ(setup.lastClockError, MeterSetup::ClockOk) << "entering command mode failed";
    EXPECT_FALSE(setup.AdjustRecordingInterval(true, QStringLiteral("00"), QStringLiteral("02")));
    EXPECT_FALSE(setup.EraseMeterMemory(true));
    EXPECT_FALSE(setup.ReadMeterInformation(true));
    EXPECT_EQ(prompts.messages[0], QStringLiteral("Meter time updated fail, Error Code is 0"));
    setup.All(QStringLiteral("00"), QStringLiteral("02"));
    EXPECT_EQ(setup.display.lblread, QStringLiteral("fail"));
    EXPECT_TRUE(f.mainTimer.isActive());
}

TEST_F(MeterSetupSim, LoweredReplyTimeoutMakesASlowAnswerFail)
{
    // A meter that answers the erase after 1.5 s (program time).
    {
        auto locked = sim->lock();
        const int lateMs = 1500 / clock.factor;
        sim->registerHandler(QByteArray("erase"), [lateMs](metersim::MeterSim& m, const QByteArray& frame) {
            std::thread([&m, frame, lateMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
                auto locked = m.lock();
                m.send(frame);
            }).detach();
        });
    }
    EXPECT_TRUE(setup.EraseMeterMemory(true)) << "2.5 s allowed";
    ASSERT_TRUE(setup.ReadMeterInformation(true));
    EXPECT_FALSE(setup.EraseMeterMemory(true)) << "1 s allowed after a read";
    QThread::msleep(1500 / clock.factor + 50);  // the late answer goes out before the meter does
}

TEST_F(MeterSetupSim, AllStartsEachStepWithoutWhatAFailedStepLeft)
{
    // An answer one byte too long leaves that byte behind; the step that got it
    // may fail, the next step must not.
    struct Case {
        const char* word;
        const char* failed;  // the label of the failing step, if any
        QByteArray answer;   // the answer without its extra byte; empty: the command echoed
    };
    const Case cases[] = {
        {"int", "lblsetupint", {}},
        {"erase", "lblerase", {}},
        // The clock's confirmation (the read step asks the clock again later).
        {"ti", "lblsetuptime", QByteArray("\x26\x12\x10\x12\x00\x00\x00\x00", 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        {
            auto locked = sim->lock();
            // Only the first answer is too long.
            sim->registerHandler(QByteArray(c.word), [answer = c.answer, extra = QByteArray("\x03")](
                                                         metersim::MeterSim& m, const QByteArray& frame) mutable {
                m.send((answer.isEmpty() ? frame : answer) + std::exchange(extra, QByteArray()));
            });
        }
        MeterSetup fresh(f.link, f.host, f.mainTimer);
        fresh.All(QStringLiteral("00"), QStringLiteral("05"));
        const MeterSetup::Display& d = fresh.display;
        const std::pair<const char*, QString> labels[] = {
            {"lblsetuptime", d.lblsetuptime}, {"lblsetupint", d.lblsetupint},
            {"lblerase", d.lblerase}, {"lblread", d.lblread}};
        for (const auto& [name, text] : labels)
            EXPECT_EQ(text, QLatin1String(qstrcmp(name, c.failed) == 0 ? "fail" : "OK")) << name;
        EXPECT_EQ(d.lblFirmwareVersion.size(), 2) << "the version answer was read whole";
        expectLinkGivenBack();
        ASSERT_NO_FATAL_FAILURE(restartMeter());
    }
}

// Every answer of the meter through USB serial adapters that hand bytes
// over in chunks: ALL still does each step.
class SetupThroughAdapter : public SetupFixture, public ::testing::WithParamInterface<metersim::AdapterModel> {};

TEST_P(SetupThroughAdapter, AllDoesEveryStep)
{
    sim->setAdapter(GetParam());
    setup.All(QStringLiteral("01"), QStringLiteral("30"));
    const MeterSetup::Display& d = setup.display;
    for (const QString* label : {&d.lblsetuptime, &d.lblsetupint, &d.lblerase, &d.lblread})
        EXPECT_EQ(*label, QStringLiteral("OK"));
    EXPECT_EQ(d.lblInt, QStringLiteral("01:30(mm:ss)"));
    EXPECT_EQ(d.lblDataSets, QStringLiteral("0"));
    EXPECT_EQ(d.parameters[0], QStringLiteral("20"));
    EXPECT_EQ(d.parameters[11], QStringLiteral("2B"));
    expectLinkGivenBack();
}

INSTANTIATE_TEST_SUITE_P(Adapters, SetupThroughAdapter,
                         ::testing::Values(metersim::AdapterModel{1, 0}, metersim::AdapterModel{16, 16},
                                           metersim::AdapterModel{64, 40}));
