#pragma once
// The data sets grid of the DataLogger window: one row per data set of the
// model with its number, start, interval, record count and unit.

#include <QStringList>
#include <optional>

class DataSetModel;
class QTableWidget;

namespace DataSetsGrid {

// The interval as minutes ":" seconds, each at least two digits: "01:30".
QString intervalText(int seconds);
// The six cells of data set k: "Set", "DATE", "TIME", "Rate", "Nums", "Unit".
QStringList rowTexts(const DataSetModel& model, int k);

// The headings and one blank row, as a new graph window shows them.
void setUp(QTableWidget& grid);
// One row per data set; selects the first.
void fill(QTableWidget& grid, const DataSetModel& model);
// The data set of the grid's selected row; nothing for a blank row.
std::optional<int> selectedDataSet(const QTableWidget& grid);
// The data set of `row`; nothing for a blank row.
std::optional<int> dataSetAt(const QTableWidget& grid, int row);

} // namespace DataSetsGrid
