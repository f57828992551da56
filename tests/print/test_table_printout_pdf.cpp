// A printed table read back from its PDF: each cell where the padding puts
// it, and a cell that fills its column still apart from the next.
#include "PrintFixture.h"

#include "logger/UList.h"
#include "support/PdfText.h"

#include <gtest/gtest.h>

namespace {

using PdfText::Word;

class TablePrintoutPdf : public PrintFixture {
protected:
    // Prints a table window holding `rows` and reads the first page back.
    QList<QList<Word>> print(const QList<QStringList>& rows)
    {
        TableRows table;
        for (const QStringList& row : rows)
            table.append(row);
        activate(new TfrmList(std::move(table)));
        const QString pdf = dir.filePath(QStringLiteral("table.pdf"));
        main.Printer->setOutputFileName(pdf);
        prompts.printAnswers.push_back(true);
        main.btnPrintClick();
        return PdfText::lines(PdfText::read(pdf));
    }
};

} // namespace

TEST_F(TablePrintoutPdf, CellsSitWhereTheirPaddingPutsThem)
{
    const auto lines = print({{"13 Jan 2026", "14:00:00", "21.5", "OL", "-3.2", "100.0"},
                              {"2026-01-13", "14:00:01", "1234567890", "OL", "0.0", "1.5"}});
    ASSERT_EQ(lines.size(), 3) << "the headings and two rows";

    using PdfText::texts;
    EXPECT_EQ(texts(lines[0]), (QStringList{"No", "Date", "Time", "T1", "T2", "T3", "T4"}));
    // The eleven-character date fills its column and is still followed by a space.
    EXPECT_EQ(texts(lines[1]), (QStringList{"1", "13", "Jan", "2026", "14:00:00", "21.5", "OL", "-3.2", "100.0"}));
    EXPECT_EQ(texts(lines[2]), (QStringList{"2", "2026-01-13", "14:00:01", "1234567890", "OL", "0.0", "1.5"}));

    // Fixed pitch: every word starts a whole number of characters from the line's start.
    const double pitch = lines[1][4].box.width() / 8;  // "14:00:00"
    ASSERT_GT(pitch, 0);
    const auto column = [&](const Word& w) { return (w.box.left() - lines[0][0].box.left()) / pitch; };
    struct Case { const char* what; int line; int word; double at; };
    const Case cases[] = {
        {"date after a row number padded to 10 (2 x 10 - 1)", 1, 1, 19},
        {"time one space after the 11-character date", 1, 4, 19 + 11 + 1},
        {"T1 after the time padded to 17 (2 x 17 - 8)", 1, 5, 31 + 26},
        {"T2 after T1 padded to 10 (2 x 10 - 4)", 1, 6, 57 + 16},
        {"time one space after a date of exactly 10 characters", 2, 2, 19 + 10 + 1},
        {"T2 one space after a 10-character T1", 2, 4, 30 + 26 + 10 + 1},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(column(lines[c.line][c.word]), c.at, 0.25) << c.what;
}
