// The table window's model: the cells a read file gives (fields, row numbers,
// "OL", lines cut at 179 characters, a blank line ending the read), the
// compact rows behind them, and table rows read as graph points.
#include "app/Regional.h"
#include "files/TableTextReader.h"
#include "logger/TableModel.h"
#include "logger/TableToGraph.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace {

// The model a table window shows for the file `text`.
std::unique_ptr<TableModel> modelOf(const QByteArray& text, QChar separator)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    TableRows rows;
    TableTextReader::read(buffer, separator, rows);
    return std::make_unique<TableModel>(std::move(rows));
}

// Every cell the view would ask for, column 0 included.
QList<QStringList> shownCells(const TableModel& model)
{
    QList<QStringList> all;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model.columnCount(); ++c)
            row << model.data(model.index(r, c)).toString();
        all << row;
    }
    return all;
}

} // namespace

TEST(TableModel, CellsOfReadFiles)
{
    const QString cut179 = QStringLiteral("d\tt\t") + QString(175, 'x');
    const QString umlauts = QStringLiteral("d\tt\t") + QString(175, QChar(0x00FC));  // two bytes each
    // Lines whose "°" makes them longer in bytes than in characters.
    const QString degrees = QString(174, 'x') + QChar(0x00B0);
    const QString degrees178 = QStringLiteral("d\tt\t") + degrees.mid(1);
    const QString degrees179 = QStringLiteral("d\tt\t") + degrees;
    struct Case {
        const char* what;
        QByteArray text;
        QChar separator;
        QList<QStringList> cells;
    };
    const Case cases[] = {
        {"fields and row numbers", "d1\tt1\t1.0\t2.0\t3.0\t4.0\r\nd2\tt2\t5.0\t6.0\t7.0\t8.0\r\n", '\t',
         {{"1", "d1", "t1", "1.0", "2.0", "3.0", "4.0"}, {"2", "d2", "t2", "5.0", "6.0", "7.0", "8.0"}}},
        {"OL stays text", "d1,t1,OL,-328.0,OL,2500.0,\r\n", ',', {{"1", "d1", "t1", "OL", "-328.0", "OL", "2500.0"}}},
        {"blank line ends the read", "a\tb\n\nc\td\n", '\t', {{"1", "a", "b", "", "", "", ""}}},
        {"line of 179 characters is whole and reading goes on",
         (cut179 + "\r\nn\tm\n").toUtf8(), '\t',
         {{"1", "d", "t", QString(175, 'x'), "", "", ""}, {"2", "n", "m", "", "", "", ""}}},
        {"line of 180 characters is cut and ends the read", (cut179 + "y\nn\tm\n").toUtf8(), '\t',
         {{"1", "d", "t", QString(175, 'x'), "", "", ""}}},
        {"line of 178 characters is whole and reading goes on", (cut179.chopped(1) + "\nn\tm\n").toUtf8(), '\t',
         {{"1", "d", "t", QString(174, 'x'), "", "", ""}, {"2", "n", "m", "", "", "", ""}}},
        {"line of 178 characters with a degree sign is whole", (degrees178 + "\nn\tm\n").toUtf8(), '\t',
         {{"1", "d", "t", degrees.mid(1), "", "", ""}, {"2", "n", "m", "", "", "", ""}}},
        {"line of 179 characters with a degree sign is whole and reading goes on",
         (degrees179 + "\r\nn\tm\n").toUtf8(), '\t',
         {{"1", "d", "t", degrees, "", "", ""}, {"2", "n", "m", "", "", "", ""}}},
        {"line of 180 characters with a degree sign is cut and ends the read",
         (degrees179 + "y\nn\tm\n").toUtf8(), '\t', {{"1", "d", "t", degrees, "", "", ""}}},
        {"cut counts characters, not bytes", (umlauts + QChar(0x00FC) + "\nn\tm\n").toUtf8(), '\t',
         {{"1", "d", "t", QString(175, QChar(0x00FC)), "", "", ""}}},
        {"separator only beyond the cut ends the read", QByteArray(200, 'z') + "\tq\n", '\t', {}},
        {"seventh field dropped", "a,b,c,d,e,f,g\n", ',', {{"1", "a", "b", "c", "d", "e", "f"}}},
        {"tq612-cli's heading is not a row", "Date,Time,T1 (\xc2\xb0""C),T2 (\xc2\xb0""C),T3 (\xc2\xb0""C),T4 (\xc2\xb0""C)\r\nd1,t1,1.0,2.0,3.0,4.0\r\n",
         ',', {{"1", "d1", "t1", "1.0", "2.0", "3.0", "4.0"}}},
        {"a heading only on the first line", "d1,t1,1.0\nDate,Time,x\n", ',',
         {{"1", "d1", "t1", "1.0", "", "", ""}, {"2", "Date", "Time", "x", "", "", ""}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shownCells(*modelOf(c.text, c.separator)), c.cells) << c.what;

    const auto model = modelOf("", '\t');
    QStringList headings;
    for (int c = 0; c < model->columnCount(); ++c)
        headings << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headings, (QStringList{"No", "Date", "Time", "T1", "T2", "T3", "T4"}));
}

TEST(TableModel, LongLineWithoutLineBreakIsNotHeld)
{
    // Forty megabytes without a line break: one cut row, read without
    // holding the line (the reader holds a few hundred bytes of it).
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("13 Jan 2026\t14:00:00\t");
    const QByteArray chunk(1 << 20, '7');
    for (int i = 0; i < 40; ++i)
        file.write(chunk);
    file.seek(0);
    TableRows rows;
    TableTextReader::read(file, '\t', rows);
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.text(0, 2), QString(179 - 21, '7'));
    EXPECT_LT(file.pos(), 4096) << "the rest of the line was never read";
}

