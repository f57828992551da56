// The front panel's frame display: marks, mode marks, unit marks and values.
#include "PanelFixture.h"

#include <QRegularExpression>
#include <QThread>

namespace {

LiveFrame frame(int mode, bool t1t2 = false, std::uint8_t overRange = 0, bool celsius = true)
{
    LiveFrame f;
    f.Mode = mode;
    f.T1T2 = t1t2;
    f.OverRange = overRange;
    f.Celsius = celsius;
    f.T1 = 30.5f;
    f.T2 = 10.2f;
    f.T3 = -3.0f;
    f.T4 = 1370.0f;
    f.Max = 256.3f;
    f.Min = -12.5f;
    f.Avg = 99.9f;
    f.MaxDate = QStringLiteral("12-25");
    f.MaxTime = QStringLiteral("09:05");
    f.MinDate = QStringLiteral("01-02");
    f.MinTime = QStringLiteral("23:59");
    f.AvgDate = QStringLiteral("- - - -");
    f.AvgTime = QStringLiteral("00:00");
    return f;
}

constexpr std::uint8_t T1Over = 0x01, T2Over = 0x02, T4Over = 0x08, MaxOver = 0x10, AvgOver = 0x40;

struct DisplayCase {
    const char* what;
    LiveFrame frame;
    std::array<const char*, 4> names;
    std::array<const char*, 4> values;   // numbers with '.', replaced by the user's separator
    bool max, min, avg, blinking;
    bool laterUnitMarks;                 // T2 to T4 carry unit marks
};

// Test logs name a case by its description, not by its bytes.
void PrintTo(const DisplayCase& c, std::ostream* out)
{
    *out << c.what;
}

const char* const Dashes = "-------";

class FrameDisplay : public PanelFixture, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(FrameDisplay, ShowsTheMeterDisplayOnAFreshPanel)
{
    const DisplayCase& c = GetParam();
    panel->ShowLiveFrame(c.frame, false);

    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(names()[row]->text(), QString::fromUtf8(c.names[row])) << "name of row " << row;
        EXPECT_EQ(valueText(row), number(c.values[row])) << "value of row " << row;
    }
    EXPECT_EQ(shown(panel->lblMAX), c.max);
    EXPECT_EQ(shown(panel->lblMIN), c.min);
    EXPECT_EQ(shown(panel->lblAVG), c.avg);
    EXPECT_EQ(maxMinTimer.isActive(), c.blinking);

