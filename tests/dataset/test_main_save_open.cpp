// The main window's file commands with their progress dialogs: statistics of
// every graph made from data, Cancel while graphing and opening, saving a
// table, and a graph's way through a text file back into a graph.
#include "MainFilesFixture.h"

#include "app/Regional.h"
#include "app/TimeSlice.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "files/SaveGraph.h"
#include "files/UOpenSave.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "logger/UList.h"
#include "support/ProgressCancel.h"
#include "support/MainGraphHost.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <functional>

namespace {

const TDateTime T0 = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 0)));

// A table file of `rows` rows ten seconds apart, T1 = first + row, T2..T4 = 1.5.
QByteArray tableText(int rows, double first = 1.5)
{
    QByteArray text;
    for (int r = 0; r < rows; ++r) {
        const TDateTime t = T0 + r * 10 * DateTime::OneSecond;
        const QString one = Regional::fixed(1.5, 1);
        text += (QStringList{Regional::dateText(t), Regional::timeText(t), Regional::fixed(first + r, 1), one, one, one}
                     .join('\t')
                 + "\r\n")
                    .toUtf8();
    }
    return text;
}

class MainSaveOpen : public MainFiles {
protected:
    TfrmList* openTable(const char* name, const QByteArray& text)
    {
        writeFile(path(name), text);
        TfrmList* list = main.OpenTextFile(path(name), '\t');
        if (list)
            main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
        return list;
    }
    TfrmGraph* graphTable(const char* name, const QByteArray& text)
    {
        if (!openTable(name, text))
            return nullptr;
        main.btnOutputToGraphClick();
        return qobject_cast<TfrmGraph*>(main.activeChild());
    }
    void answerRangeAll()
    {
        prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmScope&>(d).radAll->setChecked(true);
            return 1;
        });
    }
};

} // namespace

TEST_F(MainSaveOpen, StatisticsOfEveryGraphMadeFromData)
{
    struct Case {
        const char* name;
        std::function<TfrmGraph*()> make;
        int points;
        double t1Max, t1Min, t1Avg;
    };
    const Case cases[] = {
        {"drawn data set",
         [this] {
             main.ShowDataLoggerGraph();
             load(buildImage({countingSet(3)}));  // T1 0.0, 0.4, 0.8
             main.DrawDataSet(0);
             return main.DataLoggerGraph.data();
         },
         3, 0.8, 0.0, 0.4},
        {"table graph", [this] { return graphTable("stats.txt", tableText(3)); }, 3, 3.5, 1.5, 2.5},
        {"opened graph file",
         [this] {
             PESGraph source;
             source.setSubsets(4);
             source.setPoints(4);
             for (int p = 0; p < 4; ++p)
                 for (int s = 0; s < 4; ++s) {
                     source.setXDataII(s, p, T0 + p * DateTime::OneSecond);
                     source.setYData(s, p, float(5 + p));
                 }
             EXPECT_TRUE(StoreGraphFile(source, path("stats.ghf")));
             return main.OpenGraphFile(path("stats.ghf"));
         },
         4, 8.0, 5.0, 6.5},
    };
    for (const Case& c : cases) {
        TfrmGraph* graph = c.make();
        ASSERT_NE(graph, nullptr) << c.name;
        EXPECT_EQ(graph->txtDataNo->text(), QString::number(c.points)) << c.name;
        EXPECT_TRUE(graph->maxField(0)->text().startsWith(Regional::fixed(c.t1Max, 1) + '@')) << c.name;
        EXPECT_TRUE(graph->minField(0)->text().startsWith(Regional::fixed(c.t1Min, 1) + '@')) << c.name;
        EXPECT_EQ(graph->avgField(0)->text(), Regional::fixed(c.t1Avg, 1)) << c.name;
        for (int ch = 1; ch < 4; ++ch)
            EXPECT_FALSE(graph->avgField(ch)->text().isEmpty()) << c.name << " T" << ch + 1;
    }
}

