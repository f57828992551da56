#include "logger/UList.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

TfrmList::TfrmList(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmList"));
    setAttribute(Qt::WA_DeleteOnClose);
    Grid1 = new QTableWidget(1, ColumnCount, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("Date"), QStringLiteral("Time"),
                                      QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"),
                                      QStringLiteral("T4")});
    Grid1->verticalHeader()->hide();
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->setShowGrid(true);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);
    resize(560, 400);
}

int TfrmList::dataRowCount() const
{
    return Grid1->rowCount();
}

QString TfrmList::cell(int dataRow, int column) const
{
    const QTableWidgetItem* item = Grid1->item(dataRow - 1, column);
    return item ? item->text() : QString();
}

void TfrmList::setRow(int k, const QStringList& fields)
{
    if (Grid1->rowCount() < k)
        Grid1->setRowCount(k);
    if (fields.isEmpty())
        return;
    Grid1->setItem(k - 1, 0, new QTableWidgetItem(QString::number(k)));
    for (int i = 0; i < fields.size() && i + 1 < ColumnCount; ++i)
        Grid1->setItem(k - 1, i + 1, new QTableWidgetItem(fields[i]));
}

QStringList TfrmList::rowFields(int k) const
{
    QStringList fields;
    for (int c = 1; c < ColumnCount; ++c)
        fields << cell(k, c);
    return fields;
}
