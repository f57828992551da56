// A printed table read back from its PDF: each cell where the padding puts
// it, and a cell that fills its column still apart from the next.
#include "app/UMain.h"
#include "logger/UList.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace {

struct Word {
    QString text;
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
};

// The words of the PDF's first page as pdftotext places them, line by line (top down).
std::vector<std::vector<Word>> pdfLines(const QString& pdf)
{
    QProcess run;
    run.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                            QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    run.waitForFinished(30000);
    const QString html = QString::fromUtf8(run.readAllStandardOutput());
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    std::map<long, std::vector<Word>> byTop;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const Word w{m.captured(4), m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(2).toDouble()};
        byTop[std::lround(w.yMin)].push_back(w);
    }
    std::vector<std::vector<Word>> lines;
    for (auto& [top, words] : byTop)
        lines.push_back(words);
    return lines;
}

class TablePrintoutPdf : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    FakeClock clock;
    ScopedClock scopedClock{clock};
    TfrmMain main;
    std::unique_ptr<QMdiArea> frame;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        frame.reset(main.MdiArea);
        frame->setParent(nullptr);
        frame->show();
        main.Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        main.Printer->setOutputFormat(QPrinter::PdfFormat);
    }
    // Prints a table window holding `rows` and reads the first page back.
    std::vector<std::vector<Word>> print(const QList<QStringList>& rows)
    {
        TableRows table;
        for (const QStringList& row : rows)
            table.append(row);
        QMdiSubWindow* sub = main.addChild(new TfrmList(std::move(table)));
        sub->show();
        main.MdiArea->setActiveSubWindow(sub);
        const QString pdf = dir.filePath(QStringLiteral("table.pdf"));
        main.Printer->setOutputFileName(pdf);
        prompts.printAnswers.push_back(true);
        main.btnPrintClick();
        return pdfLines(pdf);
    }
};

} // namespace

TEST_F(TablePrintoutPdf, CellsSitWhereTheirPaddingPutsThem)
{
    const auto lines = print({{"13 Jan 2026", "14:00:00", "21.5", "OL", "-3.2", "100.0"},
                              {"2026-01-13", "14:00:01", "1234567890", "OL", "0.0", "1.5"}});
    ASSERT_EQ(lines.size(), 3u) << "the headings and two rows";

    const auto texts = [](const std::vector<Word>& line) {
        QStringList t;
        for (const Word& w : line)
            t << w.text;
        return t;
    };
    EXPECT_EQ(texts(lines[0]), (QStringList{"No", "Date", "Time", "T1", "T2", "T3", "T4"}));
    // The eleven-character date fills its column and is still followed by a space.
    EXPECT_EQ(texts(lines[1]), (QStringList{"1", "13", "Jan", "2026", "14:00:00", "21.5", "OL", "-3.2", "100.0"}));
    EXPECT_EQ(texts(lines[2]), (QStringList{"2", "2026-01-13", "14:00:01", "1234567890", "OL", "0.0", "1.5"}));

    // Fixed pitch: every word starts a whole number of characters from the line's start.
    const double pitch = (lines[1][4].xMax - lines[1][4].xMin) / 8;  // "14:00:00"
    ASSERT_GT(pitch, 0);
    const auto column = [&](const Word& w) { return (w.xMin - lines[0][0].xMin) / pitch; };
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
        EXPECT_NEAR(column(lines[size_t(c.line)][size_t(c.word)]), c.at, 0.25) << c.what;
}
