// Real Time > Schedule... on the fake clock: a run from 22:00 to 06:00 that
// asks nothing, saving the unsaved run before it to a file of its own first;
// a save that fails keeps those samples and does not start the run; a run
// that starts at the first alarm and stops after a number of samples.
#include "AlarmWindowFixture.h"

#include "alarm/USchedule.h"
#include "realtime/ScheduledRun.h"
#include "files/GraphFile.h"
#include "support/UnwritableFolder.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

namespace {

const QDate Day(2026, 12, 10);

// The choices of Real Time > Schedule...
struct ScheduleChoice {
    std::optional<QDateTime> startAt;
    bool startOnAlarm = false;
    std::optional<int> samples;
    std::optional<QTime> stopAt;
};

} // namespace

class ScheduledRunTest : public AlarmWindowTest {
protected:
    int schedule(const ScheduleChoice& choice)
    {
        int result = QDialog::Rejected;
        prompts.dialogs.push_back([=, &result](QDialog& d) {
            auto& dialog = dynamic_cast<TfrmSchedule&>(d);
            dialog.chkStartAt->setChecked(choice.startAt.has_value());
            if (choice.startAt)
                dialog.edtStartAt->setDateTime(*choice.startAt);
            dialog.chkStartOnAlarm->setChecked(choice.startOnAlarm);
            dialog.chkCount->setChecked(choice.samples.has_value());
            if (choice.samples)
                dialog.edtCount->setValue(*choice.samples);
            dialog.chkStopAt->setChecked(choice.stopAt.has_value());
            if (choice.stopAt)
                dialog.edtStopAt->setTime(*choice.stopAt);
            dialog.accept();
            result = dialog.result();
            return result;
        });
        main->Schedule1Click();
        return result;
    }

    // Moves the clock on to two ticks before `moment`, as a program left alone would get there.
    void skipTo(const QDateTime& moment)
    {
        clock.advance(clock.current.msecsTo(moment) - 2000);
    }

    // Five samples of a run by hand, stopped and not saved.
    void unsavedRun()
    {
        setReadings(11, 12, 13, 14);
        startRun(5, 60);
        driver.ticks(5 * 60);
        ASSERT_FALSE(main->Session.RealTimeRunning());
        ASSERT_TRUE(main->Session.RealTimeUnsaved());
        ASSERT_EQ(main->Session.SampleCount(), 5);
    }

    QStringList savedFiles(const QString& folder) const
    {
        return QDir(folder).entryList({QStringLiteral("*.ghf")}, QDir::Files);
    }
};

TEST_F(ScheduledRunTest, OvernightSavesTheRunBeforeAndRecordsFromTenToSixAskingNothing)
{
    clock.current = QDateTime(Day, QTime(18, 30));
    unsavedRun();
    const QDateTime earlierStart = QDateTime(Day, QTime(18, 30));
    ASSERT_EQ(schedule({QDateTime(Day, QTime(22, 0)), false, {}, QTime(6, 0)}), QDialog::Accepted);
    EXPECT_TRUE(main->StatusSchedule->text().startsWith(QStringLiteral("Scheduled run starts at ")));
    prompts.messages.clear();

    skipTo(QDateTime(Day, QTime(22, 0)));
    driver.tick();
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_TRUE(savedFiles(docs.path()).isEmpty());
    driver.tick();   // 22:00:00
    ASSERT_TRUE(main->Session.RealTimeRunning());
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join('\n').toStdString();
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_DOUBLE_EQ(main->Session.startTime(), DateTime::fromQDateTime(QDateTime(Day, QTime(22, 0))));
    EXPECT_EQ(chart().Points(), 8 * 60 + 1);   // one a minute, 22:00 to 06:00 with both ends

    // The samples before are in a graph file of their own, named after their start.
    const QString name = QStringLiteral("Real-Time %1.ghf").arg(earlierStart.toString("yyyy-MM-dd HH-mm-ss"));
    ASSERT_EQ(savedFiles(docs.path()), QStringList{name});
    EXPECT_EQ(main->statusBar()->currentMessage(),
              QStringLiteral("The scheduled Real-Time run began; the run before it was saved to %1.")
                  .arg(QDir::toNativeSeparators(docs.filePath(name))));
    PESGraph saved;
    ASSERT_TRUE(LoadGraphFile(saved, docs.filePath(name)));
    ASSERT_EQ(saved.Points(), 5);
    for (int p = 0; p < 5; ++p)
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(saved.YData(c, p), 11.0f + c) << c << ' ' << p;

    // The night passes; no sample is taken after 06:00.
    driver.ticks(60 * 60);
    EXPECT_EQ(main->Session.SampleCount(), 60);
    skipTo(QDateTime(Day.addDays(1), QTime(5, 59)));
    driver.ticks(60 + 120);
    EXPECT_FALSE(main->Session.RealTimeRunning());
    const int taken = main->Session.SampleCount();
    const TDateTime last = chart().XDataII(0, taken - 1);
    EXPECT_LE(last, DateTime::fromQDateTime(QDateTime(Day.addDays(1), QTime(6, 0))));
    EXPECT_GT(last, DateTime::fromQDateTime(QDateTime(Day.addDays(1), QTime(5, 58))));
    EXPECT_EQ(main->statusBar()->currentMessage(), QStringLiteral("The scheduled Real-Time run ended."));
    EXPECT_FALSE(main->StatusSchedule->isVisibleTo(main.get()));
    EXPECT_TRUE(main->Session.RealTimeUnsaved());   // the night's samples wait for the user
}

