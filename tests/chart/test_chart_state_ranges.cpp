// A chart state read from a file is checked field by field: settings outside
// the values the chart knows, and ranges or proportions that are no finite
// numbers, refuse the whole block like any other damage.
#include "chart/ChartState.h"

#include <gtest/gtest.h>
#include <functional>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// A state as the program writes it for a split graph with marks.
ChartState goodState()
{
    ChartState s;
    s.resizeData(4, 3);
    for (int i = 0; i < 4; ++i) {
        s.axis(i).multiAxesSubsets = 1;
        s.axis(i).multiAxesProportion = 0.25;
        s.axis(i).manualScaleControlY = sgManualMinAndMax;
        s.axis(i).manualMinY = -10;
        s.axis(i).manualMaxY = 50;
    }
    s.graphAnnotations[4] = GraphAnnotation{46000.5, 20, sgAnnotCross, {}, 0xFF};
    s.vertLineAnnotations[0] = VertLineAnnotation{46000.5, QStringLiteral("door"), 0};
    return s;
}

struct Damage {
    const char* name;
    std::function<void(ChartState&)> apply;
};

} // namespace

TEST(ChartStateLoad, RefusesFieldsOutsideTheirRange)
{
    const Damage cases[] = {
        {"separator of about 1.1e9", [](ChartState& s) { s.options.multiAxesSeparators = 1'100'000'000; }},
        {"negative separator", [](ChartState& s) { s.options.multiAxesSeparators = -1; }},
        {"plotting method", [](ChartState& s) { s.options.plottingMethod = 99; }},
        {"grid lines", [](ChartState& s) { s.options.gridLineControl = -4; }},
        {"grid style", [](ChartState& s) { s.options.gridStyle = 5; }},
        {"legend place", [](ChartState& s) { s.options.legendLocation = 4; }},
        {"font size", [](ChartState& s) { s.options.fontSize = 1'000'000; }},
        {"padding", [](ChartState& s) { s.options.autoMinMaxPadding = 2'000'000'000; }},
        {"zooming", [](ChartState& s) { s.options.allowZooming = 4; }},
        {"date-time mode", [](ChartState& s) { s.options.dateTimeMode = 2; }},
        {"cursor mode", [](ChartState& s) { s.options.cursorMode = sgCrossHair + 1; }},
        {"data shadows", [](ChartState& s) { s.options.dataShadows = sgWith3D + 1; }},
        {"border type", [](ChartState& s) { s.options.borderTypes = sgNoBorder - 1; }},
        {"data precision", [](ChartState& s) { s.options.dataPrecision = sgThreeDecimals + 1; }},
        {"user interface", [](ChartState& s) { s.options.allowUserInterface = sgAllInterface + 1; }},
        {"zoom style", [](ChartState& s) { s.options.zoomStyle = sgFilled + 1; }},
        {"print orientation", [](ChartState& s) { s.options.defOrientation = sgPortrait + 1; }},
        {"data labels", [](ChartState& s) { s.options.allowDataLabels = sgBothDataLabels + 1; }},
        {"X scale control", [](ChartState& s) { s.manualScaleControlX = 4; }},
        {"Y scale control", [](ChartState& s) { s.axis(2).manualScaleControlY = -1; }},
        {"negative subsets of an axis", [](ChartState& s) { s.axis(1).multiAxesSubsets = -1; }},
        {"huge subsets of an axis", [](ChartState& s) { s.axis(1).multiAxesSubsets = 1'000'000; }},
        {"NaN proportion", [](ChartState& s) { s.axis(0).multiAxesProportion = NaN; }},
        {"infinite proportion", [](ChartState& s) { s.axis(3).multiAxesProportion = Inf; }},
        {"negative proportion", [](ChartState& s) { s.axis(1).multiAxesProportion = -0.25; }},
        {"proportion above 1", [](ChartState& s) { s.axis(1).multiAxesProportion = 1.5; }},
        {"NaN Y minimum", [](ChartState& s) { s.axis(0).manualMinY = NaN; }},
        {"infinite Y maximum", [](ChartState& s) { s.axis(2).manualMaxY = Inf; }},
        {"NaN X minimum", [](ChartState& s) { s.manualMinX = NaN; }},
        {"infinite X maximum", [](ChartState& s) { s.manualMaxX = -Inf; }},
        {"NaN null value", [](ChartState& s) { s.nullDataValueY = NaN; }},
        {"negative line gap", [](ChartState& s) { s.lineGapThreshold = -1; }},
        {"NaN line gap", [](ChartState& s) { s.lineGapThreshold = NaN; }},
        {"unknown pointer", [](ChartState& s) { s.arrowCursor = 4; }},
        {"no pointer", [](ChartState& s) { s.arrowCursor = 0; }},
        {"tiny mark text", [](ChartState& s) { s.graphAnnotationTextSize = 0; }},
        {"huge line text", [](ChartState& s) { s.lineAnnotationTextSize = 1'000'000'000; }},
        {"unknown mark type", [](ChartState& s) { s.graphAnnotations[4].type = 7; }},
        {"NaN mark position", [](ChartState& s) { s.graphAnnotations[4].y = NaN; }},
        {"infinite line position", [](ChartState& s) { s.vertLineAnnotations[0].x = Inf; }},
    };
    for (const Damage& c : cases) {
        ChartState s = goodState();
        c.apply(s);
        QString error;
        EXPECT_FALSE(ChartState::deserialize(s.serialize(), &error).has_value()) << c.name;
        EXPECT_TRUE(error.contains(QStringLiteral("damaged"))) << c.name << ": " << error.toStdString();
    }
}

TEST(ChartStateLoad, KeepsEveryValueWithinTheRanges)
{
    const Damage cases[] = {
        {"as written", [](ChartState&) {}},
        {"no separator", [](ChartState& s) { s.options.multiAxesSeparators = sgNoSeparator; }},
        {"thick separator", [](ChartState& s) { s.options.multiAxesSeparators = sgThickLine; }},
        {"single view", [](ChartState& s) { s.axis(0).multiAxesProportion = 1; s.axis(1).multiAxesProportion = 0; }},
        {"text pointer", [](ChartState& s) { s.arrowCursor = sgTextCursor; }},
        {"cross pointer", [](ChartState& s) { s.arrowCursor = sgCrossCursor; }},
        {"full padding", [](ChartState& s) { s.options.autoMinMaxPadding = 100; }},
        {"small line text", [](ChartState& s) { s.lineAnnotationTextSize = 80; }},
        {"huge but finite ranges", [](ChartState& s) { s.axis(0).manualMaxY = 1e300; s.manualMinX = -1e300; }},
        {"0 points", [](ChartState& s) { s.resizeData(4, 0); }},
    };
    for (const Damage& c : cases) {
        ChartState s = goodState();
        c.apply(s);
        QString error;
        const std::optional<ChartState> loaded = ChartState::deserialize(s.serialize(), &error);
        ASSERT_TRUE(loaded.has_value()) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(*loaded == s) << c.name;
    }
}
