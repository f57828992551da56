// A real-time run whose readings leave the graph's Y range: the marks appear
// with the first such sample, follow the extreme reading, and stay with the
// channel whichever view the graph shows.
#include "RealTimeFixture.h"

#include "app/Regional.h"

#include <QCheckBox>
#include <QMdiSubWindow>
#include <cmath>

namespace {

QString dec(const char* text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), Regional::decimalPoint());
}

// The texts of the chart's marks, in drawing order.
QStringList markTexts(PESGraph& chart)
{
    chart.redrawNow();
    QStringList texts;
    for (const OffScaleMark& m : chart.offScaleMarks())
        texts << m.text;
    return texts;
}

} // namespace

TEST_F(RealTimeTest, OffScaleSamplesAreMarkedAtTheEdgeOfTheirChannel)
{
    graph().show();
    startRun(100, 1);
    struct Step {
        RealTimeRecorder::Readings readings;
        QStringList marks;
    };
    // The real-time graph's range is -10 .. 50 on every channel.
    const Step steps[] = {
        {{20.0f, 21.0f, 22.0f, 23.0f}, {}},
        {{20.0f, 21.0f, -12.7f, 103.2f}, {dec("T3 -12.7"), dec("T4 103.2")}},
        {{20.0f, 21.0f, 0.0f, 101.0f}, {dec("T3 -12.7"), dec("T4 103.2")}},     // the extremes stay
        {{20.0f, 21.0f, -15.1f, 104.0f}, {dec("T3 -15.1"), dec("T4 104.0")}},
    };
    for (const Step& step : steps) {
        driver.readings = step.readings;
        driver.tick();
        EXPECT_EQ(markTexts(chart()), step.marks) << main->Session.SampleCount();
    }

    // The single view: both marks in the one plot, T3 on its bottom edge, T4 on its top edge.
    graph().chkSplit->click();
    chart().redrawNow();
    const auto marks = chart().offScaleMarks();
    ASSERT_EQ(marks.size(), 2u);
    const QRect area = chart().axisArea(0);
    EXPECT_EQ(marks[0].text, dec("T4 104.0"));
    EXPECT_LE(marks[0].rect.top() - area.top(), 6);
    EXPECT_EQ(marks[1].text, dec("T3 -15.1"));
    EXPECT_LE(area.bottom() - marks[1].rect.bottom(), 6);

    // Run again: the old samples are gone and so are their marks.
    prompts.answers = {QMessageBox::No};
    main->btnStopClick();
    startRun(100, 1);
    EXPECT_TRUE(markTexts(chart()).isEmpty());
}

// A run like the one that showed nothing: T4 climbs to 103.2 and T3 drops to
// -12.7 on a graph of -10 .. 50. With TQ612_SCREENSHOT_DIR set, pictures of
// both views are saved there for a look.
TEST_F(RealTimeTest, RendersARunWithChannelsOffScale)
{
    // The graph's frame window at the size a graph window opens with.
    auto* frame = qobject_cast<QMdiSubWindow*>(graph().parentWidget());
    ASSERT_NE(frame, nullptr);
    frame->resize(1190, 660);
    graph().show();
    startRun(100, 1);
    for (int i = 0; i < 60; ++i) {
        const float t = float(i);
        driver.readings = {float(22 + 2 * std::sin(t / 6)), float(35 + 3 * std::cos(t / 9)),
                           float(8 - 20.7 * std::sin(std::min(t, 30.0f) / 30 * 1.5708f)),
                           float(30 + 73.2 * std::sin(std::min(t, 40.0f) / 40 * 1.5708f))};
        driver.tick();
    }
    QStringList texts = markTexts(chart());
    EXPECT_EQ(texts, (QStringList{dec("T3 -12.7"), dec("T4 103.2")}));

    const QString folder = qEnvironmentVariable("TQ612_SCREENSHOT_DIR");
    const QImage split = graph().grab().toImage();
    EXPECT_FALSE(split.isNull());
    if (!folder.isEmpty())
        split.save(folder + QStringLiteral("/offscale-split.png"));
    graph().chkSplit->click();
    chart().redrawNow();
    EXPECT_EQ(chart().offScaleMarks().size(), 2u);
    const QImage single = graph().grab().toImage();
    if (!folder.isEmpty())
        single.save(folder + QStringLiteral("/offscale-single.png"));
}