TEST_F(ScheduledRunTest, ASaveThatFailsKeepsTheSamplesAndTheRunDoesNotStart)
{
    clock.current = QDateTime(Day, QTime(18, 30));
    unsavedRun();
    QTemporaryDir scratch;
    main->DocumentFolder = unwritableFolder(scratch) + QLatin1Char('/');
    const QStringList before = savedFiles(main->DocumentFolder);
    ASSERT_EQ(schedule({QDateTime(Day, QTime(22, 0)), false, {}, QTime(6, 0)}), QDialog::Accepted);

    skipTo(QDateTime(Day, QTime(22, 0)));
    driver.ticks(5);
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_TRUE(main->Session.RealTimeUnsaved());
    EXPECT_EQ(main->Session.SampleCount(), 5);
    EXPECT_FLOAT_EQ(chart().YData(0, 4), 11.0f);
    EXPECT_EQ(savedFiles(main->DocumentFolder), before);
    EXPECT_TRUE(main->statusBar()->currentMessage().startsWith(QStringLiteral(
        "The scheduled Real-Time run did not start: the samples of the run before could not be saved")))
        << main->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(main->statusBar()->currentMessage().endsWith(QStringLiteral("They are still in the Real-Time graph.")));
    EXPECT_EQ(main->StatusSchedule->text(), QStringLiteral("Scheduled run not started"));
    // The schedule is over: nothing starts later either.
    driver.ticks(120);
    EXPECT_FALSE(main->Session.RealTimeRunning());
}

TEST_F(ScheduledRunTest, TheFirstAlarmStartsARunOfANumberOfSamples)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}}), QDialog::Accepted);
    main->Settings.RealTimeRate = 1;
    ASSERT_EQ(schedule({std::nullopt, true, 3, std::nullopt}), QDialog::Accepted);
    setReadings(20, 20, 20, 20);
    driver.ticks(10);
    EXPECT_FALSE(main->Session.RealTimeRunning());

    setReadings(27, 20, 20, 20);
    driver.tick();
    const TDateTime alarmAt = now();
    ASSERT_TRUE(main->Session.RealTimeRunning());
    EXPECT_EQ(chart().Points(), 3);
    ASSERT_EQ(chart().AlarmMarks().size(), 1u);   // the alarm that started it, at its start
    EXPECT_DOUBLE_EQ(chart().AlarmMarks()[0].x, alarmAt);
    driver.ticks(10);
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_EQ(main->Session.SampleCount(), 3);
}

TEST_F(ScheduledRunTest, StopByTheUserEndsTheSchedule)
{
    main->Settings.RealTimeRate = 1;
    ASSERT_EQ(schedule({std::nullopt, false, 100, std::nullopt}), QDialog::Accepted);
    ASSERT_TRUE(main->Session.RealTimeRunning());
    driver.ticks(3);
    main->btnStopClick();
    EXPECT_FALSE(main->StatusSchedule->isVisibleTo(main.get()));
    EXPECT_TRUE(main->Scheduled->finished());
}

// Two programs whose scheduled runs start at the same moment, with earlier
// runs of the same start to save, never write the same file.
TEST(ScheduledRunFile, EachSaveClaimsANameOfItsOwn)
{
    QTemporaryDir docs;
    const TDateTime start = DateTime::fromQDateTime(QDateTime(Day, QTime(18, 30)));
    QString error;
    const QString first = ScheduledRun::claimFileFor(docs.path(), start, &error);
    const QString second = ScheduledRun::claimFileFor(docs.path(), start, &error);
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("Real-Time 2026-12-10 18-30-00.ghf"));
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("Real-Time 2026-12-10 18-30-00 (2).ghf"));

    const QString nowhere = ScheduledRun::claimFileFor(unwritableFolder(docs), start, &error);
    EXPECT_TRUE(nowhere.isEmpty());
    EXPECT_FALSE(error.isEmpty());
}
