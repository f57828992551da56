#pragma once
// What the Load command needs of the data set model: the parse of a memory
// image, the scratch file and the DataLogger window. The data set model and
// its views implement it; tests script it.

#include <QByteArray>

class DataSetParser {
public:
    virtual ~DataSetParser() = default;

    // Creates the DataLogger window, or restores it to its normal state.
    virtual void showDataLoggerWindow() = 0;
    // ParseImage: 0 (the model and the grid hold the image's data sets),
    // 1 (data error), 2 (memory error) or 6 (no data); on any code but 0 the
    // model is unchanged.
    virtual int ParseImage(const QByteArray& image) = 0;
    // After code 1: the 0-based index of the first bad data set, and the
    // offset of the byte just before it.
    virtual int badDataSetIndex() const = 0;
    virtual int offsetBeforeBadDataSet() const = 0;
    // WriteScratchFile: the image, byte for byte.
    virtual void WriteScratchFile(const QByteArray& image) = 0;
    // Draws data set `number` (counted from 1) in the DataLogger window.
    virtual void drawDataSet(int number) = 0;
};
