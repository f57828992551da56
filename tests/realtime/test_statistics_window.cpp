// Statistics of a whole graph window and "Show MAX/MIN on Graph".
#include "RealTimeFixture.h"

#include "app/Regional.h"
#include "graph/UGraphStatistics.h"
#include "support/MainGraphHost.h"

#include <QPushButton>

namespace {
QString dec(const char* text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), Regional::decimalPoint());
}
} // namespace

TEST_F(RealTimeTest, ComputeGraphStatisticsFillsTheFields)
{
    PESGraph& c = chart();
    const TDateTime start = 46143.375;
    c.setPoints(100);
    for (int p = 0; p < 100; ++p)
        for (int s = 0; s < 4; ++s) {
            c.setXDataII(s, p, start + p * DateTime::OneSecond);
            c.setYData(s, p, s == 0 && p == 40 ? 30.0f : 20.0f + s);
        }
    ComputeGraphStatistics(graph());
    EXPECT_EQ(graph().txtStartTime->text(), Regional::dateTimeText(start));
    EXPECT_EQ(graph().ComboBox1->currentText(), QStringLiteral("00"));
    EXPECT_EQ(graph().ComboBox2->currentText(), QStringLiteral("01"));
    EXPECT_EQ(graph().txtDataNo->text(), QStringLiteral("100"));
    EXPECT_EQ(graph().maxField(0)->text(), dec("30.0@") + Regional::dateTimeText(start + 40 * DateTime::OneSecond));
    EXPECT_EQ(graph().minField(0)->text(), dec("20.0@") + Regional::dateTimeText(start));
    EXPECT_EQ(graph().avgField(0)->text(), dec("20.1"));   // one decimal here, three after Stop
    EXPECT_EQ(graph().avgField(3)->text(), dec("23.0"));
}

TEST_F(RealTimeTest, ComputeGraphStatisticsOfAnEmptyGraph)
{
    chart().setPoints(0);
    ComputeGraphStatistics(graph());
    EXPECT_EQ(graph().txtDataNo->text(), QStringLiteral("0"));
    EXPECT_EQ(graph().ComboBox2->currentText(), QStringLiteral("00"));
    EXPECT_EQ(graph().avgField(0)->text(), QStringLiteral("****"));
}

TEST_F(RealTimeTest, ShowMaxMinOnGraphAddsFourAnnotationsEachTime)
{
    main->Settings.AnnoColor = 0x0000FF;
    host(*main).setAnnotationCount(3);
    startRun(100, 1);
    driver.ticks(2);
    main->btnStopClick();

    ShowMaxMinOnGraph(graph());
    EXPECT_EQ(host(*main).annotationCount(), 7);
    for (int c = 0; c < 4; ++c) {
        const int i = 4 + c;
        EXPECT_EQ(chart().GraphAnnotationType(i), 0);
        EXPECT_EQ(chart().GraphAnnotationColor(i), 0x0000FF);
        EXPECT_EQ(chart().GraphAnnotationText(i),
                  QStringLiteral("T%1 MAX:").arg(c + 1) + graph().maxField(c)->text() + QStringLiteral("MIN:")
                      + graph().minField(c)->text() + QStringLiteral("AVG:") + graph().avgField(c)->text());
    }
    // One below the other, in graph units.
    EXPECT_NE(chart().GraphAnnotationY(4), chart().GraphAnnotationY(5));
    EXPECT_DOUBLE_EQ(chart().GraphAnnotationX(4), chart().GraphAnnotationX(7));

    ShowMaxMinOnGraph(graph());
    EXPECT_EQ(host(*main).annotationCount(), 11);
    EXPECT_EQ(chart().GraphAnnotationText(8), chart().GraphAnnotationText(4));
}

TEST_F(RealTimeTest, EmptyFieldsAreCopiedAsEmptyText)
{
    startRun(100, 1);   // no sample yet
    ShowMaxMinOnGraph(graph());
    EXPECT_EQ(chart().GraphAnnotationText(host(*main).annotationCount()), QStringLiteral("T4 MAX:MIN:AVG:"));
}
