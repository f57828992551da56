// Run, sampling on the timer tick, Stop, and the sampling-rate change of the
// real-time graph, driven by a stand-in for the link's tick and a fake clock.
#include "RealTimeFixture.h"

#include "app/Regional.h"
#include "stats/GraphStatistics.h"

#include <QAction>
#include <cmath>
#include <QFile>
#include <QToolButton>

namespace {
QString dec(const char* text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), Regional::decimalPoint());
}
} // namespace

TEST_F(RealTimeTest, RunSetsUpTheGraphAndTheButtons)
{
    const TDateTime start = now();
    startRun(2000, 2);
    EXPECT_EQ(chart().Points(), 2000);
    EXPECT_EQ(main->Session.SampleCount(), 0);
    EXPECT_DOUBLE_EQ(chart().ManualMinX(), start);
    EXPECT_NEAR(chart().ManualMaxX(), start + 100 * DateTime::OneSecond, 1e-9);
    EXPECT_EQ(graph().txtStartTime->text(), Regional::dateTimeText(start));
    EXPECT_EQ(driver.rateTicks, 2);
    EXPECT_FALSE(main->btnRun->isEnabled());
    EXPECT_FALSE(main->Run1->isEnabled());
    EXPECT_TRUE(main->btnStop->isEnabled());
    EXPECT_TRUE(main->Stop1->isEnabled());
    EXPECT_FALSE(graph().tbntClr->isEnabled());
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(graph().avgField(c)->text().isEmpty());
}

TEST_F(RealTimeTest, HundredPointsAtTwoSecondsFillAndStop)
{
    startRun(100, 2);
    const TDateTime start = now();
    clock.autoAdvanceMs = 1;   // a Stop that waited would move the clock by 2.5 s

    driver.tick();
    EXPECT_EQ(main->Session.SampleCount(), 1);   // the first tick with a frame samples
    EXPECT_DOUBLE_EQ(chart().XDataII(0, 0), start + DateTime::OneSecond);
    driver.tick();
    EXPECT_EQ(main->Session.SampleCount(), 1);
    driver.tick();
    EXPECT_EQ(main->Session.SampleCount(), 2);

    driver.ticks(2 * 97);
    EXPECT_EQ(main->Session.SampleCount(), 99);
    EXPECT_TRUE(main->Session.RealTimeRunning());
    const qint64 before = clock.tick;
    driver.ticks(2);
    EXPECT_EQ(main->Session.SampleCount(), 100);
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_LT(clock.tick - before, 2000 + 100);   // two ticks, no 2.5 s wait inside the tick
    EXPECT_EQ(chart().Points(), 100);
    EXPECT_TRUE(main->Session.RealTimeUnsaved());
    EXPECT_EQ(graph().txtDataNo->text(), QStringLiteral("100"));
    EXPECT_EQ(graph().avgField(0)->text(), dec("20.000"));
    EXPECT_TRUE(main->btnRun->isEnabled());
    EXPECT_FALSE(main->btnStop->isEnabled());
    EXPECT_TRUE(graph().tbntClr->isEnabled());

    driver.ticks(4);
    EXPECT_EQ(main->Session.SampleCount(), 100);   // nothing after the graph is full
}

TEST_F(RealTimeTest, StopAfterTenOfTwoThousand)
{
    startRun(2000, 1);
    driver.ticks(10);
    ASSERT_EQ(main->Session.SampleCount(), 10);
    clock.advance(500);
    const TDateTime stopTime = now();
    main->btnStopClick();
    EXPECT_EQ(chart().Points(), 10);
    EXPECT_DOUBLE_EQ(chart().ManualMaxX(), stopTime);
    EXPECT_DOUBLE_EQ(chart().XDataII(3, 9), stopTime - 0.5 * DateTime::OneSecond);
    EXPECT_EQ(chart().YData(3, 9), 23.0f);
    EXPECT_EQ(graph().avgField(3)->text(), dec("23.000"));
    EXPECT_FALSE(main->Session.RealTimeRunning());
}

TEST_F(RealTimeTest, StopWaitsOnlyForATickRunningElsewhere)
{
    startRun(100, 1);
    clock.autoAdvanceMs = 1;
    driver.inMainTimer = true;   // a tick caught in a wait further up the stack
    const qint64 before = clock.tick;
    main->btnStopClick();
    EXPECT_GE(clock.tick - before, 2500);
    EXPECT_LT(clock.tick - before, 2600);
    EXPECT_FALSE(main->Session.RealTimeRunning());
}

