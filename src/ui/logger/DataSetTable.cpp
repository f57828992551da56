#include "logger/DataSetTable.h"

#include "app/Prompts.h"
#include "chart/PESGraph.h"
#include "files/TableTextReader.h"
#include "files/TextExport.h"
#include "graph/UGraph.h"
#include "logger/DataSetsGrid.h"
#include "logger/UList.h"

#include <QBuffer>
#include <QMdiSubWindow>

TableRows DataSetTableRows(const PESGraph& chart)
{
    // Written as the text writer writes a graph, read as File > Open reads it.
    const QChar separator = QLatin1Char('\t');
    QByteArray text = TextExport::lines(TextExport::chartPoints(chart.state()), separator);
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    TableRows rows;
    TableTextReader::read(buffer, separator, rows);
    return rows;
}

TfrmList* OpenDataSetTable(TfrmGraph& graph)
{
    TableRows rows = DataSetTableRows(*graph.PESGraph1);
    if (rows.isEmpty()) {
        Prompts::current().information(QStringLiteral("This data set holds no records."));
        return nullptr;
    }
    const auto set = DataSetsGrid::selectedDataSet(*graph.Grid2);
    auto* list = new TfrmList(std::move(rows));
    list->setWindowTitle(set ? QStringLiteral("DataLogger Set %1").arg(*set + 1) : graph.windowTitle());
    QMdiSubWindow* frame = graph.Host().addChild(list);
    list->placeIn(*frame, *frame->mdiArea());
    frame->show();
    return list;
}
