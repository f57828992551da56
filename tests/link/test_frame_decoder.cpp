// Reading, stamp and live-frame decoding.
#include "LinkTestSupport.h"
#include "link/FrameDecoder.h"

#include <gtest/gtest.h>

namespace {

const std::uint8_t* bytes(const QByteArray& a)
{
    return reinterpret_cast<const std::uint8_t*>(a.constData());
}

struct ReadingCase {
    std::uint8_t high, low;
    int model;
    int tenths;
};

class DecodeReadingTest : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(DecodeReadingTest, GivesTenths)
{
    const ReadingCase c = GetParam();
    EXPECT_EQ(DecodeReading(c.high, c.low, c.model), c.tenths);
}

INSTANTIATE_TEST_SUITE_P(Encodings, DecodeReadingTest, ::testing::Values(
    ReadingCase{0x01, 0x2C, 612, 300},      // 30.0
    ReadingCase{0x01, 0x2C, 618, 300},
    ReadingCase{0x80, 0x64, 612, -100},     // sign and magnitude
    ReadingCase{0x80, 0x64, 618, -32668},   // the same bytes in two's complement
    ReadingCase{0xFF, 0x9C, 618, -100},
    ReadingCase{0x7F, 0xFF, 612, 32767},
    ReadingCase{0x80, 0x00, 612, 0},        // a negative zero
    ReadingCase{0xFF, 0x9C, 700, -100}));   // any other model: two's complement

TEST(StampText, BcdDigitsWithSeparator)
{
    EXPECT_EQ(StampText(0x12, 0x25, QLatin1Char('-')), QStringLiteral("12-25"));
    EXPECT_EQ(StampText(0x09, 0x05, QLatin1Char(':')), QStringLiteral("09:05"));
    EXPECT_EQ(StampText(0x99, 0xAB, QLatin1Char(':')), QStringLiteral("99:AB"));
    EXPECT_EQ(StampText(0x9A, 0x00, QLatin1Char('-')), QStringLiteral("- - - -"));
    EXPECT_EQ(StampText(0xFF, 0x12, QLatin1Char('-')), QStringLiteral("- - - -"));
}

TEST(LiveFrameDecoding, TheReferenceFrame)
{
    QByteArray f(33, '\0');
    f[0] = 0x02;
    f[1] = 0x08;
    f[3] = 0x01;
    f[4] = 0x2C;
    f[31] = 0x35;
    f[32] = 0x03;
    ASSERT_TRUE(IsValidLiveFrame(bytes(f)));
    const LiveFrame d = DecodeLiveFrame(bytes(f), 612);
    EXPECT_TRUE(d.Celsius);
    EXPECT_EQ(d.Mode, 0);
    EXPECT_EQ(d.Battery, 0);
    EXPECT_FLOAT_EQ(d.T1, 30.0f);
    EXPECT_EQ(d.T2, 0.0f);
    EXPECT_EQ(d.T3, 0.0f);
    EXPECT_EQ(d.T4, 0.0f);
    EXPECT_EQ(d.Max, 0.0f);
    EXPECT_EQ(d.MaxDate, QStringLiteral("00-00"));
    EXPECT_EQ(d.AvgTime, QStringLiteral("00:00"));
    EXPECT_EQ(d.OverRange, 0);
}

TEST(LiveFrameDecoding, StatusBits)
{
    // mode 4, Fahrenheit, REC, T1-T2, HOLD; battery 2, FULL, auto-off
    const QByteArray f = liveFrame(0x04 | 0x10 | 0x20 | 0x40, 0x02 | 0x40 | 0x80);
    const LiveFrame d = DecodeLiveFrame(bytes(f), 612);
    EXPECT_EQ(d.Mode, 4);
    EXPECT_FALSE(d.Celsius);
    EXPECT_TRUE(d.Recording);
    EXPECT_TRUE(d.T1T2);
    EXPECT_TRUE(d.Hold);
    EXPECT_EQ(d.Battery, 2);
    EXPECT_TRUE(d.MemoryFull);
    EXPECT_TRUE(d.AutoOff);
}

TEST(LiveFrameDecoding, ReadingsAndStampsByOffset)
{
    const QByteArray f = liveFrame(0x08, 0, {10, 20, 30, 40, 50, 60, 70, 80},
                                   {0x12, 0x25, 0x23, 0x59, 0x01, 0x02, 0x03, 0x04, 0xFF, 0x00, 0x11, 0x22});
    const LiveFrame d = DecodeLiveFrame(bytes(f), 612);
    EXPECT_FLOAT_EQ(d.T1, 1.0f);
    EXPECT_FLOAT_EQ(d.T4, 4.0f);
    EXPECT_FLOAT_EQ(d.Max, 6.0f);  // the fifth word (5.0) is not used
    EXPECT_FLOAT_EQ(d.Min, 7.0f);
    EXPECT_FLOAT_EQ(d.Avg, 8.0f);
    EXPECT_EQ(d.MaxDate, QStringLiteral("12-25"));
    EXPECT_EQ(d.MaxTime, QStringLiteral("23:59"));
    EXPECT_EQ(d.MinDate, QStringLiteral("01-02"));
    EXPECT_EQ(d.MinTime, QStringLiteral("03:04"));
    EXPECT_EQ(d.AvgDate, QStringLiteral("- - - -"));
    EXPECT_EQ(d.AvgTime, QStringLiteral("11:22"));
}

struct RangeCase {
    bool celsius;
    quint16 word;  // tenths, model 612 encoding
    bool over;
};

class OverRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(OverRangeTest, LimitsOfTheUnit)
{
    const RangeCase c = GetParam();
    for (int channel = 0; channel < 7; ++channel) {
        std::array<quint16, 8> words{};
        words[channel < 4 ? channel : channel + 1] = c.word;
        const QByteArray f = liveFrame(c.celsius ? 0x08 : 0x00, 0, words);
        const LiveFrame d = DecodeLiveFrame(bytes(f), 612);
        EXPECT_EQ(d.OverRange, c.over ? 1 << channel : 0) << "channel " << channel << " word " << c.word;
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, OverRangeTest, ::testing::Values(
    RangeCase{true, 13700, false}, RangeCase{true, 13701, true},
    RangeCase{true, 0x8000 | 2000, false}, RangeCase{true, 0x8000 | 2001, true},
    RangeCase{false, 24980, false}, RangeCase{false, 24981, true},
    RangeCase{false, 0x8000 | 3280, false}, RangeCase{false, 0x8000 | 3281, true}));

TEST(LiveFrameDecoding, ModelDecidesNegativeReadingAndRange)
{
    const QByteArray f = liveFrame(0x08, 0, {0x8064});
    EXPECT_FLOAT_EQ(DecodeLiveFrame(bytes(f), 612).T1, -10.0f);
    const LiveFrame d618 = DecodeLiveFrame(bytes(f), 618);
    EXPECT_NEAR(d618.T1, -3266.8f, 0.01f);
    EXPECT_TRUE(d618.overRange(0));
}

TEST(LiveFrameChecking, RejectsWrongChecksumStartOrEnd)
{
    const QByteArray good = liveFrame(0x08, 0, {300});
    EXPECT_TRUE(IsValidLiveFrame(bytes(good)));
    struct Spoil {
        const char* what;
        int offset;
        char byte;
    };
    // The checksum covers neither the start nor the end byte, so each is checked on its own.
    for (const Spoil& spoil : {Spoil{"checksum", 31, char(good[31] + 1)}, Spoil{"start byte", 0, 0x12},
                               Spoil{"end byte", 32, 0x04}}) {
        QByteArray f = good;
        f[spoil.offset] = spoil.byte;
        EXPECT_FALSE(IsValidLiveFrame(bytes(f))) << spoil.what;
    }
}

} // namespace
