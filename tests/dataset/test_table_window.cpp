// The table window as the user meets it: files that hold no data open no
// window, a table opens wide and tall, progress and Cancel come in time
// slices, the DataLogger's "Table" button, and saving a table through its model.
#include "MainFilesFixture.h"

#include "app/Regional.h"
#include "app/TimeSlice.h"
#include "files/UOpenSave.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "logger/UList.h"
#include "support/ProgressCancel.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>

namespace {

class TableWindow : public MainFiles {
protected:
    // File > Open of one file, as the user does it.
    void open(const QString& file)
    {
        prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSingleSet); });
        prompts.fileNames.push_back(file);
        main.Open1Click();
    }
    void answerRangeAll()
    {
        prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmScope&>(d).radAll->setChecked(true);
            return 1;
        });
    }
    int windows() const { return int(main.MdiArea->subWindowList().size()); }
    static QList<QStringList> cells(const TfrmList& list)
    {
        QList<QStringList> all;
        for (int k = 1; k <= list.dataRowCount(); ++k) {
            QStringList row;
            for (int c = 0; c < TfrmList::ColumnCount; ++c)
                row << list.cell(k, c);
            all << row;
        }
        return all;
    }
};

QByteArray numberedRows(int rows)
{
    QByteArray text;
    for (int r = 1; r <= rows; ++r)
        text += "d" + QByteArray::number(r) + "\tt\t1.0\t2.0\t3.0\t4.0\r\n";
    return text;
}

} // namespace

TEST_F(TableWindow, FilesWithoutDataLinesOpenNoWindow)
{
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"note.txt", "Dear colleague,\nthe readings follow next week.\n"},
        {"picture.csv", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 24)},
        {"empty.txt", ""},
        {"blank-first.txt", "\r\nd1\tt1\t1.0\t2.0\t3.0\t4.0\r\n"},
        {"tabs-in-csv.csv", "d1\tt1\t1.0\t2.0\t3.0\t4.0\r\n"},
    };
    for (const Case& c : cases) {
        writeFile(path(c.name), c.bytes);
        prompts.messages.clear();
        open(path(c.name));
        EXPECT_EQ(windows(), 0) << c.name;
        EXPECT_EQ(prompts.messages,
                  QStringList{QDir::toNativeSeparators(path(c.name)) + " holds no data lines TQ612 can read."})
            << c.name;
    }
}

