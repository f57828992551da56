// The main window's collection files, Save and Open routing and table windows.
#include "MainFilesFixture.h"

#include "app/UMain.h"
#include "files/UOpenSave.h"
#include "graph/UGraph.h"
#include "logger/CollectionFile.h"
#include "logger/DataSetsGrid.h"
#include "logger/LoadResult.h"
#include "logger/UList.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"
#include "support/UnwritableFolder.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>


TEST_F(MainFiles, CollectionRoundTrip)
{
    const QByteArray first = buildImage({countingSet(3), countingSet(5, 200)});
    load(first);
    const auto rows = gridRows(main.DataSets);
    const auto readings = main.DataSets.Readings;

    prompts.fileNames.push_back(path("sets.CH4"));
    main.SaveCollection();
    EXPECT_EQ(readFile(path("sets.CH4")), first);
    EXPECT_FALSE(main.DataSetsUnsaved);
    ASSERT_EQ(prompts.fileRequests.size(), 1);
    EXPECT_EQ(prompts.fileRequests[0].filter, CollectionFile::SaveFilter);
    EXPECT_EQ(prompts.fileRequests[0].defaultSuffix, QStringLiteral("CH4"));

    // Another load, then the saved file opened again.
    load(buildImage({countingSet(1)}));
    prompts.fileNames.push_back(path("sets.CH4"));
    main.OpenCollection();
    EXPECT_EQ(userMessages(), QStringList());
    EXPECT_EQ(gridRows(main.DataSets), rows);
    EXPECT_EQ(main.DataSets.Readings, readings);
    EXPECT_TRUE(main.DataSets.RawImage.isEmpty());
    EXPECT_EQ(prompts.fileRequests.last().filter, CollectionFile::OpenFilter);

    // Saving again gives a file equal to the one just opened.
    EXPECT_EQ(readFile(scratch()), first);
    prompts.fileNames.push_back(path("again.CH4"));
    main.SaveCollection();
    EXPECT_EQ(readFile(path("again.CH4")), first);
}

