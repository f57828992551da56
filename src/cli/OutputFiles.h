#pragma once
// The files the download and convert commands write: the collection file
// and one text or CSV file per data set, in the formats File > Save writes.

#include <QString>

class DataSetModel;

namespace cli {

// Where text files go: a folder and the separator its option chose.
struct TextOutput {
    QString folder;       // empty: no text files
    QChar separator;      // ',' for --csv, TAB for --txt
    QString extension;    // "csv" or "txt"
};

// The --csv / --txt choice of a command; false (after saying why) when both
// are given or the folder does not exist.
bool textOutputFrom(const QString& csvFolder, const QString& txtFolder, TextOutput& output);

// The file name of data set k (from 0): set01.csv, set02.csv ...
QString dataSetFileName(int k, const QString& extension);

// One file per data set of the model; false after saying why.
bool writeDataSets(const DataSetModel& model, const TextOutput& output);

} // namespace cli
