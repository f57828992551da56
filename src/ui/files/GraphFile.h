#pragma once
// The graph file (.ghf) of a chart: its state block in the file's framing.

#include "files/GraphFileBlock.h"

#include <QString>

class PESGraph;
struct ChartState;

// Writes the chart as a graph file. The file is written beside the target and
// renamed over it only when complete, so a failed save keeps the old file.
// Failures are shown with the path and the system's reason; returns success.
bool StoreGraphFile(PESGraph& chart, const QString& fileName);
// The same for a chart state that no window shows (the graph template).
bool StoreGraphState(const ChartState& state, const QString& fileName);

// Reads a graph file into the chart. On any fault the chart is left as it was
// and the reason is shown with the file's path; returns success.
bool LoadGraphFile(PESGraph& chart, const QString& fileName);
