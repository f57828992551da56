#pragma once
// The framing of a graph file (.ghf): a 4-byte little-endian length N
// followed by the N bytes of the chart's state block.

#include <QByteArray>
#include <QString>
#include <optional>

namespace GraphFile {

// The state block of a graph file, or nothing with the reason in `error`.
// Reads no more than the file holds, whatever its length field says.
std::optional<QByteArray> readBlock(const QString& fileName, QString* error);
// Writes a state block as a graph file (atomically); false with the reason in `error`.
bool writeBlock(const QString& fileName, const QByteArray& block, QString* error);

} // namespace GraphFile
