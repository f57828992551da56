#pragma once
// Reads a text file written from a graph or a table (TAB or comma separated)
// into the rows of a table window. Every field stays text. At most
// MaxLineLength characters of a line are ever held: a longer line is cut
// there and the rest of the file is not read.

#include "logger/TableRows.h"

#include <QChar>
#include <QStringList>
#include <functional>
#include <optional>

class QIODevice;

namespace TableTextReader {

// Lines longer than this are cut, and reading ends after such a line.
inline constexpr int MaxLineLength = 179;
// Fields after the sixth (Date, Time, T1..T4) are not kept.
inline constexpr int FieldCount = TableRows::FieldCount;

// The fields of one line: before each separator, then the rest if not empty;
// at most six. A line written from a table (one separator at its end) and
// the same line written from a graph (none) give the same fields.
QStringList splitLine(const QString& line, QChar separator);
// The same for a line of UTF-8 text; nothing when the line holds no
// separator, which ends the reading.
std::optional<TableRows::Fields> lineFields(QByteArrayView line, char separator);

// Reads lines into `rows` until the end, a line without the separator, a
// line that had to be cut, or `keepGoing` (called with the count of lines
// accepted so far, this one included, before its row is added) returns false.
// A first line that begins "Date", "Time" is the heading tq612-cli writes
// and is not a row.
void read(QIODevice& in, QChar separator, TableRows& rows, const std::function<bool(int)>& keepGoing = {});

} // namespace TableTextReader
