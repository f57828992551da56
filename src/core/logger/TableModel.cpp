#include "logger/TableModel.h"

#include <array>

TableModel::TableModel(TableRows rows, QObject* parent)
    : QAbstractTableModel(parent)
    , table(std::move(rows))
{
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : table.count();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TableModel::heading(int column)
{
    static const std::array<const char*, ColumnCount> headings{"No", "Date", "Time", "T1", "T2", "T3", "T4"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(headings[size_t(column)]) : QString();
}

QString TableModel::cell(int k, int column) const
{
    if (k < 1 || k > table.count() || column < 0 || column >= ColumnCount)
        return {};
    return column == 0 ? QString::number(k) : table.text(k - 1, column - 1);
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return cell(index.row() + 1, index.column());
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return heading(section);
    return section + 1;
}

void TableModel::setRow(int k, const QStringList& fields)
{
    if (k < 1)
        return;
    if (k <= table.count()) {
        table.replace(k - 1, fields);
        emit dataChanged(index(k - 1, 1), index(k - 1, ColumnCount - 1));
        return;
    }
    beginInsertRows(QModelIndex(), table.count(), k - 1);
    while (table.count() < k - 1)
        table.append(QStringList());
    table.append(fields);
    endInsertRows();
}
