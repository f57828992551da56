#pragma once
// Saving one graph: the save dialog and the choice of format by extension.

#include <QString>

class PESGraph;

// Asks for a file name and writes the chart as a graph file (.ghf), text
// (.txt) or CSV (.csv). Returns true when a file was written. The dialog
// starts in `documentFolder` on `lastFileType` (counted from 1), which then
// holds the type chosen, for the next save.
bool SaveGraph(PESGraph& chart, const QString& documentFolder, int& lastFileType);

// The filter of the graph save dialog for the user's decimal separator.
QString SaveGraphFilter(QChar decimalPoint);
