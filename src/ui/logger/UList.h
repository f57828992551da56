#pragma once
// The table window: dates, times and readings T1 to T4 as text, one row per
// line of an opened text file. "Output Tabular to graph" turns it into a graph.

#include <QWidget>

class QTableWidget;

class TfrmList : public QWidget {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;

    explicit TfrmList(QWidget* parent = nullptr);

    // Data rows are counted from 1, as the row numbers in column 0 show.
    int dataRowCount() const;
    QString cell(int dataRow, int column) const;
    // Puts `fields` (Date, Time, T1..T4) into data row k, adding rows as
    // needed, and writes k into column 0.
    void setRow(int k, const QStringList& fields);
    // The Date..T4 cells of data row k.
    QStringList rowFields(int k) const;

    QTableWidget* Grid1 = nullptr;
};
