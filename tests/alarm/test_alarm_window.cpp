// The alarms in the program: limits chosen in Real Time > Alarms... are kept
// in the settings and drawn in the real-time graph; each alarm of a run is a
// mark on the chart, a note in the status bar, a red frame on the front
// panel, a notification and a sound, and the marks go into the graph file.
#include "AlarmWindowFixture.h"

#include "alarm/AlarmWatch.h"
#include "app/Regional.h"
#include "files/GraphFile.h"
#include "panel/PanelAlarmFrame.h"
#include "panel/UPanel.h"

#include <QLabel>
#include <QStatusBar>

namespace {

// A mark expected on the chart, at the sample `sample` of the run (0: its start).
struct ExpectedMark {
    int sample;
    int channel;
    bool begins;
    const char* text;
};

// One reading of each channel; `ol`: bit c reads "OL".
struct Step {
    std::array<float, 4> readings;
    std::uint8_t ol = 0;
};

} // namespace

TEST_F(AlarmWindowTest, RunSamplesBecomeMarksStatusAndPanelFrame)
{
    struct Case {
        const char* name;
        std::vector<AlarmChoice> limits;
        int delay;
        std::vector<Step> steps;            // one sample each, at one a second
        std::vector<ExpectedMark> marks;
        const char* statusAtEnd;            // "" when no channel is in alarm
        unsigned panelChannelsAtEnd;
    };
    const Case cases[] = {
        {"a high alarm and its end past the hysteresis",
         {{0, 26.0, std::nullopt}}, 0,
         {{{25.0f, 20, 20, 20}}, {{26.4f, 20, 20, 20}}, {{25.6f, 20, 20, 20}}, {{25.4f, 20, 20, 20}}},
         {{2, 0, true, "T1 above 26.0"}, {4, 0, false, ""}},
         "", 0},
        {"a freezer too warm and an unplugged probe stay on",
         {{1, std::nullopt, -18.0}, {3, 30.0, 10.0}}, 0,
         {{{20, -17.0f, 20, 20}}, {{20, -17.0f, 20, 20}, 0b1000}, {{20, -19.0f, 20, 20}, 0b1000}},
         {{2, 3, true, "T4 no reading"}, {3, 1, true, "T2 below -18.0"}},
         "Alarm: T4 no reading, T2 below -18.0 °C", 0b1010},
        {"a spike of one sample is no alarm with a delay of one",
         {{0, 26.0, std::nullopt}}, 1,
         {{{27.0f, 20, 20, 20}}, {{25.0f, 20, 20, 20}}, {{27.0f, 20, 20, 20}}, {{27.0f, 20, 20, 20}}},
         {{4, 0, true, "T1 above 26.0"}},
         "Alarm: T1 above 26.0 °C", 0b0001},
        {"a channel without limits raises nothing",
         {{0, 26.0, std::nullopt}}, 0,
         {{{20, 99.0f, 20, 20}, 0b0100}},
         {}, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_EQ(chooseAlarms(c.limits, 0.5, c.delay), QDialog::Accepted);
        setReadings(20, 20, 20, 20);
        startRun(100, 1);
        const TDateTime start = now();
        for (const Step& step : c.steps) {
            setReadings(step.readings[0], step.readings[1], step.readings[2], step.readings[3], step.ol);
            driver.tick();
        }
        ASSERT_EQ(main->Session.SampleCount(), int(c.steps.size()));

        const std::vector<AlarmMark>& marks = chart().AlarmMarks();
        ASSERT_EQ(marks.size(), c.marks.size());
        for (size_t i = 0; i < marks.size(); ++i) {
            const ExpectedMark& e = c.marks[i];
            EXPECT_NEAR(marks[i].x, start + e.sample * DateTime::OneSecond, 1e-9) << i;
            EXPECT_EQ(marks[i].subset, e.channel) << i;
            EXPECT_EQ(marks[i].begins, e.begins) << i;
            EXPECT_EQ(marks[i].text, QString::fromUtf8(e.text)) << i;
        }
        EXPECT_EQ(main->StatusAlarm->isVisibleTo(main.get()), *c.statusAtEnd != 0);
        if (*c.statusAtEnd)
            EXPECT_EQ(main->StatusAlarm->text(), QString::fromUtf8(c.statusAtEnd));
        EXPECT_EQ(main->FrontPanel->pnlAlarmFrame->channels(), c.panelChannelsAtEnd);
        EXPECT_EQ(main->FrontPanel->pnlAlarmFrame->isVisibleTo(main->FrontPanel), c.panelChannelsAtEnd != 0);
        TearDown();
    }
}

TEST_F(AlarmWindowTest, EachBeginningAndEndIsNotifiedAndEachBeginningSounds)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}}), QDialog::Accepted);
    startRun(100, 1);
    setReadings(26.4f, 20, 20, 20);
    driver.tick();
    const TDateTime began = now();
    setReadings(25.0f, 20, 20, 20);
    driver.tick();

    ASSERT_EQ(notifications.shown.size(), 2u);
    EXPECT_EQ(notifications.shown[0].summary, QStringLiteral("Alarm T1 above 26.0 °C"));
    EXPECT_EQ(notifications.shown[0].body,
              QStringLiteral("%1 °C at %2").arg(QStringLiteral("26.4"), Regional::dateTimeText(began)));
    EXPECT_TRUE(notifications.shown[0].urgent);
    EXPECT_EQ(notifications.shown[1].summary, QStringLiteral("Alarm over T1 above 26.0 °C"));
    EXPECT_FALSE(notifications.shown[1].urgent);
    EXPECT_EQ(sounds, 1);
}

