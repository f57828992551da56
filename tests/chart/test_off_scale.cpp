// Readings outside a channel's Y range: the chart marks the edge they left
// by, in the channel's colour and with the extreme reading, and marks
// nothing for a channel that stays inside.
#include "app/Regional.h"
#include "chart/ChartColors.h"
#include "chart/PESGraph.h"

#include <QImage>
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace {

constexpr double Start = 46000.5;
constexpr double Second = 1.0 / 86400;
constexpr int Points = 40;

// One reading put into a channel's otherwise calm curve (20 to 30 degrees).
struct Reading {
    int subset;
    int point;
    float value;
};

struct ExpectedMark {
    int subset;
    OffScaleMark::Side side;
    OffScaleMark::Edge edge;
    const char* text;    // with '.' for the user's decimal separator
};

// Four channels on the range -10 .. 50 (split: one axis each; single: one axis for all).
void prepare(PESGraph& chart, bool split, const std::vector<Reading>& readings)
{
    chart.resize(900, 600);
    chart.show();
    chart.setSubsets(4);
    chart.setPoints(Points);
    chart.setNullDataValueY(9999);
    chart.setManualScaleControlX(sgManualMinAndMax);
    chart.setManualMinX(Start);
    chart.setManualMaxX(Start + Points * Second);
    for (int axis = 0; axis < 4; ++axis) {
        chart.setWorkingAxis(axis);
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(-10);
        chart.setManualMaxY(50);
    }
    chart.setWorkingAxis(0);
    if (split) {
        for (int axis = 0; axis < 4; ++axis) {
            chart.setMultiAxesSubsets(axis, 1);
            chart.setMultiAxesProportions(axis, 0.25);
        }
    } else {
        chart.setMultiAxesSubsets(-1, 0);
        chart.setMultiAxesProportions(0, 1);
    }
    for (int s = 0; s < 4; ++s)
        for (int p = 0; p < Points; ++p) {
            chart.setXDataII(s, p, Start + p * Second);
            chart.setYData(s, p, float(25 + 5 * std::sin(p / 5.0 + s)));
        }
    for (const Reading& r : readings)
        chart.setYData(r.subset, r.point, r.value);
    chart.PEactions(sgReinitAndReset);
    chart.redrawNow();
}

QString shown(const char* text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), Regional::decimalPoint());
}

// Pixels close to `color` inside `rect` of the picture of the chart.
int pixelsOf(const QImage& image, const QRectF& rect, const QColor& color)
{
    int count = 0;
    const QRect r = rect.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40
                && std::abs(c.blue() - color.blue()) < 40)
                ++count;
        }
    return count;
}

} // namespace

