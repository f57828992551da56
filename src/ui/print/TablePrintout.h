#pragma once
// A table window on paper: one line of fixed-pitch text per grid row, the
// headings first, as many lines per page as fit below a one-line top margin.

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;
class QAbstractItemModel;

namespace TablePrintout {

inline constexpr int ColumnWidth = 10;
inline constexpr int TimeColumnWidth = 17;  // column 2
inline constexpr int FontPointSize = 8;

// A cell shorter than its column's width gets two spaces for each missing
// character; a cell as long or longer is followed by one space.
QString paddedCell(const QString& cell, int column);
// The cells of one row, each padded, nothing in between.
QString line(const QStringList& cells);

// Lines on one page of `pageHeight` with lines `lineHeight` high below a top
// margin of one line; at least one.
int linesPerPage(int pageHeight, int lineHeight);

struct Placement {
    int page = 0;  // counted from 0
    int top = 0;   // of the line, in device pixels
};
// Where row r goes: a new page every `linesPerPage` rows, one line down from
// the top of the page.
Placement place(int row, int linesPerPage, int lineHeight);

// The font, line height and lines per page of a printout on `printer`.
struct Layout {
    QFont font;
    int lineHeight = 1;
    int linesPerPage = 1;
};
Layout layout(QPrinter& printer);

// Row 0 the headings, row r data row r of the table window's model: every
// column, the row number included.
QStringList rowCells(const QAbstractItemModel& table, int row);

// Prints the headings and every row of `table` on `printer` in the system's
// fixed-pitch font at 8 points.
// Returns the number of pages, or 0 when the printer could not be started.
int print(QPrinter& printer, const QAbstractItemModel& table);

} // namespace TablePrintout