TEST_F(AlarmWindowTest, ActionsTurnedOffDoNothing)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}}, 0.5, 0, /*notify*/ false, /*sound*/ false), QDialog::Accepted);
    startRun(100, 1);
    setReadings(27.0f, 20, 20, 20);
    driver.tick();
    EXPECT_EQ(chart().AlarmMarks().size(), 1u);   // the alarm itself is there
    EXPECT_TRUE(notifications.shown.empty());
    EXPECT_EQ(sounds, 0);
}

// A channel already in alarm when the run starts is marked at the start:
// the readings are watched between runs too, at the sampling rate.
TEST_F(AlarmWindowTest, AnAlarmOnBeforeTheRunIsMarkedAtItsStart)
{
    ASSERT_EQ(chooseAlarms({{2, std::nullopt, 5.0}}), QDialog::Accepted);
    setReadings(20, 20, 3.0f, 20);
    driver.ticks(2);
    EXPECT_EQ(main->StatusAlarm->text(), QStringLiteral("Alarm: T3 below 5.0 °C"));
    EXPECT_TRUE(chart().AlarmMarks().empty());   // no run, no marks
    EXPECT_EQ(notifications.shown.size(), 1u);

    startRun(100, 1);
    const TDateTime start = now();
    ASSERT_EQ(chart().AlarmMarks().size(), 1u);
    EXPECT_EQ(chart().AlarmMarks()[0], (AlarmMark{start, 2, true, QStringLiteral("T3 below 5.0")}));
    driver.ticks(3);
    EXPECT_EQ(chart().AlarmMarks().size(), 1u);   // still the same alarm
    EXPECT_EQ(notifications.shown.size(), 1u);
}

TEST_F(AlarmWindowTest, ALostMeterIsAnAlarmOfEveryWatchedChannelUntilItAnswers)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}, {3, std::nullopt, 0.0}}), QDialog::Accepted);
    startRun(100, 1);
    driver.ticks(2);
    main->setStatus(QStringLiteral("ttyUSB0"), QStringLiteral("Off Connection"));   // the link's watchdog
    EXPECT_EQ(main->StatusAlarm->text(), QStringLiteral("Alarm: T1 no meter, T4 no meter"));
    EXPECT_EQ(main->FrontPanel->pnlAlarmFrame->channels(), 0b1001u);
    main->setStatus(QStringLiteral("ttyUSB0"), QStringLiteral("On Connection"));
    driver.tick();
    EXPECT_FALSE(main->StatusAlarm->isVisibleTo(main.get()));
    std::vector<QString> texts;
    for (const AlarmMark& m : chart().AlarmMarks())
        texts.push_back(QStringLiteral("%1 %2 %3").arg(m.subset).arg(m.begins).arg(m.text));
    EXPECT_EQ(texts, (std::vector<QString>{"0 1 T1 no meter", "3 1 T4 no meter", "0 0 ", "3 0 "}));
}

