// In every locale Qt knows, a graph saved as a text file reads back into the
// same table and that table into the same graph; and the table saved again
// reads back unchanged.
#include "app/DateTime.h"
#include "app/Regional.h"
#include "files/TableTextReader.h"
#include "files/TextLines.h"
#include "logger/TableToGraph.h"

#include <QBuffer>
#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Restores the program's locale when a test ends.
class DefaultLocale {
public:
    ~DefaultLocale() { QLocale::setDefault(saved); }

private:
    QLocale saved;
};

QList<QStringList> readBack(const QStringList& lines, QChar separator)
{
    QByteArray file;
    for (const QString& line : lines)
        file += line.toUtf8() + "\r\n";
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    TableRows rows;
    TableTextReader::read(buffer, separator, rows);
    QList<QStringList> read;
    for (int row = 0; row < rows.count(); ++row)
        read << rows.fields(row);
    return read;
}

} // namespace

TEST(SavedTextInEveryLocale, ReadsBackToTheSameTableAndGraph)
{
    const DefaultLocale restore;
    const TDateTime day = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(0, 0)));
    // Both halves of the day and their edges, where AM and PM texts matter.
    std::vector<TDateTime> times;
    for (const QTime& t : {QTime(0, 6, 7), QTime(5, 6, 7), QTime(12, 0, 0), QTime(12, 59, 59), QTime(17, 6, 7),
                           QTime(23, 59, 59)})
        times.push_back(day + t.msecsSinceStartOfDay() / (DateTime::SecondsPerDay * 1000));
    const std::array<float, 4> y{30.0f, -10.5f, 2500.1f, 0.0f};
    const std::array<float, 4> graphed{30.0f, -10.5f, TableToGraph::NoDataValue, 0.0f};
    static const QRegularExpression leftOfZone(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]|,\\s*$"));

    QStringList failures;
    const auto fail = [&failures](const QLocale& locale, const QString& what) {
        failures << locale.name() + QStringLiteral(" (") + locale.bcp47Name() + QStringLiteral("): ") + what;
    };
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        QLocale::setDefault(locale);
        const QString time = Regional::timeText(times[4]);
        if (time.contains(leftOfZone))
            fail(locale, QStringLiteral("time written as \"%1\"").arg(time));
        // CSV is offered only where the decimal separator is no comma.
        for (const QChar separator : {QLatin1Char('\t'), QLatin1Char(',')}) {
            if (separator == QLatin1Char(',') && Regional::decimalPoint() == QLatin1Char(','))
                continue;
            QStringList lines;
            for (TDateTime t : times)
                lines << TextLines::graphLine(t, y, separator);
            const QList<QStringList> table = readBack(lines, separator);
            if (table.size() != qsizetype(times.size())) {
                fail(locale, QStringLiteral("%1 of %2 lines read").arg(table.size()).arg(times.size()));
                continue;
            }
            for (size_t i = 0; i < times.size(); ++i) {
                const TableToGraph::Point p = TableToGraph::rowToPoint(table[qsizetype(i)]);
                if (std::abs(p.x - times[i]) * DateTime::SecondsPerDay > 0.001 || p.y != graphed)
                    fail(locale, QStringLiteral("\"%1\" graphs as %2").arg(lines[qsizetype(i)]).arg(p.x, 0, 'f', 6));
            }
            QStringList tableLines;
            for (const QStringList& row : table)
                tableLines << TextLines::tableLine(row, separator);
            if (readBack(tableLines, separator) != table)
                fail(locale, QStringLiteral("the table saved again reads differently"));
        }
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}
