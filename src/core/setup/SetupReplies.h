#pragma once
// The bytes of the meter setup: building the clock and interval parameters
// and reading the meter's answers into the texts the setup window shows.
// Date, time and interval bytes are two BCD digits each: 59 travels as 0x59.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace SetupReplies {

// A value from 0 to 99 as two BCD digits.
std::uint8_t bcd(int value);
// A byte as two upper-case hexadecimal digits ("how the meter shows it").
QString hex2(std::uint8_t byte);

// The six clock bytes of the set-clock frame: year-2000, month, day, hour,
// minute, second.
std::array<std::uint8_t, 6> clockBytes(const QDateTime& time);

// Minutes and seconds as typed into the interval edits. Valid when both are
// numbers of one or two digits, neither exceeds 60 and they are not both 0.
struct Interval {
    std::uint8_t minutes = 0;   // BCD
    std::uint8_t seconds = 0;   // BCD
};
std::optional<Interval> parseInterval(const QString& minutes, const QString& seconds);

// The meter's clock from the 8 bytes of its clock reply (year, month, day,
// hour, minute, second; BCD, the year from 2000). A year byte 0x1A..0x1F
// counts as 10..15. Nothing when the bytes are no valid date and time.
std::optional<QDateTime> meterClock(const QByteArray& reply);

// The success message of the clock setting, from the meter's clock reply.
QString clockUpdatedMessage(const QByteArray& reply);

// What the first block of the memory (64 bytes and a checksum) tells.
struct FirstBlock {
    QString dataSets;                    // lblDataSets
    QString memoryAvailable;             // lblMemoryAvailable: free record places
    QString interval;                    // lblInt: "MM:SS(mm:ss)"
    std::array<QString, 12> parameters;  // edt32 .. edt43
};
// Memory places for records: 0x1F500 bytes, 8 bytes a record.
constexpr int MemoryBytes = 128256;
FirstBlock readFirstBlock(const QByteArray& block);

} // namespace SetupReplies
