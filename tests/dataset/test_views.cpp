// The data sets grid, table rows as graph points, and reading text files into tables.
#include "ImageBuilder.h"

#include "app/Regional.h"
#include "files/TableTextReader.h"
#include "logger/DataSetModel.h"
#include "logger/DataSetsGrid.h"
#include "logger/LoadResult.h"
#include "logger/TableToGraph.h"

#include <QBuffer>
#include <QTableWidget>
#include <gtest/gtest.h>

TEST(DataSetsGrid, IntervalText)
{
    const std::pair<int, const char*> cases[] = {{0, "00:00"}, {30, "00:30"}, {90, "01:30"}, {5999, "99:59"}, {6000, "100:00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(DataSetsGrid::intervalText(seconds), QLatin1String(text)) << seconds;
}

TEST(DataSetsGrid, RowsAndSelection)
{
    std::vector<DataSetSpec> sets;
    for (int k = 0; k < 5; ++k)
        sets.push_back(countingSet(k + 1));
    sets[4].flags = 0x0F;
    sets[4].stamp = {0x25, 0x12, 0x31, 0x23, 0x59, 0x50, 0x00, 0x30};
    DataSetModel model;
    model.RawImage = buildImage(sets);
    ASSERT_EQ(model.ParseImage(612), LoadResult::Success);

    const QStringList last = DataSetsGrid::rowTexts(model, 4);
    EXPECT_EQ(last, (QStringList{"5", Regional::dateText(model.StartTimes[4]), "23:59:50", "00:30", "5", "F"}));
    EXPECT_EQ(DataSetsGrid::rowTexts(model, 0).last(), QStringLiteral("C"));

    QTableWidget grid;
    DataSetsGrid::setUp(grid);
    EXPECT_EQ(grid.rowCount(), 1);
    grid.selectRow(0);
    EXPECT_FALSE(DataSetsGrid::selectedDataSet(grid).has_value()) << "the blank row draws nothing";

    DataSetsGrid::fill(grid, model);
    EXPECT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(DataSetsGrid::selectedDataSet(grid), 0);
    grid.selectRow(2);
    ASSERT_EQ(DataSetsGrid::selectedDataSet(grid), 2);
    EXPECT_EQ(model.firstReadingIndex(2), 4 * (1 + 2));
    EXPECT_EQ(grid.item(4, 3)->text(), QStringLiteral("00:30"));
}

TEST(TableToGraph, RowToPoint)
{
    const TDateTime t = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    const QString date = Regional::dateText(t);
    const QString time = Regional::timeText(t);
    const auto num = [](double v) { return Regional::fixed(v, 1); };
    constexpr float No = TableToGraph::NoDataValue;
    struct Case {
        const char* what;
        QStringList cells;
        TDateTime x;
        std::array<float, 4> y;
    };
    const Case cases[] = {
        {"complete row", {date, time, num(1.5), num(-2), num(30), num(0)}, t, {1.5f, -2.0f, 30.0f, 0.0f}},
        {"OL in T2", {date, time, num(1), "OL", num(3), num(4)}, t, {1.0f, No, 3.0f, 4.0f}},
        {"T3 not a number keeps X, T1, T2", {date, time, num(1), num(2), "x1", num(4)}, t, {1.0f, 2.0f, No, No}},
        {"missing readings", {date, time, num(1)}, t, {1.0f, No, No, No}},
        {"unreadable date skips the row", {"31/31/31x", time, num(1), num(2), num(3), num(4)}, 0, {No, No, No, No}},
    };
    for (const Case& c : cases) {
        const TableToGraph::Point p = TableToGraph::rowToPoint(c.cells);
        EXPECT_NEAR(p.x, c.x, DateTime::OneSecond / 10) << c.what;
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(p.y[i], c.y[i]) << c.what << " T" << i + 1;
    }
}

namespace {
// The rows a table window gets from `text`, six cells each.
QList<QStringList> readText(const QByteArray& text, QChar separator)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    TableRows rows;
    TableTextReader::read(buffer, separator, rows);
    QList<QStringList> cells;
    for (int r = 0; r < rows.count(); ++r)
        cells << rows.fields(r);
    return cells;
}
} // namespace

TEST(TableTextReader, Lines)
{
    const QStringList row1{"d1", "t1", "1.0", "2.0", "3.0", "4.0"};
    const QStringList row2{"d2", "t2", "OL", "2.5", "3.5", "4.5"};
    struct Case {
        const char* what;
        QByteArray text;
        QChar separator;
        QList<QStringList> rows;
    };
    const Case cases[] = {
        {"written from a graph", "d1\tt1\t1.0\t2.0\t3.0\t4.0\r\nd2\tt2\tOL\t2.5\t3.5\t4.5\r\n", '\t', {row1, row2}},
        {"written from a table", "d1\tt1\t1.0\t2.0\t3.0\t4.0\t\r\nd2\tt2\tOL\t2.5\t3.5\t4.5\t\r\n", '\t', {row1, row2}},
        {"last line without line end", "d1,t1,1.0,2.0,3.0,4.0\nd2,t2,OL,2.5,3.5,4.5", ',', {row1, row2}},
        {"blank line ends reading", "d1\tt1\t1.0\t2.0\t3.0\t4.0\n\nd2\tt2\tOL\t2.5\t3.5\t4.5\n", '\t', {row1}},
        {"TAB line in a CSV file ends reading", "d1,t1,1.0,2.0,3.0,4.0\nd2\tt2\tOL\n", ',', {row1}},
        {"fields after the sixth are dropped", "d1,t1,1.0,2.0,3.0,4.0,extra,more\n", ',', {row1}},
        {"short line", "d1\tt1\n", '\t', {{"d1", "t1", "", "", "", ""}}},
        {"empty file", "", '\t', {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readText(c.text, c.separator), c.rows) << c.what;
}

TEST(TableTextReader, LongLineIsCutAndEndsReading)
{
    const QByteArray longLine = "a\tb\t" + QByteArray(300, 'x') + "\nd2\tt2\n";
    const auto rows = readText(longLine, '\t');
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][2].size(), TableTextReader::MaxLineLength - 4);
}

TEST(TableTextReader, StopsWhenAskedAndCountsLines)
{
    QBuffer buffer;
    buffer.setData("a\tb\nc\td\ne\tf\n");
    buffer.open(QIODevice::ReadOnly);
    QList<int> counts;
    TableRows rows;
    TableTextReader::read(buffer, '\t', rows, [&counts](int k) {
        counts << k;
        return k < 2;
    });
    EXPECT_EQ(counts, (QList<int>{1, 2}));
    EXPECT_EQ(rows.count(), 1);
}

#include "files/TextLines.h"

TEST(TextLines, ValueFieldsAndLines)
{
    const QChar dp = Regional::decimalPoint();
    const auto dec = [dp](const char* s) { return QString::fromLatin1(s).replace('.', dp); };
    EXPECT_EQ(TextLines::valueField(2500.0f), dec("2500.0"));
    EXPECT_EQ(TextLines::valueField(-328.0f), dec("-328.0"));
    for (float over : {2500.1f, -328.1f, 9999.0f})
        EXPECT_EQ(TextLines::valueField(over), QStringLiteral("OL")) << over;

    const TDateTime t = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    const QString graph = TextLines::graphLine(t, {1.0f, 9999.0f, -2.5f, 0.0f}, '\t');
    EXPECT_EQ(graph, Regional::dateText(t) + '\t' + Regional::timeText(t) + '\t' + dec("1.0") + "\tOL\t" + dec("-2.5") + '\t' + dec("0.0"));
    EXPECT_EQ(TextLines::tableLine({"a", "b", ""}, ','), QStringLiteral("a,b,,"));

    // What the writers write, the reader reads back into the same fields.
    QBuffer buffer;
    buffer.setData((graph + "\r\n" + TextLines::tableLine(TableTextReader::splitLine(graph, '\t'), '\t') + "\r\n").toUtf8());
    buffer.open(QIODevice::ReadOnly);
    TableRows rows;
    TableTextReader::read(buffer, '\t', rows);
    ASSERT_EQ(rows.count(), 2);
    EXPECT_EQ(rows.fields(0), rows.fields(1));
}

TEST(TextLines, SeparatorByName)
{
    for (const char* name : {"a.csv", "a.CSV", "b.Csv"})
        EXPECT_EQ(TextLines::tableSeparatorFor(name), QChar(',')) << name;
    for (const char* name : {"a.txt", "a.dat", "noext"})
        EXPECT_EQ(TextLines::tableSeparatorFor(name), QChar('\t')) << name;
}

TEST(TextLines, ChosenRange)
{
    struct Case { const char* from; const char* to; int last; int a; int b; };
    const Case cases[] = {{"10", "3", 20, 3, 10}, {"-4", "7", 20, 4, 7}, {"0", "5", 20, 1, 5}, {"2", "99", 20, 2, 20}};
    for (const Case& c : cases) {
        const auto r = TextLines::chosenRange(c.from, c.to, c.last);
        ASSERT_TRUE(r.has_value()) << c.from << ".." << c.to;
        EXPECT_EQ(r->from, c.a);
        EXPECT_EQ(r->to, c.b);
    }
    for (const auto& [from, to] : {std::pair{"x", "5"}, std::pair{"1.5", "5"}, std::pair{"1", ""}})
        EXPECT_FALSE(TextLines::chosenRange(from, to, 20).has_value()) << from << ".." << to;
}