TEST_F(AlarmWindowTest, LimitsAreDashedLinesOfTheRealTimeGraphAndSurviveAGraphFile)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, 12.5}, {2, std::nullopt, -3.0}}), QDialog::Accepted);
    EXPECT_EQ(chart().LimitLines(),
              (std::vector<LimitLine>{{0, 26.0, true}, {0, 12.5, false}, {2, -3.0, false}}));
    startRun(100, 1);
    setReadings(27.0f, 20, 20, 20);
    driver.tick();
    setReadings(20.0f, 20, 20, 20);
    driver.tick();
    main->btnStopClick();

    const QString path = docs.filePath(QStringLiteral("with alarms.ghf"));
    ASSERT_TRUE(StoreGraphFile(chart(), path));
    PESGraph opened;
    ASSERT_TRUE(LoadGraphFile(opened, path));
    EXPECT_EQ(opened.LimitLines(), chart().LimitLines());
    EXPECT_EQ(opened.AlarmMarks(), chart().AlarmMarks());
    EXPECT_EQ(opened.AlarmMarks().size(), 2u);
}

TEST_F(AlarmWindowTest, AUnitChangeOnTheMeterConvertsTheLimitsAndSaysSo)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}}), QDialog::Accepted);
    driver.ticks(3);
    // 78 °F is 25.6 °C: under the limit in either unit, so no alarm.
    driver.celsius = false;
    setReadings(78.0f, 70, 70, 70);
    driver.ticks(3);
    ASSERT_EQ(chart().LimitLines().size(), 1u);
    EXPECT_NEAR(chart().LimitLines()[0].y, 78.8, 1e-9);
    EXPECT_EQ(main->statusBar()->currentMessage(),
              QStringLiteral("The meter shows °F now: the alarm limits are converted to it."));
    EXPECT_FALSE(main->StatusAlarm->isVisibleTo(main.get()));
    EXPECT_TRUE(notifications.shown.empty());
}

// The settings round trip: what OK kept is what the next start of the program finds.
TEST_F(AlarmWindowTest, AlarmsAreKeptInTheSettingsForTheNextStart)
{
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}, {1, std::nullopt, -18.0}, {3, 80.5, 60.0}}, 1.5, 2,
                           /*notify*/ false, /*sound*/ true, QStringLiteral("/bin/true")),
              QDialog::Accepted);
    main.reset();
    main = std::make_unique<TfrmMain>();

    AlarmSettings expected;
    expected.limits[0].high = 26.0;
    expected.limits[1].low = -18.0;
    expected.limits[3] = {80.5, 60.0};
    expected.hysteresis = 1.5;
    expected.delaySamples = 2;
    EXPECT_EQ(main->Alarms.rule().settings(), expected);

    // The dialog opens with them.
    TfrmAlarms* shown = nullptr;
    prompts.dialogs.push_back([&](QDialog& d) {
        shown = &dynamic_cast<TfrmAlarms&>(d);
        EXPECT_EQ(shown->settings(), expected);
        EXPECT_EQ(shown->actions(), (AlarmActions{false, true, QStringLiteral("/bin/true")}));
        return int(QDialog::Rejected);
    });
    main->Alarms1Click();
    EXPECT_NE(shown, nullptr);
}

TEST_F(AlarmWindowTest, OkRefusesLimitsThatMakeNoSenseAndKeepsTheOldOnes)
{
    struct Case {
        const char* name;
        std::vector<AlarmChoice> limits;
        QString program;
        const char* message;
    };
    const Case cases[] = {
        {"high not above low", {{1, 10.0, 10.0}}, {}, "The high limit of T2 must be above its low limit."},
        {"a program that is not there", {{0, 26.0, std::nullopt}}, QStringLiteral("/nowhere/alarm"),
         "/nowhere/alarm is not a program that can be run."},
        {"a program that can not be run", {{0, 26.0, std::nullopt}}, QStringLiteral(TQ612_SOURCE_DIR "/README.md"),
         " is not a program that can be run."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        EXPECT_EQ(chooseAlarms(c.limits, 0.5, 0, true, false, c.program), QDialog::Rejected);
        ASSERT_EQ(prompts.messages.size(), 1);
        EXPECT_TRUE(prompts.messages[0].endsWith(QString::fromUtf8(c.message))) << prompts.messages[0].toStdString();
        EXPECT_FALSE(main->Alarms.rule().settings().watchesAny());
        EXPECT_FALSE(AppSettings::open()->contains(QStringLiteral("Alarms/Notify")));
    }
}
