#include "logger/UList.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Column widths follow the headings and the first rows; the rows of one file
// share their forms, so the widest of these fits the rest.
constexpr int SampledRows = 200;

} // namespace

TfrmList::TfrmList(TableRows rows, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmList"));
    setAttribute(Qt::WA_DeleteOnClose);
    table = new TableModel(std::move(rows), this);
    Grid1 = new QTableView(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setModel(table);
    Grid1->verticalHeader()->hide();
    // Every row as high as the first: the view never measures a million rows.
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->setWordWrap(false);
    Grid1->setShowGrid(true);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);
    fitColumns();
}

int TfrmList::dataRowCount() const
{
    return table->rowCount();
}

QString TfrmList::cell(int dataRow, int column) const
{
    return table->cell(dataRow, column);
}

void TfrmList::setRow(int k, const QStringList& fields)
{
    table->setRow(k, fields);
    if (k <= SampledRows)
        fitColumns();
}

QStringList TfrmList::rowFields(int k) const
{
    return k >= 1 && k <= table->rowCount() ? table->rows().fields(k - 1) : QStringList(TableRows::FieldCount, QString());
}

void TfrmList::fitColumns()
{
    const QFontMetrics cells(Grid1->font());
    const QFontMetrics headings(Grid1->horizontalHeader()->font());
    const int rows = std::min(table->rowCount(), SampledRows);
    // Room for the cell's margins and the grid line.
    const int margins = 2 * Grid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Grid1) + 12;
    for (int c = 0; c < ColumnCount; ++c) {
        int width = headings.horizontalAdvance(TableModel::heading(c));
        if (c == 0) {
            // The row numbers: the last one is the widest.
            width = std::max(width, cells.horizontalAdvance(QString::number(table->rowCount())));
        } else {
            for (int k = 1; k <= rows; ++k)
                width = std::max(width, cells.horizontalAdvance(table->cell(k, c)));
        }
        Grid1->setColumnWidth(c, width + margins);
    }
}

QSize TfrmList::sizeHint() const
{
    int width = 2 * Grid1->frameWidth() + Grid1->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < ColumnCount; ++c)
        width += Grid1->columnWidth(c);
    return {width, 400};
}

void TfrmList::placeIn(QMdiSubWindow& frame, const QMdiArea& area) const
{
    const QSize client = area.viewport()->size();
    // The frame's borders and title bar around this window.
    const QSize decoration = frame.sizeHint() - sizeHint();
    const int width = sizeHint().width() + std::max(0, decoration.width());
    const int left = std::clamp(frame.x(), 0, std::max(0, client.width() - width));
    frame.setGeometry(left, 0, width, std::max(client.height(), frame.minimumSizeHint().height()));
}
