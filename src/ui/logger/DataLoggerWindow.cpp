// The main window's DataLogger graph window: creating it, listing the data
// sets in its grid and drawing one of them.
#include "app/UMain.h"

#include "app/Clock.h"
#include "app/Regional.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "graph/UGraphStatistics.h"
#include "logger/DataSetTable.h"
#include "logger/DataSetsGrid.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <memory>
#include <utility>

TfrmGraph* TfrmMain::ShowDataLoggerGraph()
{
    if (DataLoggerGraph) {
        if (QWidget* sub = DataLoggerGraph->parentWidget())
            sub->showNormal();
        return DataLoggerGraph;
    }
    auto* graph = new TfrmGraph(*this);
    graph->setWindowTitle(QLatin1String(TfrmGraph::DataLoggerCaption));
    DataLoggerGraph = graph;
    graph->pnlDataSets->show();
    // A key that moves to another row draws the chosen data set, and so does
    // a click. A click on another row moves the current row first, in the
    // same mouse press (before the selection follows): that press then draws
    // nothing more.
    QTableWidget* grid = graph->Grid2;
    auto rowJustMoved = std::make_shared<bool>(false);
    const auto drawRow = [this, grid](int row) {
        if (const auto k = DataSetsGrid::dataSetAt(*grid, row))
            DrawDataSet(*k);
    };
    connect(grid, &QTableWidget::currentCellChanged, this,
            [this, drawRow, rowJustMoved](int row, int, int previousRow, int) {
                if (row == previousRow)
                    return;
                drawRow(row);
                *rowJustMoved = true;
                QTimer::singleShot(0, this, [rowJustMoved] { *rowJustMoved = false; });
            });
    connect(grid, &QTableWidget::cellPressed, this, [drawRow, rowJustMoved](int row, int) {
        if (!std::exchange(*rowJustMoved, false))
            drawRow(row);
    });
    // The drawn data set's numbers, as its saved text file would show them.
    auto* btnTable = new QPushButton(QStringLiteral("Table"), graph->pnlDataSets);
    btnTable->setObjectName(QStringLiteral("btnTable"));
    btnTable->setToolTip(QStringLiteral("Show the drawn data set's readings in a table"));
    graph->pnlDataSets->layout()->addWidget(btnTable);
    connect(btnTable, &QPushButton::clicked, this, [this] {
        if (DataLoggerGraph)
            OpenDataSetTable(*DataLoggerGraph);
    });

    QMdiSubWindow* sub = addChild(graph);
    const QSize client = MdiArea->viewport()->size();
    sub->setGeometry(0, 0, client.width(), std::max(client.height() - 60, 200));
    const TDateTime now = DateTime::fromQDateTime(Clock::current().now());
    PrepareGraph(*graph->PESGraph1, 1, 130, 30, now + 500 * DateTime::OneSecond, now, 500);
    sub->showNormal();
    return graph;
}

void TfrmMain::FillDataSetsGrid()
{
    if (!DataLoggerGraph)
        return;
    QTableWidget& grid = *DataLoggerGraph->Grid2;
    const QSignalBlocker quiet(grid);  // filling draws nothing; the caller draws
    DataSetsGrid::fill(grid, DataSets);
}

void TfrmMain::Grid2Click()
{
    if (!DataLoggerGraph)
        return;
    if (const auto k = DataSetsGrid::selectedDataSet(*DataLoggerGraph->Grid2))
        DrawDataSet(*k);
}

void TfrmMain::DrawDataSet(int k)
{
    TfrmGraph* graph = DataLoggerGraph;
    if (!graph || k < 0 || k >= DataSets.dataSetCount())
        return;
    const int first = DataSets.firstReadingIndex(k);
    const int n = DataSets.RecordCounts[k];
    const int interval = DataSets.IntervalSecs[k];
    const TDateTime start = DataSets.StartTimes[k];
    const TDateTime end = start + double(n) * interval * DateTime::OneSecond;

    PESGraph& chart = *graph->PESGraph1;
    PrepareGraph(chart, 4, 100, -20, end, start, n);
    graph->updateToolsForLayout();
    chart.loadXDataII(DataSets.ReadingTimes.data() + first, 4 * qsizetype(n));
    chart.loadYData(DataSets.Readings.data() + first, 4 * qsizetype(n));
    ComputeGraphStatistics(*graph);

    graph->txtStartTime->setText(Regional::dateTimeText(start));
    {
        const QSignalBlocker quiet1(graph->ComboBox1);
        const QSignalBlocker quiet2(graph->ComboBox2);
        graph->ComboBox1->setCurrentIndex(interval / 60);
        graph->ComboBox2->setCurrentIndex(interval % 60);
    }
    graph->txtDataNo->setText(QString::number(n));

    chart.PEactions(sgUndoZoom);
    chart.redraw();
    emit dataSetDrawn(k);
}
