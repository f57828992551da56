// The bytes of the setup: interval input, the meter's clock and the first block.
#include "setup/SetupReplies.h"

#include <gtest/gtest.h>

using namespace SetupReplies;

TEST(SetupInterval, AcceptsUpToSixtyAndRefusesZeroAndNonNumbers)
{
    struct Case {
        const char* minutes;
        const char* seconds;
        bool valid;
        std::uint8_t bcdMinutes, bcdSeconds;
    };
    const Case cases[] = {
        {"00", "01", true, 0x00, 0x01},
        {"60", "00", true, 0x60, 0x00},
        {"59", "60", true, 0x59, 0x60},
        {"00", "02", true, 0x00, 0x02},
        {"5", "7", true, 0x05, 0x07},     // one digit: tens digit 0
        {"61", "00", false, 0, 0},
        {"00", "61", false, 0, 0},
        {"00", "00", false, 0, 0},
        {"0", "0", false, 0, 0},
        {"", "05", false, 0, 0},
        {"ab", "05", false, 0, 0},
        {"01", "x", false, 0, 0},
        {"-1", "05", false, 0, 0},
        {"+1", "05", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.minutes) + ":" + c.seconds);
        const auto interval = parseInterval(QString::fromLatin1(c.minutes), QString::fromLatin1(c.seconds));
        ASSERT_EQ(interval.has_value(), c.valid);
        if (interval) {
            EXPECT_EQ(interval->minutes, c.bcdMinutes);
            EXPECT_EQ(interval->seconds, c.bcdSeconds);
        }
    }
}

TEST(SetupClockBytes, DecodesTheMetersClockIncludingItsHexadecimalYears)
{
    const auto clock = [](std::uint8_t year, std::uint8_t month = 0x03, std::uint8_t hour = 0x13) {
        const std::array<std::uint8_t, 8> bytes{year, month, 0x28, hour, 0x59, 0x07, 0, 0};
        return meterClock(QByteArray(reinterpret_cast<const char*>(bytes.data()), 8));
    };
    EXPECT_EQ(clock(0x1C), QDateTime(QDate(2012, 3, 28), QTime(13, 59, 7)));
    EXPECT_EQ(clock(0x12), QDateTime(QDate(2012, 3, 28), QTime(13, 59, 7)));
    EXPECT_EQ(clock(0x1A)->date().year(), 2010);
    EXPECT_EQ(clock(0x1F)->date().year(), 2015);
    EXPECT_EQ(clock(0x26)->date().year(), 2026);
    EXPECT_FALSE(clock(0x2A)) << "not a decimal year";
    EXPECT_FALSE(clock(0x26, 0x13)) << "month 13";
    EXPECT_FALSE(clock(0x26, 0x03, 0x24)) << "hour 24";
    EXPECT_FALSE(meterClock(QByteArray(5, '\x01'))) << "short reply";

    const auto bytes = clockBytes(QDateTime(QDate(2031, 5, 6), QTime(7, 8, 59)));
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 6>{0x31, 0x05, 0x06, 0x07, 0x08, 0x59}));
}

TEST(SetupClockBytes, SuccessMessageShowsTheMetersAnswerFieldByField)
{
    const QByteArray reply("\x31\x05\x06\x07\x08\x09\x00\x00", 8);
    EXPECT_EQ(clockUpdatedMessage(reply),
              QStringLiteral("Meter time updated successfully \nToday is Day 06 of Month 05 of Year 2031\n"
                             "The time is Second09 of Minute 08 of Hour 07"));
}

TEST(SetupFirstBlock, FieldsOfTheMemoryHeader)
{
    QByteArray block(65, '\0');
    block[9] = 0x01;
    block[10] = 0x02;        // 258 data sets
    block[11] = 0x00;
    block[12] = 0x01;
    block[13] = 0x01;        // 257 bytes used
    block[14] = 0x01;
    block[15] = 0x30;
    for (int i = 0; i < 12; ++i)
        block[32 + i] = char(0xA0 + i);
    const FirstBlock fields = readFirstBlock(block);
    EXPECT_EQ(fields.dataSets, QStringLiteral("258"));
    EXPECT_EQ(fields.memoryAvailable, QStringLiteral("15999"));  // (128256 - 257) / 8 = 15999.875
    EXPECT_EQ(fields.interval, QStringLiteral("01:30(mm:ss)"));
    EXPECT_EQ(fields.parameters[0], QStringLiteral("A0"));
    EXPECT_EQ(fields.parameters[11], QStringLiteral("AB"));

    struct Case {
        int used;
        const char* available;
    };
    for (const Case& c : {Case{0x1F500, "0"}, Case{0x1F4F9, "0"}, Case{0x1F4F8, "1"}, Case{0x1F501, "0"},
                          Case{0xFFFFFF, "0"}}) {
        block[11] = char(c.used >> 16);
        block[12] = char(c.used >> 8);
        block[13] = char(c.used);
        EXPECT_EQ(readFirstBlock(block).memoryAvailable, QLatin1String(c.available)) << c.used;
    }
}