// A collection that cannot be written: a warning with the file and the
// system's reason, and the data sets stay marked unsaved.
TEST_F(MainFiles, FailedSaveWarnsWithTheReasonAndKeepsUnsaved)
{
    load(buildImage({countingSet(2)}));
    const struct {
        QString target;
        QString reason;
    } cases[] = {
        {path("missing-folder/sets.CH4"), QString::fromLocal8Bit(std::strerror(ENOENT))},
        {unwritableFolder(dir) + QStringLiteral("/sets.CH4"), QString::fromLocal8Bit(std::strerror(EACCES))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        prompts.warnings.clear();
        prompts.fileNames.push_back(c.target);
        EXPECT_FALSE(main.SaveCollection());
        ASSERT_EQ(prompts.warnings.size(), 1);
        EXPECT_TRUE(prompts.warnings[0].contains(c.target));
        EXPECT_TRUE(prompts.warnings[0].contains(c.reason)) << prompts.warnings[0].toStdString();
        EXPECT_EQ(userMessages(), QStringList());
        EXPECT_FALSE(QFile::exists(c.target));
        EXPECT_TRUE(main.DataSetsUnsaved);
    }
}

// The DataLogger window names the collection file only once the file was
// written; without a scratch file there is nothing to write, and nothing may
// count as saved.
TEST_F(MainFiles, OnlyAWrittenCollectionFileCountsAsSaved)
{
    const QByteArray image = buildImage({countingSet(2)});
    const struct {
        const char* name;
        bool scratchFile;
        const char* caption;
    } cases[] = {
        {"with a scratch file", true, "DataLogger - sets.CH4"},
        {"without a scratch file", false, "DataLogger"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(main.ShowDataLoggerGraph());
        main.nameDataLoggerWindow(QString());
        load(image);
        if (!c.scratchFile)
            ASSERT_TRUE(QFile::remove(scratch()));
        QFile::remove(path("sets.CH4"));
        prompts.fileNames.push_back(path("sets.CH4"));
        prompts.warnings.clear();
        EXPECT_EQ(main.SaveCollection(), c.scratchFile);
        EXPECT_EQ(QFile::exists(path("sets.CH4")), c.scratchFile);
        EXPECT_EQ(main.DataLoggerGraph->windowTitle(), QLatin1String(c.caption));
        EXPECT_EQ(main.DataSetsUnsaved, !c.scratchFile) << "the close question must still come";
        EXPECT_EQ(prompts.warnings.size(), c.scratchFile ? 0 : 1) << "nothing written is said";
    }
}

TEST_F(MainFiles, CancelledSaveChangesNothing)
{
    load(buildImage({countingSet(2)}));
    main.SaveCollection();
    EXPECT_TRUE(main.DataSetsUnsaved);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(MainFiles, BadCollectionIsReportedAndChangesNothing)
{
    const QByteArray good = buildImage({countingSet(3)});
    load(good);
    DataSetSpec broken = countingSet(2);
    broken.marker0 = 0;
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"empty.CH4", {}}, {"broken.CH4", buildImage({broken})}, {"nosets.CH4", buildImage({})}};
    for (const auto& c : cases) {
        writeFile(path(c.name), c.bytes);
        prompts.messages.clear();
        EXPECT_FALSE(main.OpenCollectionFile(path(c.name))) << c.name;
        ASSERT_EQ(userMessages().size(), 1) << c.name;
        EXPECT_TRUE(userMessages()[0].contains(path(c.name)));
        EXPECT_EQ(main.DataSets.dataSetCount(), 1) << c.name;
        EXPECT_EQ(readFile(scratch()), good) << c.name;
    }
    prompts.messages.clear();
    EXPECT_FALSE(main.OpenCollectionFile(path("does-not-exist.CH4")));
    EXPECT_EQ(userMessages().size(), 1);
}

TEST_F(MainFiles, FixedErrorKeepsDataSetsBeforeTheBadOne)
{
    std::vector<DataSetSpec> sets(4, countingSet(2));
    sets[2].marker1 = 0;
    main.DataSets.RawImage = buildImage(sets);
    ASSERT_EQ(main.ParseImage(), LoadResult::DataError);
    main.DataSets.RawImage.clear();

    EXPECT_EQ(main.KeepGoodDataSets(), LoadResult::Success);
    EXPECT_EQ(main.DataSets.dataSetCount(), 2);
    const QByteArray scratchBytes = readFile(scratch());
    EXPECT_EQ(scratchBytes.size(), 257 + 2 * 32);
    EXPECT_EQ(scratchBytes[10], 2);
}

TEST_F(MainFiles, OpenChoiceTexts)
{
    QStringList texts;
    prompts.dialogs.push_back([&texts](QDialog& d) {
        auto& choice = dynamic_cast<TfrmOpenSave&>(d);
        texts << choice.windowTitle() << choice.btnOpenSets->text() << choice.btnOpenSingleSet->text();
        return int(TfrmOpenSave::Cancel);
    });
    main.Open1Click();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], QStringLiteral("Open File"));
    EXPECT_EQ(texts[1], QStringLiteral("Open a data set collection file(*.CH4)"));
    EXPECT_TRUE(texts[2] == QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)")
                || texts[2] == QStringLiteral("Open single data flle(*.TXT,*.GHF)"));
    EXPECT_TRUE(prompts.fileRequests.isEmpty()) << "Cancel opens nothing";

    TfrmOpenSave save;
    EXPECT_EQ(save.windowTitle(), QStringLiteral("Save File"));
    EXPECT_EQ(save.btnOpenSets->text(), QStringLiteral("Save all data sets to a data set collection file(*.ch4)"));
    EXPECT_EQ(save.btnOpenSingleSet->text(), QStringLiteral("Save single selected  data set to a  file"));
}

TEST_F(MainFiles, OpenTextFilesByExtension)
{
    writeFile(path("data.Txt"), "d1\tt1\t1.0\t2.0\t3.0\t4.0\r\nd2\tt2\t5.0\t6.0\t7.0\t8.0");
    writeFile(path("data.CSV"), "d1,t1,1.0,2.0,3.0,4.0\r\nd2,t2,5.0,6.0,7.0,8.0\r\n");
    for (const char* name : {"data.Txt", "data.CSV"}) {
        prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSingleSet); });
        prompts.fileNames.push_back(path(name));
        main.Open1Click();
        auto* list = qobject_cast<TfrmList*>(main.activeChild());
        ASSERT_NE(list, nullptr) << name;
        EXPECT_EQ(list->windowTitle(), path(name));
        ASSERT_EQ(list->dataRowCount(), 2) << name;
        EXPECT_EQ(list->cell(2, 0), QStringLiteral("2"));
        EXPECT_EQ(list->rowFields(2), (QStringList{"d2", "t2", "5.0", "6.0", "7.0", "8.0"})) << name;
        EXPECT_TRUE(main.btnOutputToGraph->isEnabled()) << "a table window is active";
    }
}