TEST_F(MainSaveOpen, CancelWhileGraphingKeepsTheRowsGraphed)
{
    clock.autoAdvanceMs = TimeSlice::DefaultPeriodMs;  // every row a time slice
    ProgressCancel cancel([](const TfrmScope& scope) {
        return scope.windowTitle() == QLatin1String("Graphing Progress")
               && scope.SText1->text() == QLatin1String("graphing.....") && scope.Progress1->value() == 3;
    });
    TfrmGraph* graph = graphTable("long.txt", tableText(10));
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(cancel.presses, 1);
    const PESGraph& chart = *graph->PESGraph1;
    ASSERT_EQ(chart.Points(), 10);
    for (int p = 0; p < 10; ++p)
        EXPECT_EQ(chart.XDataII(0, p) != 0, p < 3) << "point " << p;
    EXPECT_FLOAT_EQ(chart.YData(0, 2), 3.5f);
    // The points never graphed hold "no data": the maximum reads OL, the average leaves them out.
    EXPECT_EQ(graph->maxField(0)->text(), QStringLiteral("OL"));
    EXPECT_EQ(graph->avgField(0)->text(), Regional::fixed(2.5, 1));
    EXPECT_EQ(openScopes(), 0);
}

TEST_F(MainSaveOpen, CancelWhileOpeningKeepsTheRowsRead)
{
    clock.autoAdvanceMs = TimeSlice::DefaultPeriodMs;  // every line a time slice
    ProgressCancel cancel([](const TfrmScope& scope) {
        return scope.windowTitle() == QLatin1String("Open Progress") && scope.SText1->text() == QLatin1String("3");
    });
    TfrmList* list = openTable("long.txt", tableText(10));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(cancel.presses, 1);
    EXPECT_EQ(list->dataRowCount(), 3);
    EXPECT_EQ(list->cell(3, 3), Regional::fixed(3.5, 1));
    EXPECT_EQ(openScopes(), 0);
}

TEST_F(MainSaveOpen, SaveCommandWritesTheActiveTable)
{
    ASSERT_NE(openTable("in.txt", tableText(3)), nullptr);
    prompts.fileNames.push_back(path("out.csv"));
    answerRangeAll();
    main.Save1Click();
    const QList<QByteArray> lines = readFile(path("out.csv")).split('\n');
    ASSERT_EQ(lines.size(), 4);  // three lines and nothing after the last line end
    EXPECT_TRUE(lines[0].endsWith(",\r"));
    EXPECT_EQ(lines[0].count(','), 6);
}

TEST_F(MainSaveOpen, GraphThroughTextFileBackToTheSamePoints)
{
    PESGraph source;
    source.setSubsets(4);
    source.setPoints(6);
    for (int p = 0; p < 6; ++p)
        for (int s = 0; s < 4; ++s) {
            source.setXDataII(s, p, T0 + 30 * p * DateTime::OneSecond);
            source.setYData(s, p, p == 4 && s == 1 ? 9999.0f : float(p) * 2.5f - float(s) - 20.0f);
        }
    const QString file = path("trip.txt");
    prompts.fileNames.push_back(file);
    answerRangeAll();
    ASSERT_TRUE(host(main).saveGraph(source));

    prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSingleSet); });
    prompts.fileNames.push_back(file);
    main.Open1Click();
    ASSERT_NE(qobject_cast<TfrmList*>(main.activeChild()), nullptr);
    main.btnOutputToGraphClick();
    auto* graph = qobject_cast<TfrmGraph*>(main.activeChild());
    ASSERT_NE(graph, nullptr);
    const PESGraph& chart = *graph->PESGraph1;
    ASSERT_EQ(chart.Points(), 6);
    for (int p = 0; p < 6; ++p)
        for (int s = 0; s < 4; ++s) {
            EXPECT_NEAR(chart.XDataII(s, p), source.XDataII(s, p), DateTime::OneSecond / 100) << p << "," << s;
            EXPECT_FLOAT_EQ(chart.YData(s, p), source.YData(s, p)) << p << "," << s;
        }
    EXPECT_TRUE(userMessages().isEmpty());
}
