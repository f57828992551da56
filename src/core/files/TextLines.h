#pragma once
// The lines of the text and CSV files written from graphs and tables, and
// the range of points or rows the user chose to save.

#include "app/DateTime.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace TextLines {

// A reading as written to a file: one decimal, or "OL" beyond the meter's reach.
QString valueField(float y);
// Date, time, T1..T4 joined by `separator`, nothing after the last field.
QString graphLine(TDateTime x, const std::array<float, 4>& y, QChar separator);
// Each cell followed by `separator`, so the line ends with one.
QString tableLine(const QStringList& cells, QChar separator);
// A comma when the name ends in "csv" (any case), else TAB.
QChar tableSeparatorFor(const QString& fileName);

struct Range {
    int from = 1;
    int to = 0;
};
// The points or rows `from`..`to` (counted from 1) of `last`; nothing when a
// bound is not an integer. Negative bounds count as positive, reversed bounds
// are swapped, `to` is cut to `last` and a `from` of 0 becomes 1.
std::optional<Range> chosenRange(const QString& from, const QString& to, int last);

} // namespace TextLines