TEST(OffScaleMarks, MarkTheEdgeTheReadingsLeftBy)
{
    using Side = OffScaleMark::Side;
    using Edge = OffScaleMark::Edge;
    struct Case {
        const char* name;
        bool split;
        std::vector<Reading> readings;
        std::vector<ExpectedMark> marks;   // in drawing order: by axis, top edge first, left to right
    };
    const Case cases[] = {
        {"all channels inside", true, {}, {}},
        {"readings on the limits are inside", true, {{0, 3, 50.0f}, {1, 4, -10.0f}}, {}},
        {"points without data are not readings", true, {{3, 2, 9999.0f}}, {}},
        {"T4 above, T3 below, split", true, {{3, 2, 103.2f}, {3, 5, 99.0f}, {2, 3, -12.7f}},
         {{2, Side::Below, Edge::Bottom, "T3 -12.7"}, {3, Side::Above, Edge::Top, "T4 103.2"}}},
        {"one channel leaving both ways", true, {{0, 2, 60.5f}, {0, 4, -20.0f}},
         {{0, Side::Above, Edge::Top, "T1 60.5"}, {0, Side::Below, Edge::Bottom, "T1 -20.0"}}},
        {"single view: side by side on the top edge", false, {{1, 2, 51.0f}, {3, 2, 103.2f}, {2, 3, -12.7f}},
         {{1, Side::Above, Edge::Top, "T2 51.0"}, {3, Side::Above, Edge::Top, "T4 103.2"},
          {2, Side::Below, Edge::Bottom, "T3 -12.7"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PESGraph chart;
        prepare(chart, c.split, c.readings);
        const std::vector<OffScaleMark> marks = chart.offScaleMarks();
        ASSERT_EQ(marks.size(), c.marks.size());
        const QImage picture = chart.grab().toImage();
        for (size_t i = 0; i < marks.size(); ++i) {
            const OffScaleMark& m = marks[i];
            const ExpectedMark& e = c.marks[i];
            SCOPED_TRACE(e.text);
            EXPECT_EQ(m.subset, e.subset);
            EXPECT_EQ(m.side, e.side);
            EXPECT_EQ(m.edge, e.edge);
            EXPECT_EQ(m.text, shown(e.text));
            EXPECT_EQ(m.color, ChartColor::fromRef(chart.SubsetColors(e.subset)));

            // Inside the channel's own plot, against the edge the readings left by.
            const QRect area = chart.axisArea(c.split ? e.subset : 0);
            EXPECT_TRUE(QRectF(area).adjusted(0, 0, 1, 1).contains(m.rect));
            if (e.edge == Edge::Top)
                EXPECT_LE(m.rect.top() - area.top(), 6);
            else
                EXPECT_LE(area.bottom() - m.rect.bottom(), 6);
            // The marks of one edge are right-aligned and do not overlap.
            if (i + 1 == marks.size() || marks[i + 1].edge != m.edge || (c.split && marks[i + 1].subset != m.subset))
                EXPECT_GE(m.rect.right(), area.right() - 6);
            else
                EXPECT_LT(m.rect.right(), marks[i + 1].rect.left());

            // And it is on the screen in the channel's colour.
            EXPECT_GE(pixelsOf(picture, m.rect, m.color), 15);
        }
    }
}

TEST(OffScaleMarks, FollowTheVisibleRangeAndTheDataAsTheyChange)
{
    // The last ten points not yet taken, as in a real-time graph.
    std::vector<Reading> empty;
    for (int s = 0; s < 4; ++s)
        for (int p = Points - 10; p < Points; ++p)
            empty.push_back({s, p, 9999.0f});
    PESGraph chart;
    prepare(chart, true, empty);
    ASSERT_TRUE(chart.offScaleMarks().empty());

    // The next sample: drawn by adding it after the points drawn so far.
    for (int s = 0; s < 4; ++s)
        chart.setYData(s, Points - 10, s == 3 ? 103.2f : 25.0f);
    chart.redrawNow();
    ASSERT_EQ(chart.offScaleMarks().size(), 1u);
    EXPECT_EQ(chart.offScaleMarks()[0].text, shown("T4 103.2"));

    // A higher one among the drawn points, then the range widened to hold them.
    chart.setYData(3, 1, 120.5f);
    chart.redrawNow();
    ASSERT_EQ(chart.offScaleMarks().size(), 1u);
    EXPECT_EQ(chart.offScaleMarks()[0].text, shown("T4 120.5"));
    chart.setWorkingAxis(3);
    chart.setManualMaxY(130);
    chart.setWorkingAxis(0);
    chart.redrawNow();
    EXPECT_TRUE(chart.offScaleMarks().empty());

    // An axis entered upside down (MIN above MAX) shows the lower limit at
    // the top: readings below it leave by the top edge.
    chart.setWorkingAxis(2);
    chart.setManualMinY(50);
    chart.setManualMaxY(-10);
    chart.setWorkingAxis(0);
    chart.setYData(2, 3, -12.7f);
    chart.redrawNow();
    const auto marks = chart.offScaleMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].side, OffScaleMark::Side::Below);
    EXPECT_EQ(marks[0].edge, OffScaleMark::Edge::Top);
    EXPECT_LE(marks[0].rect.top() - chart.axisArea(2).top(), 6);
}
