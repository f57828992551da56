// Printing: table lines of padded fixed-pitch text with their pages, and the
// graph's customisation before its print dialog.
#include "PrintFixture.h"

#include "app/AppPaths.h"
#include "app/Regional.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "logger/UList.h"
#include "print/TablePrintout.h"
#include "support/PdfText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTabWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

TEST(TablePrintout, CellsArePaddedTwoSpacesPerMissingCharacter)
{
    struct Case { const char* name; QString cell; int column; int length; };
    const Case cases[] = {
        {"reading in column 3", "23.4", 3, 16},
        {"time in column 2", "12:34:56", 2, 26},
        {"long date in column 1", "2026-03-04xx", 1, 13},
        {"exactly the width", "0123456789", 4, 11},
        {"empty cell", "", 0, 20},
    };
    for (const Case& c : cases) {
        const QString padded = TablePrintout::paddedCell(c.cell, c.column);
        EXPECT_EQ(padded.size(), c.length) << c.name;
        EXPECT_TRUE(padded.startsWith(c.cell)) << c.name;
        EXPECT_EQ(padded.trimmed(), c.cell.trimmed()) << c.name;
    }
    EXPECT_EQ(TablePrintout::line({"1", "d", "t"}), "1" + QString(18, ' ') + "d" + QString(18, ' ') + "t" + QString(32, ' '));
}

TEST(TablePrintout, PagesBeginEveryLinesPerPageRows)
{
    struct Case { int row; int page; int top; };
    const Case cases[] = {{0, 0, 10}, {4, 0, 50}, {5, 1, 10}, {11, 2, 20}};
    for (const Case& c : cases) {
        const auto at = TablePrintout::place(c.row, 5, 10);
        EXPECT_EQ(at.page, c.page) << "row " << c.row;
        EXPECT_EQ(at.top, c.top) << "row " << c.row;
    }
    // Below the one-line top margin the last line still ends on the page.
    EXPECT_EQ(TablePrintout::linesPerPage(1000, 100), 9);
    EXPECT_EQ(TablePrintout::linesPerPage(1099, 100), 9);
    EXPECT_EQ(TablePrintout::linesPerPage(150, 100), 1);
    EXPECT_EQ(TablePrintout::linesPerPage(100, 0), 1);
}