TEST(TableRows, RowsAcrossBlocksAndReplaced)
{
    TableRows rows;
    // Enough rows of growing length to fill several of the storage's blocks.
    const auto fieldsOf = [](int r) {
        return QStringList{QString::number(r), QString(r % 300, QChar('a' + r % 26)), "", "OL", QString::number(r * 7)};
    };
    for (int r = 0; r < 20000; ++r)
        rows.append(fieldsOf(r));
    for (int r : {0, 1, 6990, 6991, 6992, 13000, 19999}) {
        QStringList expected = fieldsOf(r);
        expected << QString();
        EXPECT_EQ(rows.fields(r), expected) << "row " << r;
    }
    rows.replace(6991, {"new", "t"});
    EXPECT_EQ(rows.fields(6991), (QStringList{"new", "t", "", "", "", ""}));
    EXPECT_EQ(rows.text(6992, 0), QStringLiteral("6992"));
    EXPECT_EQ(rows.bytes(20000, 0), QByteArrayView()) << "past the last row";
}

TEST(TableToGraph, RowReaderAgreesWithReadingEachRowAlone)
{
    const TDateTime day1 = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    const TDateTime day2 = day1 + 1 + 3 * DateTime::OneSecond;
    const QString d1 = Regional::dateText(day1), d2 = Regional::dateText(day2);
    const QString t1 = Regional::timeText(day1), t2 = Regional::timeText(day2);
    const auto num = [](const char* s) { return QString::fromLatin1(s).replace('.', Regional::decimalPoint()); };
    // Repeated dates and times, then forms only the general reading accepts.
    const QList<QStringList> rows = {
        {d1, t1, num("1.5"), num("-2.0"), "OL", num("30")},
        {d2, t1, num("0.1"), num("2500.0"), num("-328.0"), "x"},
        {d1, t2, num("+1.5"), num(" 2.5"), num("1e2"), num("-.5")},
        {d1, "nonsense", num("1.0"), num("1.0"), num("1.0"), num("1.0")},
        {d1 + ' ' + t2, "", num("7.0"), "", num("1.0"), num("1.0")},
        {"", t1, num("1.0"), num("1.0"), num("1.0"), num("1.0")},
        {d1, t1, num("007.25"), num("-0.0"), num("12345678.9"), num("1.0.0")},
    };
    TableToGraph::RowReader reader;
    for (int r = 0; r < rows.size(); ++r) {
        // Alone: the date and time read together with the user's formats, then the readings.
        TableToGraph::Point alone;
        if (const auto x = Regional::parseDateTime(rows[r][0] + ' ' + rows[r][1])) {
            alone.x = *x;
            for (int c = 0; c < 4; ++c) {
                const QString cell = rows[r][2 + c];
                if (cell == QLatin1String("OL"))
                    continue;
                const auto v = Regional::parseNumber(cell);
                if (!v)
                    break;
                alone.y[size_t(c)] = float(*v);
            }
        }
        TableRows one;
        one.append(rows[r]);
        const TableToGraph::Point p = reader.read(one, 0);
        EXPECT_DOUBLE_EQ(p.x, alone.x) << "row " << r;
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(p.y[size_t(c)], alone.y[size_t(c)]) << "row " << r << " T" << c + 1;
    }
}
