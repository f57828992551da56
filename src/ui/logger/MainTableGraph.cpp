// "Output Tabular to graph": the active table window becomes a new graph window.
#include "app/UMain.h"

#include "app/Prompts.h"
#include "app/Regional.h"
#include "app/TimeSlice.h"
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
#include <vector>

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
    graph->openAtDesignedSize();

    const auto start = rowTime(*list, 1);
    const auto end = start ? rowTime(*list, rows) : std::nullopt;
    if (!start || !end)
        return;  // the new graph window stays, empty
    PESGraph& chart = *graph->PESGraph1;
    PrepareGraph(chart, 4, 100, -20, *end, *start, rows);
    graph->updateToolsForLayout();

    // The points are read into arrays in record order (entry 4r + c is row r,
    // channel c) and handed to the chart in bulk once read. Rows not read keep
    // X = 0 and Y = 9999, as the prepared chart holds them.
    std::vector<double> xs(4 * size_t(rows), 0.0);
    std::vector<float> ys(4 * size_t(rows), TableToGraph::NoDataValue);
    {
        const auto progress = TfrmScope::graphingDialog(rows, this);
        progress->show();
        TableToGraph::RowReader reader;
        TimeSlice slice;
        // The user may cancel, or close the table or the graph while rows are
        // read; the loop then stops and the rows read so far are graphed.
        for (int t = 1; t <= rows; ++t) {
            if (progress->cancelled())
                break;
            if (slice.due()) {
                progress->setPosition(t);
                QApplication::processEvents();
                if (!list || !graph)
                    break;
            }
            const TableToGraph::Point p = reader.read(list->model().rows(), t - 1);
            for (size_t c = 0; c < 4; ++c) {
                xs[4 * size_t(t - 1) + c] = p.x;
                ys[4 * size_t(t - 1) + c] = p.y[c];
            }
        }
    }
    if (!graph)
        return;
    chart.loadXDataII(xs.data(), qsizetype(xs.size()));
    chart.loadYData(ys.data(), qsizetype(ys.size()));
    // The chart holds its copy now.
    xs = {};
    ys = {};

    sub->showNormal();
    ComputeGraphStatistics(*graph);
    chart.PEactions(sgReinitAndReset);
    chart.redraw();
}
