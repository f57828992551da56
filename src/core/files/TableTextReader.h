#pragma once
// Reads a text file written from a graph or a table (TAB or comma separated)
// into the rows of a table window. Every field stays text.

#include <QChar>
#include <QList>
#include <QStringList>
#include <functional>

class QIODevice;

namespace TableTextReader {

// Lines longer than this are cut, and reading ends after such a line.
inline constexpr int MaxLineLength = 179;
// Fields after the sixth (Date, Time, T1..T4) are not kept.
inline constexpr int FieldCount = 6;

// The fields of one line: before each separator, then the rest if not empty;
// at most six. A line written from a table (one separator at its end) and
// the same line written from a graph (none) give the same fields.
QStringList splitLine(const QString& line, QChar separator);

// Reads lines until the end, a line without the separator, or `keepGoing`
// (called with the count of lines accepted so far, this one included)
// returns false. Each accepted line gives one row of fields.
QList<QStringList> read(QIODevice& in, QChar separator, const std::function<bool(int)>& keepGoing = {});

} // namespace TableTextReader