TEST_F(RealTimeTest, LostLinkPausesSampling)
{
    startRun(100, 2);
    driver.ticks(3);
    ASSERT_EQ(main->Session.SampleCount(), 2);
    driver.ticks(6, false);   // two losses of the link
    EXPECT_EQ(main->Session.SampleCount(), 2);
    EXPECT_FALSE(driver.connected);
    EXPECT_TRUE(main->Session.RealTimeRunning());
    driver.ticks(2);
    EXPECT_EQ(main->Session.SampleCount(), 3);
    EXPECT_DOUBLE_EQ(chart().XDataII(0, 2), now());
    EXPECT_GT(chart().XDataII(0, 2), chart().XDataII(0, 1));
    // No line across the silence: the chart breaks it between the samples.
    chart().redrawNow();
    const auto drawn = chart().plottedData(0);
    ASSERT_EQ(drawn.size(), 4u) << "three samples and the break between the second and the third";
    EXPECT_TRUE(std::isnan(drawn[2].second));
    for (size_t i : {0u, 1u, 3u})
        EXPECT_FALSE(std::isnan(drawn[i].second)) << i;
}

TEST_F(RealTimeTest, OverRangeReadingsShowOLAndStayOutOfTheAverage)
{
    startRun(100, 1);
    driver.tick();
    driver.readings = {3276.7f, 21.0f, 22.0f, -3276.7f};
    driver.tick();
    EXPECT_EQ(chart().YData(0, 1), 3276.7f);   // stored as it came
    EXPECT_EQ(graph().maxField(0)->text(), QStringLiteral("OL"));
    EXPECT_EQ(graph().minField(3)->text(), QStringLiteral("OL"));
    EXPECT_TRUE(graph().minField(0)->text().startsWith(dec("20.0@")));
    driver.readings = {22.0f, 21.0f, 22.0f, 25.0f};
    driver.tick();
    main->btnStopClick();
    EXPECT_EQ(graph().avgField(0)->text(), dec("21.000"));
    EXPECT_EQ(graph().avgField(3)->text(), dec("24.000"));
}

TEST_F(RealTimeTest, ExtremesKeepTheirFirstTime)
{
    startRun(100, 1);
    driver.readings = {25.0f, 21.0f, 22.0f, 23.0f};
    driver.tick();
    const TDateTime first = now();
    driver.tick();
    EXPECT_EQ(graph().maxField(0)->text(), dec("25.0@") + Regional::dateTimeText(first));
    EXPECT_EQ(graph().minField(0)->text(), dec("25.0@") + Regional::dateTimeText(first));
}

TEST_F(RealTimeTest, XAxisGrowsWhenASamplePassesItsEnd)
{
    startRun(100, 1);
    const TDateTime start = now();
    clock.advance(150 * 1000);
    driver.tick();
    EXPECT_NEAR(chart().ManualMaxX(), start + 161 * DateTime::OneSecond, 1e-9);
    EXPECT_DOUBLE_EQ(chart().ManualMinX(), start);
}

TEST_F(RealTimeTest, RunWithoutAConnectionDoesNothing)
{
    driver.connected = false;
    answerSetup(QStringLiteral("100"), 0, 2);
    main->btnRunClick();
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_EQ(prompts.dialogs.size(), 1u);   // the setup dialog was not shown
}

TEST_F(RealTimeTest, NumbersThatAreNotValid)
{
    for (const QString& number : {QStringLiteral("0"), QString()}) {
        main->Settings.RealTimeRate = 2;
        answerSetup(number, 0, 5);
        main->btnRunClick();
        EXPECT_FALSE(main->Session.RealTimeRunning()) << number.toStdString();
        ASSERT_EQ(prompts.messages.size(), 1);
        EXPECT_EQ(prompts.messages.takeFirst(), number + QStringLiteral(" is not valid.\n"));
        EXPECT_EQ(main->Settings.RealTimeRate, 2);                   // the old rate
        EXPECT_EQ(graph().ComboBox2->currentText(), QStringLiteral("05"));   // the copied boxes
    }
}