TEST_F(MainFiles, GraphButtonFollowsTheActiveChild)
{
    writeFile(path("one.txt"), "d1\tt1\t1.0\n");
    TfrmList* list = main.OpenTextFile(path("one.txt"), '\t');
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(main.btnOutputToGraph->isEnabled());

    auto* other = new QWidget;
    other->setObjectName(QStringLiteral("graph"));
    main.addChild(other)->show();
    main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
    EXPECT_FALSE(main.btnOutputToGraph->isEnabled());

    main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    EXPECT_TRUE(main.btnOutputToGraph->isEnabled());
}

TEST_F(MainFiles, TableWithoutFirstDateHasNoDataToGraph)
{
    writeFile(path("nodate.txt"), "\tt1\t1.0\n");
    ASSERT_NE(main.OpenTextFile(path("nodate.txt"), '\t'), nullptr);
    main.btnOutputToGraphClick();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("No data to graph !")});
}

#include "app/Regional.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

TEST_F(MainFiles, GridClickDrawsTheChosenDataSet)
{
    std::vector<DataSetSpec> sets;
    for (int k = 0; k < 5; ++k)
        sets.push_back(countingSet(k + 2, std::uint16_t(100 * k)));
    sets[3].records.clear();  // a data set without records
    const QByteArray image = buildImage(sets);
    writeFile(path("five.CH4"), image);
    prompts.fileNames.push_back(path("five.CH4"));
    main.OpenCollection();
    TfrmGraph* graph = main.DataLoggerGraph;
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->windowTitle(), QStringLiteral("DataLogger - five.CH4")) << "the caption names the collection";
    ASSERT_EQ(graph->Grid2->rowCount(), 5);
    EXPECT_EQ(graph->txtDataNo->text(), QStringLiteral("2")) << "data set 1 is drawn after opening";

    graph->Grid2->selectRow(2);
    main.Grid2Click();
    const PESGraph& chart = *graph->PESGraph1;
    const int first = 4 * (2 + 3);
    ASSERT_EQ(chart.Subsets(), 4);
    ASSERT_EQ(chart.Points(), 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_FLOAT_EQ(chart.YData(c, r), main.DataSets.Readings[first + 4 * r + c]) << r << "," << c;
            EXPECT_DOUBLE_EQ(chart.XDataII(c, r), main.DataSets.ReadingTimes[first + 4 * r + c]);
        }
    EXPECT_FLOAT_EQ(chart.YData(0, 0), 20.0f);
    EXPECT_EQ(graph->txtDataNo->text(), QStringLiteral("4"));
    EXPECT_EQ(graph->txtStartTime->text(), Regional::dateTimeText(main.DataSets.StartTimes[2]));
    EXPECT_EQ(graph->ComboBox1->currentText(), QStringLiteral("00"));
    EXPECT_EQ(graph->ComboBox2->currentText(), QStringLiteral("30"));
    EXPECT_EQ(graph->Grid2->item(2, 3)->text(), QStringLiteral("00:30"));

    graph->Grid2->selectRow(3);
    main.Grid2Click();
    EXPECT_EQ(chart.Points(), 0);
    EXPECT_EQ(graph->txtDataNo->text(), QStringLiteral("0"));
    EXPECT_EQ(graph->Grid2->item(3, 4)->text(), QStringLiteral("0"));
}

TEST_F(MainFiles, OneClickOrKeyDrawsTheChosenDataSetOnce)
{
    std::vector<DataSetSpec> sets;
    for (int k = 0; k < 5; ++k)
        sets.push_back(countingSet(k + 2, std::uint16_t(100 * k)));
    writeFile(path("five.CH4"), buildImage(sets));
    prompts.fileNames.push_back(path("five.CH4"));
    main.OpenCollection();
    TfrmGraph* graph = main.DataLoggerGraph;
    ASSERT_NE(graph, nullptr);
    QTableWidget& grid = *graph->Grid2;
    graph->parentWidget()->resize(900, 600);
    QCoreApplication::processEvents();
    ASSERT_TRUE(grid.isVisible());
    ASSERT_TRUE(grid.viewport()->rect().contains(grid.visualItemRect(grid.item(2, 1)).center()))
        << grid.viewport()->width() << "x" << grid.viewport()->height();

    QList<int> drawn;
    QObject::connect(&main, &TfrmMain::dataSetDrawn, [&](int k) { drawn << k; });
    const auto click = [&](int row) {
        const QPoint at = grid.visualItemRect(grid.item(row, 1)).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(grid.viewport(), &event);
            QCoreApplication::processEvents();
        }
    };
    const auto keyDown = [&] {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(&grid, &event);
        QCoreApplication::processEvents();
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        QList<int> drawn;
    };
    const Step steps[] = {
        {"click on data set 3", [&] { click(2); }, {2}},
        {"click on it again", [&] { click(2); }, {2}},
        {"arrow key down", keyDown, {3}},
        {"click on data set 1", [&] { click(0); }, {0}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        drawn.clear();
        step.act();
        EXPECT_EQ(drawn, step.drawn);
        EXPECT_EQ(graph->txtDataNo->text(), QString::number(step.drawn.last() + 2));
    }
}