namespace {

int pdfPages(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QString text = QString::fromLatin1(f.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"))));
}

class PrintCommand : public PrintFixture {
protected:
    // Lines per page of the fake printer, as the printout measures them.
    int linesPerPage()
    {
        QPrinter probe(QPrinter::HighResolution);
        probe.setOutputFormat(QPrinter::PdfFormat);
        probe.setOutputFileName(dir.filePath(QStringLiteral("probe.pdf")));
        return TablePrintout::layout(probe).linesPerPage;
    }
    // Prints a table of `dataRows` rows; the number of pages printed.
    int printTable(int dataRows, const char* name)
    {
        auto* list = new TfrmList;
        for (int k = 1; k <= dataRows; ++k)
            list->setRow(k, {"2026-03-04", "05:06:07", "1.0", "2.0", "3.0", "4.0"});
        activate(list);
        const QString pdf = dir.filePath(QLatin1String(name));
        main.Printer->setOutputFileName(pdf);
        prompts.printAnswers.push_back(true);
        main.btnPrintClick();
        return pdfPages(pdf);
    }
};

} // namespace

TEST_F(PrintCommand, TableRowsFillPagesBelowTheHeadings)
{
    const int perPage = linesPerPage();
    ASSERT_GT(perPage, 10);
    EXPECT_EQ(printTable(1, "one.pdf"), 1) << "the headings and one row";
    EXPECT_EQ(printTable(perPage - 1, "full.pdf"), 1) << "rows 0..L-1 fill page 1";
    EXPECT_EQ(printTable(perPage, "next.pdf"), 2) << "row L is the first line of page 2";
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(PrintCommand, CancelledPrintDialogPrintsNothing)
{
    auto* list = new TfrmList;
    list->setRow(1, {"d", "t", "1.0", "2.0", "3.0", "4.0"});
    activate(list);
    const QString pdf = dir.filePath(QStringLiteral("none.pdf"));
    main.Printer->setOutputFileName(pdf);
    prompts.printAnswers.push_back(false);
    main.btnPrintClick();
    EXPECT_TRUE(prompts.printAnswers.empty()) << "the print dialog was asked";
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintCommand, GraphIsCustomisedWithoutItsFourPagesThenPrinted)
{
    auto* graph = new TfrmGraph(main);
    activate(graph);
    PESGraph& chart = *graph->PESGraph1;
    bool pagesDuringCustomize = true;
    prompts.dialogs.push_back([&chart, &pagesDuringCustomize](QDialog&) {
        pagesDuringCustomize = chart.AllowFontPage() || chart.AllowPage1() || chart.AllowPage2() || chart.AllowSubsetsPage();
        return int(QDialog::Accepted);
    });
    prompts.printAnswers.push_back(false);
    main.btnPrintClick();
    EXPECT_TRUE(prompts.dialogs.empty()) << "the customisation dialog was shown";
    EXPECT_FALSE(pagesDuringCustomize);
    EXPECT_TRUE(chart.AllowFontPage() && chart.AllowPage1() && chart.AllowPage2() && chart.AllowSubsetsPage());
    EXPECT_TRUE(prompts.printAnswers.empty()) << "then the print dialog";
}

TEST_F(PrintCommand, CancelInTheGraphOptionsCancelsThePrint)
{
    auto* graph = new TfrmGraph(main);
    activate(graph);
    const QString pdf = dir.filePath(QStringLiteral("cancelled.pdf"));
    main.Printer->setOutputFileName(pdf);
    prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    prompts.printAnswers.push_back(true);
    main.btnPrintClick();
    EXPECT_EQ(prompts.printAnswers.size(), 1u) << "the print dialog was not asked";
    EXPECT_FALSE(QFile::exists(pdf)) << "nothing was printed";
}

TEST_F(PrintCommand, OtherWindowsPrintNothing)
{
    prompts.printAnswers.push_back(true);
    prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    main.btnPrintClick();  // no child window
    activate(new QWidget);
    main.btnPrintClick();
    EXPECT_EQ(prompts.printAnswers.size(), 1u);
    EXPECT_EQ(prompts.dialogs.size(), 1u);
}

// A graph window of four channels over 100 seconds, titled "Kiln".
TfrmGraph* kilnGraph(TfrmMain& main, double start)
{
    auto* graph = new TfrmGraph(main);
    PrepareGraph(*graph->PESGraph1, 4, 50, -10, start + 110.0 / 86400, start, 100);
    PESGraph& chart = *graph->PESGraph1;
    for (int p = 0; p < 100; ++p)
        for (int c = 0; c < 4; ++c) {
            chart.setXDataII(c, p, start + p / 86400.0);
            chart.setYData(c, p, float(5 * c + p % 9));
        }
    chart.setMainTitle(QStringLiteral("Kiln"));
    chart.setWorkingAxis(0);
    chart.setYAxisLabel(QStringLiteral("Celsius"));
    chart.redraw();
    return graph;
}

// The share of the printed page's pixels that are nearly white.
double whiteShareOf(const QString& pdf)
{
    const QString base = pdf + QStringLiteral(".page");
    QProcess tool;
    tool.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("30"),
                                            QStringLiteral("-singlefile"), pdf, base});
    EXPECT_TRUE(tool.waitForFinished(30000)) << "pdftoppm (poppler-utils) runs";
    const QImage page(base + QStringLiteral(".png"));
    EXPECT_FALSE(page.isNull());
    qint64 white = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            white += qGray(page.pixel(x, y)) > 230;
    return page.isNull() ? 0 : double(white) / (double(page.width()) * page.height());
}

