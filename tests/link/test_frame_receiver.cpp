// Cutting frames out of the received byte stream.
#include "LinkTestSupport.h"
#include "link/FrameReceiver.h"

#include <gtest/gtest.h>

namespace {

QList<int> feedAndCollect(FrameReceiver& r, const QByteArray& stream, const QList<int>& cuts)
{
    // Returns T1 (tenths) of every frame handed out, in order.
    QList<int> t1;
    int from = 0;
    QList<int> ends = cuts;
    ends << int(stream.size());
    for (int end : ends) {
        r.append(stream.mid(from, end - from));
        from = end;
        while (const auto f = r.takeFrame())
            t1 << DecodeReading((*f)[3], (*f)[4], 612);
    }
    return t1;
}

TEST(FrameReceiver, TwoFramesSplitAtEveryPoint)
{
    const QByteArray stream = liveFrame(0x08, 0, {101}) + liveFrame(0x08, 0, {202});
    for (int cut = 0; cut <= stream.size(); ++cut) {
        FrameReceiver r;
        EXPECT_EQ(feedAndCollect(r, stream, {cut}), (QList<int>{101, 202})) << "cut at " << cut;
        EXPECT_EQ(r.size(), 0);
    }
}

TEST(FrameReceiver, ByteByByte)
{
    const QByteArray stream = liveFrame(0x08, 0, {1}) + liveFrame(0x08, 0, {2}) + liveFrame(0x08, 0, {3});
    QList<int> cuts;
    for (int i = 1; i < stream.size(); ++i)
        cuts << i;
    FrameReceiver r;
    EXPECT_EQ(feedAndCollect(r, stream, cuts), (QList<int>{1, 2, 3}));
}

TEST(FrameReceiver, ShortFrameWaitsForTheRest)
{
    const QByteArray f = liveFrame(0x08, 0, {7});
    FrameReceiver r;
    r.append(f.left(32));
    EXPECT_FALSE(r.takeFrame());
    EXPECT_EQ(r.RxBuffer(), f.left(32));
    r.append(f.right(1));
    EXPECT_TRUE(r.takeFrame());
}

struct NoiseCase {
    const char* name;
    QByteArray before;
    QList<int> expected;
};

class FrameReceiverNoise : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(FrameReceiverNoise, SkipsToTheNextValidFrame)
{
    const NoiseCase c = GetParam();
    const QByteArray stream = c.before + liveFrame(0x08, 0, {55}) + liveFrame(0x08, 0, {66});
    // Every split into two pieces gives the same frames.
    for (int cut = 0; cut <= stream.size(); ++cut) {
        FrameReceiver r;
        EXPECT_EQ(feedAndCollect(r, stream, {cut}), c.expected) << c.name << ", cut at " << cut;
    }
}

QByteArray corrupted(QByteArray f, int at)
{
    f[at] = char(f[at] ^ 0x10);
    return f;
}

INSTANTIATE_TEST_SUITE_P(Streams, FrameReceiverNoise, ::testing::Values(
    NoiseCase{"tail of an earlier frame", liveFrame(0x08, 0, {9}).mid(20), {55, 66}},
    NoiseCase{"garbage without start byte", QByteArray(50, 'x'), {55, 66}},
    NoiseCase{"false start 02", QByteArray("\x02\x02\x02 junk", 8), {55, 66}},
    NoiseCase{"bad checksum", corrupted(liveFrame(0x08, 0, {9}), 10), {55, 66}},
    NoiseCase{"bad end byte", liveFrame(0x08, 0, {9}).left(32) + '\x04', {55, 66}},
    NoiseCase{"02 inside a frame's data", liveFrame(0x08, 0, {0x0202}), {0x0202, 55, 66}},
    NoiseCase{"frame cut short then a new one", liveFrame(0x08, 0, {9}).left(17), {55, 66}}));

TEST(FrameReceiver, DropsBytesWithoutStartOnce33Gathered)
{
    FrameReceiver r;
    r.append(QByteArray(32, 'z'));
    EXPECT_FALSE(r.takeFrame());
    EXPECT_EQ(r.size(), 32);  // fewer than 33: kept for now
    r.append("z");
    EXPECT_FALSE(r.takeFrame());
    EXPECT_EQ(r.size(), 0);
}

} // namespace