TEST_F(RealTimeTest, RunOverExistingSamples)
{
    startRun(100, 1);
    driver.ticks(5);
    main->btnStopClick();

    // Cancel at the question: nothing happens.
    main->btnRunClick();
    EXPECT_EQ(prompts.messages.value(0), RealTimeRecorder::runQuestion());
    EXPECT_EQ(main->Session.SampleCount(), 5);
    EXPECT_FALSE(main->Session.RealTimeRunning());

    // No, then Cancel in the setup dialog: the samples stay.
    prompts.answers.push_back(QMessageBox::No);
    answerSetupCancel();
    main->btnRunClick();
    EXPECT_EQ(main->Session.SampleCount(), 5);
    EXPECT_EQ(chart().Points(), 5);
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_TRUE(prompts.fileRequests.isEmpty());

    // No, then Start: discarded without saving.
    prompts.answers.push_back(QMessageBox::No);
    answerSetup(QStringLiteral("50"), 0, 1);
    main->btnRunClick();
    EXPECT_TRUE(main->Session.RealTimeRunning());
    EXPECT_EQ(main->Session.SampleCount(), 0);
    EXPECT_EQ(chart().Points(), 50);
    EXPECT_EQ(chart().YData(0, 0), 9999.0f);
    EXPECT_DOUBLE_EQ(chart().XDataII(0, 0), 0.0);
    EXPECT_TRUE(prompts.fileRequests.isEmpty());
}

TEST_F(RealTimeTest, RunAnsweredYesButNotSavedKeepsTheSamples)
{
    startRun(100, 1);
    driver.ticks(5);
    main->btnStopClick();
    prompts.answers.push_back(QMessageBox::Yes);   // and the save dialog is cancelled
    answerSetup(QStringLiteral("50"), 0, 1);
    main->btnRunClick();
    EXPECT_EQ(prompts.fileRequests.size(), 1);
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_EQ(main->Session.SampleCount(), 5);
}

class RateChangeTest : public RealTimeTest {
protected:
    void changeRateTo(int seconds)
    {
        graph().ComboBox2->setCurrentIndex(seconds);
        emit graph().ComboBox2->activated(seconds);
    }
};

TEST_F(RateChangeTest, CancelKeepsRecordingAtTheNewRate)
{
    startRun(100, 2);
    driver.ticks(3);
    ASSERT_EQ(main->Session.SampleCount(), 2);
    prompts.answers.push_back(QMessageBox::Cancel);
    changeRateTo(4);
    EXPECT_EQ(prompts.messages.value(0), RealTimeRecorder::rateQuestion());
    EXPECT_EQ(main->Settings.RealTimeRate, 4);
    EXPECT_TRUE(main->Session.RealTimeRunning());
    EXPECT_EQ(main->Session.SampleCount(), 2);
    driver.ticks(4);
    EXPECT_EQ(main->Session.SampleCount(), 3);
}

TEST_F(RateChangeTest, YesSavesThenResets)
{
    startRun(100, 2);
    driver.ticks(3);
    const QString file = docs.filePath(QStringLiteral("rt.ghf"));
    prompts.answers.push_back(QMessageBox::Yes);
    prompts.fileNames.push_back(file);
    changeRateTo(5);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_EQ(main->Session.SampleCount(), 0);
    EXPECT_EQ(chart().YData(0, 0), 9999.0f);
    EXPECT_TRUE(main->btnRun->isEnabled());
    EXPECT_FALSE(main->btnStop->isEnabled());
    EXPECT_TRUE(graph().tbntClr->isEnabled());
    EXPECT_NEAR(main->Session.XExtensionStep(), 500 * DateTime::OneSecond, 1e-12);
    EXPECT_FALSE(QFile::exists(recoveryFile()));
}

TEST_F(RateChangeTest, NoResetsWithoutSaving)
{
    startRun(100, 2);
    driver.ticks(3);
    prompts.answers.push_back(QMessageBox::No);
    changeRateTo(3);
    EXPECT_TRUE(prompts.fileRequests.isEmpty());
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_EQ(main->Session.SampleCount(), 0);
    EXPECT_EQ(main->Settings.RealTimeRate, 3);
}

TEST_F(RateChangeTest, WithoutSamplesNothingIsAsked)
{
    changeRateTo(7);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(main->Settings.RealTimeRate, 7);
    EXPECT_NEAR(main->Session.XExtensionStep(), 700 * DateTime::OneSecond, 1e-12);

    changeRateTo(0);   // 00:00 is no rate
    EXPECT_EQ(graph().ComboBox2->currentText(), QStringLiteral("02"));
    EXPECT_EQ(main->Settings.RealTimeRate, 2);
}