    EXPECT_EQ(shown(panel->imgT1C), c.frame.Celsius);
    EXPECT_EQ(shown(panel->imgt1F), !c.frame.Celsius);
    for (int row = 1; row < 4; ++row) {
        EXPECT_EQ(shown(celsiusMarks()[row]), c.laterUnitMarks && c.frame.Celsius) << row;
        EXPECT_EQ(shown(fahrenheitMarks()[row]), c.laterUnitMarks && !c.frame.Celsius) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameDisplay,
    ::testing::Values(
        DisplayCase{"normal", frame(0), {"T1", "T2", "T3", "T4"}, {"30.5", "10.2", "-3.0", "1370.0"},
                    false, false, false, false, true},
        DisplayCase{"normal, over range, Fahrenheit", frame(0, false, T2Over | T4Over, false),
                    {"T1", "T2", "T3", "T4"}, {"30.5", "-OL-", "-3.0", "-OL-"}, false, false, false, false, true},
        DisplayCase{"difference", frame(0, true), {"T1", "T2", "T1-T2", "T4"}, {"30.5", "10.2", "20.3", "1370.0"},
                    false, false, false, false, true},
        DisplayCase{"difference, T2 over range", frame(0, true, T2Over), {"T1", "T2", "T1-T2", "T4"},
                    {"30.5", "-OL-", "-OL-", "1370.0"}, false, false, false, false, true},
        DisplayCase{"difference, T1 over range", frame(0, true, T1Over), {"T1", "T2", "T1-T2", "T4"},
                    {"-OL-", "10.2", "-OL-", "1370.0"}, false, false, false, false, true},
        DisplayCase{"difference in MAX mode", frame(1, true), {"T1", "T2", "T1-T2", "T4"},
                    {"30.5", "10.2", "20.3", "1370.0"}, true, false, false, false, false},
        DisplayCase{"MAX", frame(1), {"T1", "", "", ""}, {"256.3", "", "12-25", "09:05"},
                    true, false, false, false, false},
        DisplayCase{"MAX over range", frame(1, false, MaxOver), {"T1", "", "", ""}, {"- - - -", "", "12-25", "09:05"},
                    true, false, false, false, false},
        DisplayCase{"MIN", frame(2), {"T1", "", "", ""}, {"-12.5", "", "01-02", "23:59"},
                    false, true, false, false, false},
        DisplayCase{"MAX and MIN, T1 over range", frame(3, false, T1Over), {"T1", "", "", ""},
                    {"- - - -", "", Dashes, Dashes}, false, false, false, true, false},
        DisplayCase{"AVG over range", frame(4, false, AvgOver, false), {"T1", "", "", ""},
                    {"- - - -", "", "- - - -", "00:00"}, false, false, true, false, false},
        DisplayCase{"no mode", frame(6), {"T1", "", "", ""}, {Dashes, "", Dashes, Dashes},
                    false, false, false, false, false}),
    [](const auto& info) {
        QString name = QString::fromLatin1(info.param.what);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
        return name.toStdString();
    });

TEST_F(PanelFixture, NewPanelShowsDashesAndOnlyTheBatteryAndK)
{
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(valueText(row), QString::fromLatin1(Dashes));
        EXPECT_EQ(names()[row]->text(), QStringLiteral("T%1").arg(row + 1));
        EXPECT_FALSE(shown(celsiusMarks()[row]));
        EXPECT_FALSE(shown(fahrenheitMarks()[row]));
    }
    for (QWidget* mark : {static_cast<QWidget*>(panel->lblMAX), static_cast<QWidget*>(panel->lblMIN),
                          static_cast<QWidget*>(panel->lblAVG), static_cast<QWidget*>(panel->imgHOLD),
                          static_cast<QWidget*>(panel->imgREC), static_cast<QWidget*>(panel->imgFULL),
                          static_cast<QWidget*>(panel->imgAutoOff), static_cast<QWidget*>(panel->lblNoConnection)})
        EXPECT_FALSE(shown(mark)) << mark->objectName().toStdString();
    EXPECT_TRUE(shown(panel->imgBAT));
    EXPECT_TRUE(shown(panel->imgK));
    EXPECT_EQ(panel->Label7->text(), QStringLiteral("K"));
    EXPECT_EQ(panel->lblNoConnection->text(), QStringLiteral("No Connection"));
}

TEST_F(PanelFixture, StatusMarksFollowEveryFrame)
{
    struct Case { int battery; bool full, rec, hold, autoOff; };
    const Case cases[] = {{0, true, false, true, false}, {3, false, true, false, true}, {1, true, true, true, true},
                          {2, false, false, false, false}};
    bool previousHold = false;
    for (const Case& c : cases) {
        LiveFrame f = frame(0);
        f.Battery = c.battery;
        f.MemoryFull = c.full;
        f.Recording = c.rec;
        f.Hold = c.hold;
        f.AutoOff = c.autoOff;
        panel->ShowLiveFrame(f, previousHold);   // marks change even while the values are frozen
        previousHold = f.Hold;
        EXPECT_EQ(panel->imgBAT->pixmap().cacheKey(), batteries[c.battery].cacheKey()) << c.battery;
        EXPECT_EQ(shown(panel->imgFULL), c.full);
        EXPECT_EQ(shown(panel->imgREC), c.rec);
        EXPECT_EQ(shown(panel->imgHOLD), c.hold);
        EXPECT_EQ(shown(panel->imgAutoOff), c.autoOff);
    }
}

