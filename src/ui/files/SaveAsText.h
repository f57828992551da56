#pragma once
// Saving as text: the points of a graph (date, time, T1..T4, no separator at
// the end of a line) and the rows of a table (every cell followed by the
// separator). Both ask for the range to save, show their progress with a
// Cancel button, and write through a temporary file, so that a failed or
// cancelled save never destroys the file it would have replaced.

#include <QChar>
#include <QString>

class PESGraph;
class TfrmList;

// The filters of the table save dialog for the user's decimal separator.
QString SaveGridFilter(QChar decimalPoint);

// Writes the chosen range of the chart's points to `fileName`, `separator`
// between the fields; the first point with X = 0 ends the data. Returns true
// when the file was written; a cancelled save writes nothing and returns false.
bool SaveGraphAsText(PESGraph& chart, const QString& fileName, QChar separator);

// Asks for a file name (the dialog starts in `documentFolder`) and the range
// of rows, and writes the rows of the table: a comma after every cell for
// names ending in "csv", else TAB.
bool SaveGridAsText(TfrmList& list, const QString& documentFolder);
