// The download over modelled lines on the fake clock: the meter's pace at
// 9600 baud, USB serial adapters that deliver in chunks on a latency timer,
// acknowledgements answered late, and stray bytes on the line. A block read
// out of step must never come back as success, and the download keeps the
// protocol's own pace.
#include "FakeLinePort.h"
#include "MemoryImageBuilder.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <gtest/gtest.h>

using metersim::AdapterModel;
using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;

namespace {

// Data sets past the header, so that stray bytes can fall before blocks of
// readings that all differ; a shifted block of zero padding would look the same.
QByteArray imageWithDataBlocks()
{
    MemoryImageBuilder b;
    b.addDataSet(40);
    b.addDataSet(24, 30, true);
    return b.build();
}

// A stray byte before block `index` that makes the block read one byte out
// of step carry a matching checksum: only the byte still coming behind it
// tells that it is shifted.
QByteArray strayByteWithMatchingChecksum(const QByteArray& image, int index)
{
    const QByteArray payload = image.mid(index * 64, 64);
    const quint8 shiftedSum = ImageDownload::blockChecksum(payload.constData(), 63);
    return QByteArray(1, char(quint8(payload.at(63)) - shiftedSum));
}

enum class Stray { None, MatchingBeforeFirstHeaderBlock, MatchingBeforeDataBlock, FiveBeforeDataBlock };

std::vector<BlockFault> strayFaults(Stray stray, const QByteArray& image)
{
    switch (stray) {
    case Stray::None: return {};
    case Stray::MatchingBeforeFirstHeaderBlock:
        return {{BlockFault::Kind::InsertGarbage, 0, 1, 0, strayByteWithMatchingChecksum(image, 0)}};
    case Stray::MatchingBeforeDataBlock:
        return {{BlockFault::Kind::InsertGarbage, 5, 1, 0, strayByteWithMatchingChecksum(image, 5)}};
    case Stray::FiveBeforeDataBlock:
        return {{BlockFault::Kind::InsertGarbage, 7, 1, 0, QByteArray(5, char(0xFF))}};
    }
    return {};
}

struct Line {
    const char* name;
    AdapterModel adapter;
    bool paced;
    // A block shifted by one byte is seen only once "y" has gone for it.
    bool shiftSeenAfterAck = false;
};

const Line Lines[] = {
    {"ByteByByte", {}, false},
    {"Direct9600", {}, true},
    {"Chunks62Every16ms", {62, 16}, true},
    {"Chunks13Every16ms", {13, 16}, true},
    {"Chunks64Every40ms", {64, 40}, true},
    {"Chunks5Every40ms", {5, 40}, true},
    // Chunks that end right after a block shifted by one stray byte, its
    // last byte held until the last milliseconds of the safe quiet window:
    // only the watch while "y" crosses the line sees it.
    {"Chunks5Every58ms", {5, 58}, true, true},
};

struct Row {
    Line line;
    Stray stray;
    int lateAckEvery;
};

std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    static const char* strays[] = {"NoStrayBytes", "MatchingByteBeforeHeader", "MatchingByteBeforeData",
                                   "FiveBytesBeforeData"};
    return std::string(info.param.line.name) + "_" + strays[int(info.param.stray)]
        + (info.param.lateAckEvery ? "_LateAnswers" : "");
}

std::vector<Row> allRows()
{
    std::vector<Row> rows;
    for (const Line& line : Lines)
        for (Stray stray : {Stray::None, Stray::MatchingBeforeFirstHeaderBlock, Stray::MatchingBeforeDataBlock,
                            Stray::FiveBeforeDataBlock})
            for (int late : {0, 3})
                rows.push_back({line, stray, late});
    return rows;
}

class DownloadOverLine : public ::testing::TestWithParam<Row> {};

TEST_P(DownloadOverLine, GivesTheExactImageOrAnErrorCodeNeverAShiftedOne)
{
    const Row& row = GetParam();
    FakeClock clock;
    ScopedClock scoped(clock);
    DownloadServer meter(imageWithDataBlocks());
    const QByteArray image = meter.image();
    ASSERT_NE(image.mid(5 * 64, 64), image.mid(6 * 64, 64)) << "blocks of readings that differ";
    meter.faults = strayFaults(row.stray, image);
    meter.lateAckEvery = row.lateAckEvery;
    FakeLinePort port(meter, clock, row.line.adapter, row.line.paced);
    ImageDownload download(port, {[] {}, {}});

    const int result = download.DownloadImage();
    // Without late answers a stray byte costs a repeat of the block, not the
    // download, unless it shows only when the block can no longer be asked for.
    const bool repeatRecovers = row.lateAckEvery == 0
        && !(row.line.shiftSeenAfterAck && row.stray == Stray::MatchingBeforeDataBlock);
    if (row.stray == Stray::None || repeatRecovers) {
        EXPECT_EQ(result, LoadResult::Success);
        EXPECT_EQ(download.image(), image);
    } else if (result == LoadResult::Success) {
        EXPECT_EQ(download.image(), image) << "a block read out of step came back as success";
    } else {
        EXPECT_EQ(result, LoadResult::Incomplete);
    }
}

INSTANTIATE_TEST_SUITE_P(StrayBytes, DownloadOverLine, ::testing::ValuesIn(allRows()), rowName);

// The protocol's own pace is 10 ms, "y" and up to 100 ms for the answer: about
// 110 ms a block. The line alone takes 78 ms for "y" and a block at 9600
// baud; a download keeps within these goals of that pace, adapters included.
struct PaceRow {
    Line line;
    double mostOfProtocolPace;
};

class DownloadPace : public ::testing::TestWithParam<PaceRow> {};

TEST_P(DownloadPace, ProgramTimePerBlockKeepsTheGoal)
{
    const PaceRow& row = GetParam();
    FakeClock clock;
    ScopedClock scoped(clock);
    MemoryImageBuilder b;
    b.addDataSet(400);
    DownloadServer meter(b.build());
    FakeLinePort port(meter, clock, row.line.adapter, row.line.paced);
    ImageDownload download(port, {[] {}, {}});
    ASSERT_EQ(download.DownloadImage(), LoadResult::Success);
    ASSERT_EQ(download.image(), meter.image());

    // Each answered "y" to the next: one block's cycle.
    QList<qint64> acks;
    for (const FakeLinePort::Sent& s : port.sent) {
        if (s.letter == 'y')
            acks << s.atMs;
    }
    const int blocks = meter.blockCount();
    ASSERT_GE(acks.size(), blocks);
    const double perBlock = double(acks.at(blocks - 1) - acks.at(0)) / (blocks - 1);
    std::printf("pace %s: %.1f ms a block, %.2f of the protocol's 110 ms\n", row.line.name, perBlock,
                perBlock / 110.0);
    EXPECT_LE(perBlock, 110.0 * row.mostOfProtocolPace);
}

INSTANTIATE_TEST_SUITE_P(Lines, DownloadPace, ::testing::Values(
    PaceRow{Lines[1], 0.95},
    PaceRow{Lines[2], 1.10},
    PaceRow{Lines[3], 1.15},
    PaceRow{Lines[4], 1.5},
    PaceRow{Lines[5], 1.5}),
    [](const ::testing::TestParamInfo<PaceRow>& info) { return std::string(info.param.line.name); });

} // namespace
