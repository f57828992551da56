#include "print/TablePrintout.h"

#include <QAbstractItemModel>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace TablePrintout {

QString paddedCell(const QString& cell, int column)
{
    const int width = column == 2 ? TimeColumnWidth : ColumnWidth;
    const qsizetype missing = width - cell.size();
    // A full cell still keeps one space before the next, so a date never runs into its time.
    if (missing <= 0)
        return cell + QLatin1Char(' ');
    return cell + QString(2 * missing, QLatin1Char(' '));
}

QString line(const QStringList& cells)
{
    QString text;
    for (int c = 0; c < cells.size(); ++c)
        text += paddedCell(cells[c], c);
    return text;
}

int linesPerPage(int pageHeight, int lineHeight)
{
    if (lineHeight <= 0)
        return 1;
    // The first line starts one line down, so the last one must end on the page.
    return std::max(1, pageHeight / lineHeight - 1);
}

Placement place(int row, int linesPerPage, int lineHeight)
{
    return {row / linesPerPage, (row % linesPerPage) * lineHeight + lineHeight};
}

QStringList rowCells(const QAbstractItemModel& table, int row)
{
    QStringList cells;
    for (int c = 0; c < table.columnCount(); ++c) {
        const QVariant text = row == 0 ? table.headerData(c, Qt::Horizontal) : table.index(row - 1, c).data();
        cells << text.toString();
    }
    return cells;
}

Layout layout(QPrinter& printer)
{
    Layout l;
    l.font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    l.font.setPointSize(FontPointSize);
    const QFontMetrics metrics(l.font, &printer);
    l.lineHeight = std::max(1, metrics.boundingRect(QStringLiteral("String Grid Printout")).height());
    l.linesPerPage = linesPerPage(printer.height(), l.lineHeight);
    return l;
}

int print(QPrinter& printer, const QAbstractItemModel& table)
{
    const int rows = table.rowCount() + 1;
    const Layout l = layout(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    painter.setFont(l.font);
    const int ascent = QFontMetrics(l.font, &printer).ascent();

    int pages = 1;
    for (int r = 0; r < rows; ++r) {
        const Placement at = place(r, l.linesPerPage, l.lineHeight);
        if (at.page + 1 > pages) {
            printer.newPage();
            pages = at.page + 1;
        }
        // The row's top edge at `top`; text is drawn from its baseline.
        painter.drawText(QPointF(1, at.top + ascent), line(rowCells(table, r)));
    }
    painter.end();
    return pages;
}

} // namespace TablePrintout
