#pragma once
// Turning one row of a table window into one point of a graph.

#include "app/DateTime.h"

#include <QString>
#include <QStringList>
#include <array>

namespace TableToGraph {

inline constexpr float NoDataValue = 9999.0f;

// X and the four Y of a graph point; untouched parts keep X = 0 and Y = 9999,
// as a freshly prepared chart holds them.
struct Point {
    TDateTime x = 0;
    std::array<float, 4> y{NoDataValue, NoDataValue, NoDataValue, NoDataValue};
};

// `cells` are the row's Date, Time, T1, T2, T3, T4 (missing ones count as empty).
// The date and time are read with the user's formats, the readings as decimal
// numbers in the user's format, "OL" as NoDataValue. The first cell that cannot
// be read ends the row: what was read before it stays.
Point rowToPoint(const QStringList& cells);

} // namespace TableToGraph
