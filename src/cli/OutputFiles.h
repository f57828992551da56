#pragma once
// The files the download and convert commands write: the collection file
// and one text or CSV file per data set, in the formats File > Save writes.
// The CSV files begin with a heading that names the columns and the unit,
// for the spreadsheets and scripts that read them.

#include "files/TextExport.h"

#include <QString>
#include <optional>

class DataSetModel;

namespace cli {

// Where text files go: a folder and the separator its option chose.
struct TextOutput {
    QString folder;       // empty: no text files
    QChar separator;      // ',' for --csv, TAB for --txt
    QString extension;    // "csv" or "txt"
};

// The --csv / --txt choice of a command, its folder made when it is not
// there yet; false (after saying why) when both are given or the folder
// cannot be made.
bool textOutputFrom(const QString& csvFolder, const QString& txtFolder, TextOutput& output);

// The file name of data set k (from 0): set01.csv, set02.csv ...
QString dataSetFileName(int k, const QString& extension);

// The first line of a CSV file: Date,Time,T1 (°C),... with the readings'
// unit ("°C", "°F"), or without it when the unit is not known (empty).
QByteArray csvHeading(const QString& unit);

// Writes `points` to `path` as `output` asks: the lines File > Save writes,
// under the heading in a CSV file. The count of points written, or nothing
// after saying why the file could not be written.
std::optional<int> writeTextFile(const QString& path, const TextExport::Points& points, const TextOutput& output,
                                 const QString& unit);

// One file per data set of the model, each one named on stderr; false after saying why.
bool writeDataSets(const DataSetModel& model, const TextOutput& output);

} // namespace cli
