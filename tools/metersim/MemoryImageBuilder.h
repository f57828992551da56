#pragma once
// Builds the memory image a meter would hold: the 257-byte memory header and
// the data sets behind it, padded to whole 64-byte blocks. Tests and the
// simulator describe the recorded data here instead of writing bytes by hand.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace metersim {

// One recorded run of the four channels.
struct RecordedDataSet {
    QDateTime start = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    int intervalSecs = 1;         // written as minutes and seconds, each BCD
    bool fahrenheit = false;
    // Reading words of T1..T4 per record, as the meter stores them (tenths,
    // negative form by model); encodeReading() makes them from degrees.
    std::vector<std::array<std::uint16_t, 4>> records;
    // Overrides the marker bytes 0xA5 0x5A (to build a damaged data set).
    std::optional<std::array<std::uint8_t, 2>> marker;
};

class MemoryImageBuilder {
public:
    static constexpr int HeaderLength = 257;

    int model = 612;                          // negative reading form: 612 sign and magnitude, else two's complement
    int currentIntervalSecs = 60;             // the meter's own recording interval (header bytes 14, 15)
    std::vector<RecordedDataSet> dataSets;
    std::optional<int> announcedLength;       // header bytes 11..13; default: the bytes that hold data
    std::optional<int> dataSetCount;          // header bytes 9, 10; default: dataSets.size()

    // Adds a data set of `count` records with readings that differ per record and channel.
    RecordedDataSet& addDataSet(int count, int intervalSecs = 1, bool fahrenheit = false);

    // The image, padded with 0xFF to whole 64-byte blocks.
    QByteArray build() const;
    // Bytes that hold data: the header and every data set.
    int dataLength() const;

    // A reading in degrees to the meter's word for `model`.
    static std::uint16_t encodeReading(double degrees, int model);
    static std::uint8_t bcd(int value);

    // A data set collection file holds a memory image byte for byte; empty when unreadable.
    static QByteArray loadCollectionFile(const QString& path);
};

} // namespace metersim
