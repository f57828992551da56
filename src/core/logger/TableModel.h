#pragma once
// The table window's model: column 0 the row number, columns 1 to 6 the
// Date, Time and T1..T4 texts of each row, the headings "No", "Date", "Time",
// "T1".."T4" above them. The view asks only for the cells it shows.

#include "logger/TableRows.h"

#include <QAbstractTableModel>

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 1 + TableRows::FieldCount;

    explicit TableModel(TableRows rows = {}, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static QString heading(int column);

    const TableRows& rows() const { return table; }
    // Cell text of data row k (counted from 1, as column 0 shows it).
    QString cell(int k, int column) const;
    // Puts `fields` (Date..T4) into data row k: one past the last row adds a
    // row (rows between are added empty), an existing row is replaced.
    void setRow(int k, const QStringList& fields);

private:
    TableRows table;
};
