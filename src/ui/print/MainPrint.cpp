// The main window's Print command: a table window as lines of text, a graph
// window through its chart's customisation and print dialogs.
#include "app/UMain.h"

#include "app/Prompts.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "logger/UList.h"
#include "print/TablePrintout.h"

#include <QPrinter>

void TfrmMain::btnPrintClick()
{
    QWidget* child = activeChild();
    if (auto* list = qobject_cast<TfrmList*>(child)) {
        // The printer chosen by Printer Setup, or the default one.
        if (!Printer)
            Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (!Prompts::current().printDialog(*Printer))
            return;
        if (TablePrintout::print(*Printer, list->model()) == 0)
            Prompts::current().information(QStringLiteral("Could not print on %1.").arg(Printer->printerName()));
        return;
    }
    if (auto* graph = qobject_cast<TfrmGraph*>(child)) {
        PESGraph& chart = *graph->PESGraph1;
        // Fonts, titles and subsets stay as the graph window set them; the
        // user adjusts the rest before printing.
        const auto allowPages = [&chart](bool on) {
            chart.setAllowFontPage(on);
            chart.setAllowPage1(on);
            chart.setAllowPage2(on);
            chart.setAllowSubsetsPage(on);
        };
        allowPages(false);
        const bool accepted = chart.customizeForPrinting();
        allowPages(true);
        // Cancel in the options cancels the print.
        if (!accepted)
            return;
        chart.setPaperName(graph->windowTitle());
        printGraph(chart);
    }
}

// The graph goes to the printer and paper chosen in Printer Setup; until the
// user chose there, it prints in the chart's own orientation (landscape).
void TfrmMain::printGraph(PESGraph& chart)
{
    if (!Printer)
        Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (PrinterChosen) {
        chart.printWithDialog(*Printer);
        return;
    }
    const QPageLayout::Orientation tableOrientation = Printer->pageLayout().orientation();
    Printer->setPageOrientation(chart.DefOrientation() == sgPortrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    chart.printWithDialog(*Printer);
    Printer->setPageOrientation(tableOrientation);
}