TEST_F(MainFiles, TableToGraph)
{
    const TDateTime t0 = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 0)));
    const auto line = [](TDateTime t, const QString& a, const QString& b, const QString& c, const QString& d) {
        return (QStringList{Regional::dateText(t), Regional::timeText(t), a, b, c, d}.join('\t') + "\r\n").toUtf8();
    };
    const QString one = Regional::fixed(1.5, 1);
    QByteArray text;
    for (int r = 0; r < 6; ++r) {
        const TDateTime t = t0 + r * 10 * DateTime::OneSecond;
        if (r == 4)
            text += line(t, one, "OL", one, one);
        else if (r == 2)
            text += line(t, one, one, "n/a", one);
        else
            text += line(t, one, one, one, one);
    }
    writeFile(path("table.txt"), text);
    TfrmList* list = main.OpenTextFile(path("table.txt"), '\t');
    ASSERT_NE(list, nullptr);
    main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    main.btnOutputToGraphClick();

    auto* graph = qobject_cast<TfrmGraph*>(main.activeChild());
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->windowTitle(), path("table.txt"));
    const PESGraph& chart = *graph->PESGraph1;
    ASSERT_EQ(chart.Points(), 6);
    EXPECT_NEAR(chart.XDataII(0, 5), t0 + 50 * DateTime::OneSecond, DateTime::OneSecond / 10);
    EXPECT_FLOAT_EQ(chart.YData(1, 4), 9999.0f) << "OL";
    EXPECT_FLOAT_EQ(chart.YData(0, 4), 1.5f);
    // An unreadable T3 keeps X, T1 and T2 and leaves T3 and T4 empty.
    EXPECT_NEAR(chart.XDataII(3, 2), t0 + 20 * DateTime::OneSecond, DateTime::OneSecond / 10);
    EXPECT_FLOAT_EQ(chart.YData(1, 2), 1.5f);
    EXPECT_FLOAT_EQ(chart.YData(2, 2), 9999.0f);
    EXPECT_FLOAT_EQ(chart.YData(3, 2), 9999.0f);
    EXPECT_EQ(main.DataLoggerGraph, nullptr) << "a table graph is not the DataLogger window";
}

// "Output Tabular to graph" opens its window at the graph window's own size,
// a client area of 1175 × 612 centred in the frame, or as large as the frame
// where that is smaller.
TEST_F(MainFiles, TableGraphOpensAtItsOwnSizeOrTheFrames)
{
    const TDateTime t0 = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 0)));
    QByteArray text;
    for (int r = 0; r < 3; ++r) {
        const TDateTime t = t0 + r * 10 * DateTime::OneSecond;
        const QString one = Regional::fixed(1.5, 1);
        text += (QStringList{Regional::dateText(t), Regional::timeText(t), one, one, one, one}.join('\t') + "\r\n").toUtf8();
    }
    writeFile(path("table.txt"), text);
    const struct {
        QSize frame;
        bool fits;
    } cases[] = {{{1600, 1000}, true}, {{900, 500}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame.width());
        frame->resize(c.frame);
        QCoreApplication::processEvents();
        TfrmList* list = main.OpenTextFile(path("table.txt"), '\t');
        ASSERT_NE(list, nullptr);
        main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
        main.btnOutputToGraphClick();
        auto* graph = qobject_cast<TfrmGraph*>(main.activeChild());
        ASSERT_NE(graph, nullptr);
        QCoreApplication::processEvents();
        const QRect client = main.MdiArea->viewport()->rect();
        const QRect window = graph->parentWidget()->geometry();
        if (c.fits) {
            EXPECT_EQ(graph->size(), QSize(1175, 612));
            EXPECT_LE((window.center() - client.center()).manhattanLength(), 2) << "centred";
            auto* scroller = graph->findChild<QScrollArea*>(QStringLiteral("GraphScroller"));
            ASSERT_NE(scroller, nullptr);
            EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible());
            EXPECT_FALSE(scroller->verticalScrollBar()->isVisible());
        } else {
            EXPECT_EQ(window, client);
        }
        graph->parentWidget()->close();
        list->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
