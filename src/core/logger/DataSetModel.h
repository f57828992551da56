#pragma once
// The data sets the program currently shows: a memory image of the meter's
// logger parsed into per-data-set facts and one long series of readings with
// their times. A successful parse replaces the whole model; a failed one
// leaves it as it was.
//
// Memory image layout (big-endian): a 257-byte header whose bytes 9-10 count
// the data sets, then the data sets one after the other from offset 257.
// A data set at p: A5 5A, flags (bit 3: Fahrenheit), year, month, day, hour,
// minute, second, interval minutes, interval seconds (all two BCD digits),
// a 24-bit record count n, n records of four 16-bit readings (T1..T4), and
// two trailing bytes; 8n + 16 bytes in all.

#include "app/DateTime.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class DataSetModel {
public:
    static constexpr int HeaderSize = 257;
    static constexpr int MaxDataSets = 4000;
    static constexpr int DataSetHeaderSize = 14;
    static constexpr int RecordSize = 8;
    static constexpr std::uint8_t FahrenheitFlag = 0x08;

    // The image being loaded; filled by a download or an opened file.
    QByteArray RawImage;
    // The count of bytes the download received.
    int ImageLength = 0;

    std::vector<TDateTime> StartTimes;
    std::vector<int> IntervalSecs;
    std::vector<int> RecordCounts;
    std::vector<std::uint8_t> UnitFlags;
    std::vector<int> SetStarts;
    std::vector<int> SetEnds;           // offset of the data set's last byte
    std::vector<float> Readings;        // T1..T4 of every record of every data set
    std::vector<double> ReadingTimes;   // the time of each reading, index for index

    // Where the last parse that failed with a data error found the bad data
    // set: its index and the offset of the byte just before it; -1 otherwise.
    // The image it rejected is kept with them (RawImage is emptied once a
    // load ends, before the user decides what to do about the error).
    int BadDataSet = -1;
    int BadDataSetOffset = -1;
    QByteArray RejectedImage;

    // Parses RawImage; `meterModel` chooses how negative readings are coded.
    // Returns a LoadResult code: 0, 1, 2, 3 (image too short) or 6.
    int ParseImage(int meterModel);

    int dataSetCount() const { return static_cast<int>(StartTimes.size()); }
    // Index in Readings of the first reading of data set k.
    int firstReadingIndex(int k) const;
    bool isFahrenheit(int k) const { return UnitFlags[k] & FahrenheitFlag; }

    // After a data error: the rejected image cut just before the bad data set,
    // its header's data set count and announced length set to match. Empty
    // when the last parse noted no bad data set or no good one before it.
    QByteArray imageBeforeBadDataSet() const;

    // The scratch file that keeps the image of the last load or open:
    // `documentFolder` + "temp/DataSetsTemp.tmp", or the executable's folder
    // in its place when `documentFolder` is empty.
    static QString scratchFolder(const QString& documentFolder);
    static QString scratchFilePath(const QString& documentFolder);
    // Writes the first `count` bytes of RawImage to the scratch file, safely
    // replacing the old one. Returns an error text for the user, or nothing.
    std::optional<QString> WriteScratchFile(int count, const QString& documentFolder) const;

private:
    void clearBadDataSet();
    void noteBadDataSet(int index, int start);
};
