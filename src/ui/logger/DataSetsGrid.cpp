#include "logger/DataSetsGrid.h"

#include "app/Regional.h"
#include "logger/DataSetModel.h"

#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

namespace DataSetsGrid {

QString intervalText(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStringList rowTexts(const DataSetModel& model, int k)
{
    const TDateTime start = model.StartTimes[k];
    return {
        QString::number(k + 1),
        Regional::dateText(start),
        DateTime::toQDateTime(start).time().toString(QStringLiteral("HH:mm:ss")),
        intervalText(model.IntervalSecs[k]),
        QString::number(model.RecordCounts[k]),
        model.isFahrenheit(k) ? QStringLiteral("F") : QStringLiteral("C"),
    };
}

static void setRow(QTableWidget& grid, int row, const QStringList& texts)
{
    for (int c = 0; c < texts.size(); ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        grid.setItem(row, c, item);
    }
}

void setUp(QTableWidget& grid)
{
    grid.setColumnCount(6);
    grid.setHorizontalHeaderLabels({QStringLiteral("Set"), QStringLiteral("DATE"), QStringLiteral("TIME"),
                                    QStringLiteral("Rate"), QStringLiteral("Nums"), QStringLiteral("Unit")});
    const int widths[] = {25, 60, 60, 65, 40, 40};
    for (int c = 0; c < 6; ++c)
        grid.setColumnWidth(c, widths[c]);
    grid.verticalHeader()->hide();
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setCursor(Qt::PointingHandCursor);
    grid.setRowCount(1);
    setRow(grid, 0, QStringList(6, QString()));
}

void fill(QTableWidget& grid, const DataSetModel& model)
{
    const int n = model.dataSetCount();
    grid.setRowCount(n);
    for (int k = 0; k < n; ++k)
        setRow(grid, k, rowTexts(model, k));
    // The designed widths are the least a column gets; a date or time in the
    // user's format that needs more is shown whole instead of cut.
    for (int c = 0; c < grid.columnCount(); ++c) {
        const int designed = grid.columnWidth(c);
        grid.resizeColumnToContents(c);
        grid.setColumnWidth(c, std::max(designed, grid.columnWidth(c)));
    }
    grid.resizeRowsToContents();
    if (n > 0)
        grid.selectRow(0);
}

std::optional<int> selectedDataSet(const QTableWidget& grid)
{
    const QList<QTableWidgetSelectionRange> ranges = grid.selectedRanges();
    int row = grid.currentRow();
    if (!ranges.isEmpty())
        row = ranges.constFirst().topRow();
    return dataSetAt(grid, row);
}

std::optional<int> dataSetAt(const QTableWidget& grid, int row)
{
    if (row < 0)
        return std::nullopt;
    const QTableWidgetItem* date = grid.item(row, 1);
    if (!date || date->text().isEmpty())
        return std::nullopt;
    return row;
}

} // namespace DataSetsGrid
