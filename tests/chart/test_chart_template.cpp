// A template keeps how a graph looks, its vertical lines included, and
// nothing of what it showed.
#include "chart/ChartTemplate.h"

#include <gtest/gtest.h>

TEST(ChartTemplate, KeepsTheLookAndLinesAndDropsMarksAndPoints)
{
    ChartState graph;
    graph.resizeData(4, 3);
    graph.y[0][1] = 21.5f;
    graph.mainTitle = QStringLiteral("Oven test");
    graph.subsetLabels = {QStringLiteral("Oven"), QStringLiteral("T2")};
    graph.subsetColors = {0x00FFFF, 0xFFFF00};
    graph.graphBackColor = 0xFFFFFF;
    graph.axis(0).manualScaleControlY = sgManualMinAndMax;
    graph.axis(0).manualMaxY = 27;
    graph.graphAnnotations[4] = GraphAnnotation{46000.5, 20, sgAnnotTextOnly, QStringLiteral("peak here"), 0xFF};
    graph.vertLineAnnotations[0] = VertLineAnnotation{46000.5, QStringLiteral("door"), 0};

    const ChartState look = ChartTemplate::lookOf(graph);
    EXPECT_TRUE(look.graphAnnotations.isEmpty());
    EXPECT_EQ(look.points, 0);
    EXPECT_EQ(look.subsets, 4);

    // Everything else is the graph's own look, the vertical line too.
    ChartState expected = graph;
    expected.graphAnnotations.clear();
    expected.resizeData(4, 0);
    EXPECT_TRUE(look == expected);
    EXPECT_EQ(look.vertLineAnnotations.value(0).text, QStringLiteral("door"));
}