TEST_F(PrintCommand, GraphPrintsLikeTheWindowScaledToThePage)
{
    QTemporaryDir templates;   // no template: the chart takes the default look
    AppPaths::ScopedTemplateFolder noTemplate{templates.path()};
    auto* graph = kilnGraph(main, 46000.5);
    activate(graph);
    main.Printer->setPageSize(QPageSize(QPageSize::A4));

    struct Case {
        const char* name;
        std::function<void()> setup;   // what the user did in File > Printer Setup
        QSizeF page;                   // in points
    };
    const Case cases[] = {
        {"nothing chosen: landscape", [] {}, {842, 595}},
        {"A5 portrait chosen", [this] {
             main.Printer->setPageSize(QPageSize(QPageSize::A5));
             main.Printer->setPageOrientation(QPageLayout::Portrait);
             prompts.printAnswers.push_back(true);
             main.PrinterSetup1Click();
         }, {420, 595}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setup();
        const QString pdf = dir.filePath(QStringLiteral("%1.pdf").arg(c.page.width()));
        main.Printer->setOutputFileName(pdf);
        prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });  // the customisation
        prompts.printAnswers.push_back(true);
        main.btnPrintClick();
        EXPECT_EQ(main.Printer->pageLayout().orientation(), QPageLayout::Portrait) << "tables keep their paper";

        const PdfText::Page page = PdfText::read(pdf);
        EXPECT_NEAR(page.size.width(), c.page.width(), 2);
        EXPECT_NEAR(page.size.height(), c.page.height(), 2);
        PdfText::expectReadableGraph(page, {"Kiln", "T1", "T2", "T3", "T4", "Time", "Celsius"});
    }
}

TEST_F(PrintCommand, GraphPrintsOnWhitePaperWithAFooterOrAsOnTheScreen)
{
    QTemporaryDir templates;
    AppPaths::ScopedTemplateFolder noTemplate{templates.path()};
    const double start = 46000.5;
    TfrmGraph* graph = kilnGraph(main, start);
    graph->setWindowTitle(QStringLiteral("kiln-run.ghf"));
    activate(graph);
    struct Case {
        const char* name;
        int colors;    // index in the Paper page's colour choice
        bool footer;
        bool white;    // most of the page is white
    } cases[] = {
        {"the default: white paper with a footer", 0, true, true},
        {"the screen's black, no footer", 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString pdf = dir.filePath(QStringLiteral("paper%1.pdf").arg(c.colors));
        main.Printer->setOutputFileName(pdf);
        bool paperPageFirst = false;
        prompts.dialogs.push_back([&](QDialog& dialog) {
            auto* pages = dialog.findChild<QTabWidget*>();
            paperPageFirst = pages && pages->count() > 0 && pages->tabText(0) == QStringLiteral("&Paper");
            dialog.findChild<QComboBox*>(QStringLiteral("cboPaperColors"))->setCurrentIndex(c.colors);
            dialog.findChild<QCheckBox*>(QStringLiteral("chkFooter"))->setChecked(c.footer);
            return int(QDialog::Accepted);
        });
        prompts.printAnswers.push_back(true);
        main.btnPrintClick();
        EXPECT_TRUE(paperPageFirst) << "printing offers the Paper page";

        const PdfText::Page page = PdfText::read(pdf);
        const QString text = PdfText::texts(page.words).join(' ');
        for (const QString& w : {QStringLiteral("kiln-run.ghf"), QStringLiteral("Started ") + Regional::dateText(start),
                                 QStringLiteral("Printed ")}) {
            EXPECT_EQ(text.contains(w), c.footer) << w.toStdString() << " in " << text.toStdString();
        }
        PdfText::expectReadableGraph(page, {"Kiln", "T1", "T4", "Celsius"});
        const double white = whiteShareOf(pdf);
        if (c.white)
            EXPECT_GT(white, 0.8);
        else
            EXPECT_LT(white, 0.5);
    }
    // The window keeps its own look.
    EXPECT_EQ(graph->PESGraph1->state().graphBackColor, 0x000000);
}