TEST_F(PanelFixture, HoldFreezesTheValuesFromTheSecondHeldFrame)
{
    // The decoder hands each frame over with the HOLD bit of the frame before.
    struct Step { bool hold; float t1; const char* shownT1; };
    const Step steps[] = {
        {false, 1.0f, "1.0"},
        {true, 2.0f, "2.0"},    // first held frame still updates
        {true, 3.0f, "2.0"},    // frozen
        {false, 4.0f, "2.0"},   // first released frame is still frozen
        {false, 5.0f, "5.0"},
    };
    bool previousHold = false;
    for (const Step& s : steps) {
        LiveFrame f = frame(0);
        f.Hold = s.hold;
        f.T1 = s.t1;
        panel->ShowLiveFrame(f, previousHold);
        previousHold = f.Hold;
        EXPECT_EQ(valueText(0), number(s.shownT1)) << "frame with T1 " << s.t1;
        EXPECT_EQ(shown(panel->imgHOLD), s.hold);
    }
}

TEST_F(PanelFixture, MaxToMaxMinKeepsTheMaxStampWhileBothMarksBlink)
{
    panel->ShowLiveFrame(frame(1), false);
    LiveFrame both = frame(3);
    both.T1 = 41.0f;
    panel->ShowLiveFrame(both, false);

    EXPECT_EQ(valueText(0), number("41.0"));
    EXPECT_EQ(valueText(2), QStringLiteral("12-25"));
    EXPECT_EQ(valueText(3), QStringLiteral("09:05"));
    EXPECT_TRUE(maxMinTimer.isActive());
    EXPECT_TRUE(shown(panel->lblMAX));   // left as mode 1 set it until the timer ticks
    EXPECT_FALSE(shown(panel->lblMIN));

    for (bool phase : {true, false, true}) {
        blink.MaxMinTimerTimer(panel.get());
        EXPECT_EQ(blink.BlinkPhase, phase);
        EXPECT_EQ(shown(panel->lblMAX), phase);
        EXPECT_EQ(shown(panel->lblMIN), phase);
        EXPECT_FALSE(blink.InMaxMinTimer);
    }

    // Further mode-3 frames must not restart the timer, or it would never tick.
    maxMinTimer.setTimerType(Qt::PreciseTimer);
    maxMinTimer.start();
    QThread::msleep(60);
    panel->ShowLiveFrame(both, false);
    EXPECT_LT(maxMinTimer.remainingTime(), 470);

    panel->ShowLiveFrame(frame(4), false);
    EXPECT_FALSE(maxMinTimer.isActive());
    EXPECT_FALSE(shown(panel->lblMAX));
    EXPECT_FALSE(shown(panel->lblMIN));
    EXPECT_TRUE(shown(panel->lblAVG));
}

TEST_F(PanelFixture, FramesWithoutAModeLeaveMarksTimerAndValuesAlone)
{
    panel->ShowLiveFrame(frame(3), false);
    blink.MaxMinTimerTimer(panel.get());
    panel->ShowLiveFrame(frame(7), false);
    EXPECT_TRUE(maxMinTimer.isActive());
    EXPECT_TRUE(shown(panel->lblMAX));
    EXPECT_TRUE(shown(panel->lblMIN));
    EXPECT_EQ(valueText(0), number("30.5"));

    panel->ShowLiveFrame(frame(2), false);
    panel->ShowLiveFrame(frame(5), false);
    EXPECT_FALSE(maxMinTimer.isActive());
    EXPECT_TRUE(shown(panel->lblMIN));
    EXPECT_EQ(valueText(0), number("-12.5"));
    EXPECT_EQ(valueText(2), QStringLiteral("01-02"));
}

TEST(MaxMinBlink, TicksWithoutAPanelOnlyFlipThePhase)
{
    MaxMinBlink blink;
    blink.MaxMinTimerTimer(nullptr);
    EXPECT_TRUE(blink.BlinkPhase);
    blink.MaxMinTimerTimer(nullptr);
    EXPECT_FALSE(blink.BlinkPhase);
    EXPECT_FALSE(blink.InMaxMinTimer);
}

} // namespace
