#pragma once
// The graph file (.ghf): a 4-byte little-endian length N followed by the N
// bytes of the chart's state block.

#include <QByteArray>
#include <QString>
#include <optional>

class PESGraph;

// Writes the chart as a graph file. The file is written beside the target and
// renamed over it only when complete, so a failed save keeps the old file.
// Failures are shown with the path and the system's reason; returns success.
bool StoreGraphFile(PESGraph& chart, const QString& fileName);

// Reads a graph file into the chart. On any fault the chart is left as it was
// and the reason is shown with the file's path; returns success.
bool LoadGraphFile(PESGraph& chart, const QString& fileName);

namespace GraphFile {

// The state block of a graph file, or nothing with the reason in `error`.
// Reads no more than the file holds, whatever its length field says.
std::optional<QByteArray> readBlock(const QString& fileName, QString* error);
// Writes a state block as a graph file (atomically); false with the reason in `error`.
bool writeBlock(const QString& fileName, const QByteArray& block, QString* error);

} // namespace GraphFile
