#pragma once
// The table window: dates, times and readings T1 to T4 as text, one row per
// line of an opened text file. "Output Tabular to graph" turns it into a graph.
// Its grid is a view over a TableModel, which keeps the rows compactly.

#include "logger/TableModel.h"

#include <QWidget>

class QMdiArea;
class QMdiSubWindow;
class QTableView;

class TfrmList : public QWidget {
    Q_OBJECT
public:
    static constexpr int ColumnCount = TableModel::ColumnCount;

    explicit TfrmList(TableRows rows = {}, QWidget* parent = nullptr);

    TableModel& model() const { return *table; }
    // Data rows are counted from 1, as the row numbers in column 0 show.
    int dataRowCount() const;
    QString cell(int dataRow, int column) const;
    // Puts `fields` (Date, Time, T1..T4) into data row k, adding rows as
    // needed; column 0 shows k.
    void setRow(int k, const QStringList& fields);
    // The Date..T4 cells of data row k.
    QStringList rowFields(int k) const;

    // Wide enough for all seven columns and their scroll bar.
    QSize sizeHint() const override;
    // Lays the window's frame out in `area`: at the top, as tall as the area,
    // as wide as sizeHint(), moved left as far as needed to show it whole.
    void placeIn(QMdiSubWindow& frame, const QMdiArea& area) const;

    QTableView* Grid1 = nullptr;

private:
    void fitColumns();

    TableModel* table = nullptr;
};
