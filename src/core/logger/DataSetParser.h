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
    // "Fixed the error " after code 1: the data sets before the bad one are
    // taken as if only they had been loaded (parsed, kept in the scratch
    // file, data set 1 drawn). Returns a LoadResult code; anything but 0
    // leaves the model as it was.
    virtual int KeepGoodDataSets() = 0;
    // WriteScratchFile: the image, byte for byte. False when it could not be
    // written (reported to the user); no earlier scratch file is left then.
    virtual bool WriteScratchFile(const QByteArray& image) = 0;
    // Draws data set `number` (counted from 1) in the DataLogger window.
    virtual void drawDataSet(int number) = 0;
};