TEST_F(TableWindow, FileThatIsNoGraphFileSaysSoBeforeTheReason)
{
    struct Case { const char* name; QByteArray bytes; const char* reason; };
    const Case cases[] = {
        {"absurd.ghf", QByteArray("\xff\xff\xff\x7f" "abc", 7), "ends before its 2147483647 bytes"},
        {"short.ghf", "ab", "too short"},
        {"foreign.ghf", QByteArray("\x08\0\0\0" "12345678", 12), ""},
    };
    for (const Case& c : cases) {
        writeFile(path(c.name), c.bytes);
        prompts.messages.clear();
        open(path(c.name));
        EXPECT_EQ(windows(), 0) << c.name;
        ASSERT_EQ(prompts.messages.size(), 1) << c.name;
        const QString first = QDir::toNativeSeparators(path(c.name)) + " is not a TQ612 graph file.\n";
        EXPECT_TRUE(prompts.messages[0].startsWith(first)) << prompts.messages[0].toStdString();
        EXPECT_GT(prompts.messages[0].size(), first.size()) << c.name << ": the technical reason follows";
        EXPECT_TRUE(prompts.messages[0].contains(QLatin1String(c.reason))) << prompts.messages[0].toStdString();
    }
    // A file that cannot be read at all is not called foreign.
    prompts.messages.clear();
    open(path("missing.ghf"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith(QStringLiteral("Could not read the graph file"))) << prompts.messages[0].toStdString();
}

TEST_F(TableWindow, OpensWideEnoughForAllColumnsAndAsTallAsTheFrame)
{
    frame->resize(1400, 700);
    QApplication::processEvents();
    const TDateTime t = DateTime::fromQDateTime(QDateTime(QDate(2026, 1, 13), QTime(14, 0, 0)));
    QByteArray text;
    for (int r = 0; r < 500; ++r)
        text += (QStringList{Regional::dateText(t), Regional::timeText(t + r * DateTime::OneSecond), "-328.0", "OL",
                             "2500.0", "21.5"}.join('\t') + "\r\n").toUtf8();
    writeFile(path("wide.txt"), text);
    open(path("wide.txt"));
    auto* list = qobject_cast<TfrmList*>(main.activeChild());
    ASSERT_NE(list, nullptr);
    QApplication::processEvents();
    auto* sub = qobject_cast<QMdiSubWindow*>(list->parentWidget());
    EXPECT_EQ(sub->y(), 0);
    EXPECT_EQ(sub->height(), main.MdiArea->viewport()->height());
    EXPECT_LE(sub->geometry().right(), main.MdiArea->viewport()->width());

    const QTableView& grid = *list->Grid1;
    const QFontMetrics metrics(grid.font());
    const QFontMetrics headings(grid.horizontalHeader()->font());
    for (int c = 0; c < TfrmList::ColumnCount; ++c) {
        EXPECT_LE(grid.columnViewportPosition(c) + grid.columnWidth(c), grid.viewport()->width())
            << "column " << c << " is inside the window";
        EXPECT_GE(grid.columnWidth(c), headings.horizontalAdvance(TableModel::heading(c))) << "column " << c;
        for (int k : {1, 250, 500})
            EXPECT_GT(grid.columnWidth(c), metrics.horizontalAdvance(list->cell(k, c))) << "column " << c << " row " << k;
    }
}

TEST_F(TableWindow, OpenProgressAndCancelComeOncePerTimeSlice)
{
    writeFile(path("long.txt"), numberedRows(400));
    // Each line reads the clock once; the count shows every fifth line.
    clock.autoAdvanceMs = TimeSlice::DefaultPeriodMs / 5;
    QStringList shown;
    ProgressCancel cancel([&shown](const TfrmScope& scope) {
        if (scope.windowTitle() != QLatin1String("Open Progress"))
            return false;
        if (shown.isEmpty() || shown.last() != scope.SText1->text())
            shown << scope.SText1->text();
        return scope.SText1->text() == QLatin1String("100");
    });
    open(path("long.txt"));
    auto* list = qobject_cast<TfrmList*>(main.activeChild());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(cancel.presses, 1);
    for (const QString& count : shown)
        EXPECT_EQ(count.toInt() % 5, 0) << "count " << count.toStdString() << " shown between slices";
    EXPECT_EQ(list->dataRowCount(), 100) << "the rows up to the count shown at Cancel stay";
    EXPECT_EQ(list->cell(100, 1), QStringLiteral("d100"));
    EXPECT_EQ(openScopes(), 0);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(TableWindow, TableButtonShowsWhatSavingAndReopeningGives)
{
    DataSetSpec mixed;
    mixed.records = {{std::uint16_t(0x8000 | 125), 0x7FFF, 215, 1000},   // -12.5, OL, 21.5, 100.0
                     {0, std::uint16_t(0x8000 | 3280), 25000, 1}};       // 0.0, -328.0, 2500.0, 0.1
    mixed.flags = 0x08;
    std::vector<DataSetSpec> sets{countingSet(3), mixed, countingSet(40, 900)};
    main.ShowDataLoggerGraph();
    load(buildImage(sets));
    main.FillDataSetsGrid();
    TfrmGraph* graph = main.DataLoggerGraph;
    auto* button = graph->findChild<QPushButton*>(QStringLiteral("btnTable"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Table"));

    for (int set : {1, 2}) {
        graph->Grid2->selectRow(set);
        main.Grid2Click();
        button->click();
        auto* shownTable = qobject_cast<TfrmList*>(main.activeChild());
        ASSERT_NE(shownTable, nullptr) << "set " << set;
        EXPECT_EQ(shownTable->windowTitle(), QStringLiteral("DataLogger Set %1").arg(set + 1));

        // The same data set saved as text and opened again.
        main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(graph->parentWidget()));
        const QString file = path(set == 1 ? "set2.txt" : "set3.csv");
        prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSingleSet); });
        prompts.fileNames.push_back(file);
        answerRangeAll();
        main.Save1Click();
        TfrmList* reopened = main.OpenTextFile(file, set == 1 ? '\t' : ',');
        ASSERT_NE(reopened, nullptr) << "set " << set;
        EXPECT_EQ(shownTable->dataRowCount(), int(sets[size_t(set)].records.size()));
        EXPECT_EQ(cells(*shownTable), cells(*reopened)) << "set " << set;
    }
    EXPECT_EQ(cells(*qobject_cast<TfrmList*>(main.activeChild())).first().mid(3),
              (QStringList{Regional::fixed(90, 1), Regional::fixed(90.1, 1), Regional::fixed(90.2, 1), Regional::fixed(90.3, 1)}));
}

TEST_F(TableWindow, TableButtonOnAnEmptyDataSetOpensNothing)
{
    std::vector<DataSetSpec> sets{countingSet(2), DataSetSpec{}};
    main.ShowDataLoggerGraph();
    load(buildImage(sets));
    main.FillDataSetsGrid();
    TfrmGraph* graph = main.DataLoggerGraph;
    graph->Grid2->selectRow(1);
    main.Grid2Click();
    const int before = windows();
    prompts.messages.clear();
    graph->findChild<QPushButton*>(QStringLiteral("btnTable"))->click();
    EXPECT_EQ(windows(), before);
    EXPECT_EQ(userMessages(), QStringList{QStringLiteral("This data set holds no records.")});
}

TEST_F(TableWindow, SavedTableMatchesTheCellsByteForByte)
{
    // A graph-written line, an OL, a short line and a line cut at 179 characters.
    const QByteArray longTail(300, 'x');
    writeFile(path("in.txt"), "d1\tt1\t1.0\tOL\t3.0\t4.0\r\nd2\tt2\r\nd3\tt3\t" + longTail + "\r\nd4\tt4\t1\t2\t3\t4\r\n");
    open(path("in.txt"));
    ASSERT_NE(qobject_cast<TfrmList*>(main.activeChild()), nullptr);
    prompts.fileNames.push_back(path("out.csv"));
    answerRangeAll();
    main.Save1Click();
    const QByteArray cut(179 - 6, 'x');
    EXPECT_EQ(readFile(path("out.csv")), "d1,t1,1.0,OL,3.0,4.0,\r\nd2,t2,,,,,\r\nd3,t3," + cut + ",,,,\r\n");
}
