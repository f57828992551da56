// Alarm limits and marks on the screen: each limit a dashed line across its
// channel's plot in the channel's colour, each alarm's beginning a solid line
// and its end a dotted one; a graph file brings them back as they were, and a
// graph file written before alarms existed still opens.
#include "chart/ChartColors.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>

namespace {

constexpr double Start = 46000.5;
constexpr double Second = 1.0 / 86400;
constexpr int Points = 40;

// Four channels, one axis each, calm curves between 20 and 30 on -10 .. 50,
// grid lines every 10 degrees and 5 seconds (the limits and marks lie between them).
void prepare(PESGraph& chart)
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
        chart.setMultiAxesSubsets(axis, 1);
        chart.setMultiAxesProportions(axis, 0.25);
    }
    chart.setWorkingAxis(0);
    for (int s = 0; s < 4; ++s)
        for (int p = 0; p < Points; ++p) {
            chart.setXDataII(s, p, Start + p * Second);
            chart.setYData(s, p, float(25 + 5 * std::sin(p / 5.0 + s)));
        }
    chart.PEactions(sgReinitAndReset);
}

// A pixel of `color`'s hue at a third of its strength or more: antialiasing
// spreads a thin line over two rows or columns at part strength, on black.
bool near(const QColor& pixel, const QColor& color)
{
    const int p = std::max({pixel.red(), pixel.green(), pixel.blue()});
    const int c = std::max({color.red(), color.green(), color.blue()});
    if (p * 3 < c || p == 0)
        return false;
    return std::abs(pixel.red() * 255 / p - color.red() * 255 / c) < 60
           && std::abs(pixel.green() * 255 / p - color.green() * 255 / c) < 60
           && std::abs(pixel.blue() * 255 / p - color.blue() * 255 / c) < 60;
}

// `color` at (x, y) or at a pixel beside it across the line's direction.
bool hitAcross(const QImage& image, int x, int y, bool alongRow, const QColor& color)
{
    for (int d = -1; d <= 1; ++d) {
        const QPoint p = alongRow ? QPoint(x, y + d) : QPoint(x + d, y);
        if (image.rect().contains(p) && near(image.pixelColor(p), color))
            return true;
    }
    return false;
}

// Along a row or a column of the picture inside `area`: the pixels of
// `color` and the runs they make (a dashed line makes many).
struct Trace {
    int pixels = 0;
    int runs = 0;
};

Trace traceRow(const QImage& image, int y, const QRect& area, const QColor& color)
{
    Trace t;
    bool inside = false;
    for (int x = area.left(); x <= area.right(); ++x) {
        const bool hit = hitAcross(image, x, y, true, color);
        t.pixels += hit;
        t.runs += hit && !inside;
        inside = hit;
    }
    return t;
}

Trace traceColumn(const QImage& image, int x, const QRect& area, const QColor& color)
{
    Trace t;
    bool inside = false;
    for (int y = area.top() + 10; y <= area.bottom(); ++y) {   // below the mark's triangle
        const bool hit = hitAcross(image, x, y, false, color);
        t.pixels += hit;
        t.runs += hit && !inside;
        inside = hit;
    }
    return t;
}

QColor colorOf(const PESGraph& chart, int subset)
{
    return ChartColor::fromRef(chart.SubsetColors(subset));
}

int rowOf(const PESGraph& chart, int axis, double y)
{
    return int(std::lround(chart.graphToPixel({Start, y}, axis).y()));
}

int columnOf(const PESGraph& chart, int axis, double x)
{
    return int(std::lround(chart.graphToPixel({x, 0}, axis).x()));
}

const std::vector<LimitLine> Limits{{0, 37.0, true}, {2, 5.0, false}};
const std::vector<AlarmMark> Marks{{Start + 12 * Second, 1, true, QStringLiteral("T2 above 28.0")},
                                   {Start + 27 * Second, 1, false, QString()}};

void addAlarms(PESGraph& chart)
{
    chart.setLimitLines(Limits);
    for (const AlarmMark& m : Marks)
        chart.addAlarmMark(m);
    chart.redrawNow();
}

} // namespace

TEST(AlarmLines, LimitsAreDashedAndMarksAreLinesInTheChannelsColour)
{
    PESGraph plain;
    prepare(plain);
    plain.redrawNow();
    PESGraph chart;
    prepare(chart);
    addAlarms(chart);
    const QImage without = plain.grab().toImage();
    const QImage with = chart.grab().toImage();

    for (const LimitLine& l : Limits) {
        SCOPED_TRACE(l.subset);
        const QRect area = chart.axisArea(l.subset);
        const int y = rowOf(chart, l.subset, l.y);
        const Trace drawn = traceRow(with, y, area, colorOf(chart, l.subset));
        // Across the plot, dashed: many runs that cover much of the row but not all of it.
        EXPECT_GT(drawn.pixels, area.width() / 3);
        EXPECT_LT(drawn.pixels, area.width() * 9 / 10);
        EXPECT_GT(drawn.runs, 10);
        // Without the limit only the curve and the grid's dots cross that row.
        EXPECT_LT(traceRow(without, y, area, colorOf(chart, l.subset)).pixels, area.width() / 20);
    }

    const QRect area = chart.axisArea(1);
    const Trace begins = traceColumn(with, columnOf(chart, 1, Marks[0].x), area, colorOf(chart, 1));
    const Trace ends = traceColumn(with, columnOf(chart, 1, Marks[1].x), area, colorOf(chart, 1));
    EXPECT_GT(begins.pixels, (area.height() - 10) * 9 / 10);   // solid
    EXPECT_GT(ends.pixels, (area.height() - 10) / 4);           // dotted
    EXPECT_GT(ends.runs, 5);
    EXPECT_LT(traceColumn(without, columnOf(chart, 1, Marks[0].x), area, colorOf(chart, 1)).pixels, 8);
    // The other channels' plots show no mark of T2's alarm.
    EXPECT_LT(traceColumn(with, columnOf(chart, 0, Marks[0].x), chart.axisArea(0), colorOf(chart, 1)).pixels, 8);
}

TEST(AlarmLines, AGraphFileBringsThemBackAsTheyWere)
{
    QTemporaryDir dir;
    PESGraph chart;
    prepare(chart);
    addAlarms(chart);
    const QString path = dir.filePath(QStringLiteral("alarms.ghf"));
    ASSERT_TRUE(StoreGraphFile(chart, path));

    PESGraph opened;
    opened.resize(900, 600);
    opened.show();
    ASSERT_TRUE(LoadGraphFile(opened, path));
    opened.redrawNow();
    EXPECT_EQ(opened.LimitLines(), Limits);
    EXPECT_EQ(opened.AlarmMarks(), Marks);
    EXPECT_EQ(opened.grab().toImage(), chart.grab().toImage());
}

TEST(AlarmLines, AGraphFileFromBeforeAlarmsStillOpens)
{
    // Written by the program before graph files held alarms (version 1).
    PESGraph chart;
    ASSERT_TRUE(LoadGraphFile(chart, QStringLiteral(TQ612_SOURCE_DIR "/fuzz/corpus/graphfile/template.ghf")));
    EXPECT_EQ(chart.Subsets(), 4);
    EXPECT_TRUE(chart.LimitLines().empty());
    EXPECT_TRUE(chart.AlarmMarks().empty());
}
