// "Output Tabular to graph": the active table window becomes a new graph window.
#include "app/UMain.h"

#include "app/Prompts.h"
#include "app/Regional.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "graph/UGraphStatistics.h"
#include "logger/TableToGraph.h"
#include "logger/UList.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPointer>

namespace {

// The date and time of data row `row`, or nothing after telling the user.
std::optional<TDateTime> rowTime(const TfrmList& list, int row)
{
    const QString text = list.cell(row, 1) + QLatin1Char(' ') + list.cell(row, 2);
    const auto t = Regional::parseDateTime(text);
    if (!t)
        Prompts::current().information(QLatin1Char('\'') + text + QStringLiteral("' is not valid.\n"));
    return t;
}

} // namespace

void TfrmMain::btnOutputToGraphClick()
{
    QPointer<TfrmList> list = qobject_cast<TfrmList*>(activeChild());
    if (!list)
        return;
    if (list->cell(1, 1).isEmpty()) {
        Prompts::current().information(QStringLiteral("No data to graph !"));
        return;
    }
    const int rows = list->dataRowCount();
    QPointer<TfrmGraph> graph = new TfrmGraph(*this);
    graph->setWindowTitle(list->windowTitle());
    QMdiSubWindow* sub = addChild(graph);
    sub->show();

    const auto start = rowTime(*list, 1);
    const auto end = start ? rowTime(*list, rows) : std::nullopt;
    if (!start || !end)
        return;  // the new graph window stays, empty
    PESGraph& chart = *graph->PESGraph1;
    PrepareGraph(chart, 4, 100, -20, *end, *start, rows);
    graph->updateToolsForLayout();

    auto progress = TfrmScope::graphingDialog(rows, this);
    progress->show();
    // The user may cancel, or close the table or the graph while rows are
    // read; the loop then stops and the rows graphed so far stay.
    for (int t = 1; t <= rows; ++t) {
        progress->setPosition(t);
        if (progress->cancelled())
            break;
        QApplication::processEvents();
        if (!list || !graph)
            break;
        const TableToGraph::Point p = TableToGraph::rowToPoint(list->rowFields(t));
        for (int c = 0; c < 4; ++c) {
            chart.setXDataII(c, t - 1, p.x);
            chart.setYData(c, t - 1, p.y[c]);
        }
    }
    progress.reset();
    if (!graph)
        return;

    sub->showNormal();
    ComputeGraphStatistics(*graph);
    chart.PEactions(sgReinitAndReset);
    chart.redraw();
}
