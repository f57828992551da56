#pragma once
// Turning the rows of a table window into the points of a graph.

#include "app/DateTime.h"
#include "logger/TableRows.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace TableToGraph {

inline constexpr float NoDataValue = 9999.0f;

// X and the four Y of a graph point; untouched parts keep X = 0 and Y = 9999,
// as a freshly prepared chart holds them.
struct Point {
    TDateTime x = 0;
    std::array<float, 4> y{NoDataValue, NoDataValue, NoDataValue, NoDataValue};
};

// Reads rows one after the other. The cells are Date, Time, T1..T4 (missing
// ones count as empty). The date and time are read with the user's formats,
// the readings as decimal numbers in the user's format, "OL" as NoDataValue.
// The first cell that cannot be read ends the row: what was read before it
// stays. A long table repeats its dates and times of day, so each distinct
// text is read with the user's formats once and remembered.
class RowReader {
public:
    RowReader();
    Point read(const TableRows::Fields& cells);
    Point read(const TableRows& rows, int row);

private:
    std::optional<TDateTime> dateTime(QByteArrayView date, QByteArrayView time);
    std::optional<double> number(QByteArrayView text) const;

    QLocale locale;
    QString dateFormat;
    QString timeFormat;
    char decimalPoint = '.';  // 0 when the user's is not a plain byte
    bool dateRead = false;
    QByteArray lastDateText;
    std::optional<QDate> lastDate;
    QHash<QByteArray, int> msOfDay;  // -1: not a time
};

// One row, read on its own.
Point rowToPoint(const QStringList& cells);

} // namespace TableToGraph
