// The download over modelled lines on the fake clock: the meter's pace at
// 9600 baud, USB serial adapters that deliver in chunks on a latency timer,
// acknowledgements answered late, stray and lost bytes on the line, and a
// meter that pauses inside its blocks now and then. A block read out of step
// must never come back as success, and the download keeps the protocol's own
// pace, and comes back to it soon after a pause.
#include "FakeLinePort.h"
#include "LineFaults.h"
#include "MemoryImageBuilder.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <numeric>

using metersim::AdapterModel;
using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;

namespace {

// Data sets past the header, so that stray bytes can fall before blocks of
// readings that all differ (a shifted block of zero padding would look the
// same), and enough of them for two pages of 64 blocks: 138 blocks.
QByteArray imageWithDataBlocks()
{
    MemoryImageBuilder b;
    b.addDataSet(40);
    b.addDataSet(24, 30, true);
    b.addDataSet(1000, 2);
    return b.build();
}

// Where the faults below fall; the matching stray byte well after the
// first sending, whose odd length may be the only one to show an adapter's timer.
constexpr int HeaderBlock = 0;
constexpr int DataBlock = 40;
constexpr int LostByteBlock = 6;
constexpr int FiveStrayBlock = 7;

enum class Fault {
    None,
    MatchingStrayBeforeHeader,
    MatchingStrayBeforeData,
    FiveStrayBeforeData,
    LostByteInData,
    // The meter pauses inside the block behind the stray byte, before its
    // 65th byte has come: that only delays the read.
    MatchingStrayAndPauseInThatBlock,
};

std::vector<BlockFault> faultsOf(Fault fault, const QByteArray& image)
{
    const BlockFault matchingBeforeData{BlockFault::Kind::InsertGarbage, DataBlock, 1, 0,
                                        strayByteWithMatchingChecksum(image, DataBlock)};
    switch (fault) {
    case Fault::None: return {};
    case Fault::MatchingStrayBeforeHeader:
        return {{BlockFault::Kind::InsertGarbage, HeaderBlock, 1, 0, strayByteWithMatchingChecksum(image, HeaderBlock)}};
    case Fault::MatchingStrayBeforeData: return {matchingBeforeData};
    case Fault::FiveStrayBeforeData:
        return {{BlockFault::Kind::InsertGarbage, FiveStrayBlock, 1, 0, QByteArray(5, char(0xFF))}};
    case Fault::LostByteInData: return {{BlockFault::Kind::DropByte, LostByteBlock, 1, 30}};
    case Fault::MatchingStrayAndPauseInThatBlock: return {matchingBeforeData, pauseInBlock(DataBlock, 20, 60)};
    }
    return {};
}

// The meter's pauses inside its blocks.
enum class Pauses {
    None,
    // 20 to 100 ms inside random blocks, rarely. Blocks with a stray byte
    // are spared: a pause right behind the 65th byte of a block read out of
    // step, whose checksum happens to match, leaves nothing to tell it by
    // (as a stray and a lost byte in one block do).
    Rare,
    // 100 ms inside every 64th block, as a meter reading its next page of memory.
    EveryPage,
};

void planPauses(Pauses pauses, DownloadServer& meter)
{
    if (pauses == Pauses::Rare) {
        for (const BlockFault& f : rarePauses(29, meter.blockCount(), 8, {HeaderBlock, DataBlock, FiveStrayBlock}))
            meter.faults.push_back(f);
    } else if (pauses == Pauses::EveryPage) {
        meter.pauseEvery = 64;
        meter.pauseMs = 100;
    }
}

struct Line {
    const char* name;
    AdapterModel adapter;
    bool paced;
    // A block shifted by one byte is seen only once "y" has gone for it.
    bool shiftSeenAfterAck = false;
};

const Line ByteByByte{"ByteByByte", {}, false};
const Line Direct9600{"Direct9600", {}, true};
const Line Direct9600Jitter{"Direct9600Jitter2ms", {0, 0, 2.0}, true};
const Line Chunks62Every16ms{"Chunks62Every16ms", {62, 16}, true};
const Line Chunks13Every16ms{"Chunks13Every16ms", {13, 16}, true};
const Line Chunks13Every40ms{"Chunks13Every40ms", {13, 40}, true};
const Line Chunks64Every40ms{"Chunks64Every40ms", {64, 40}, true};
const Line Chunks5Every40ms{"Chunks5Every40ms", {5, 40}, true};
// Chunks that end right after a block shifted by one stray byte, its last
// byte held until the last milliseconds of the safe quiet window: only the
// watch while "y" crosses the line sees it.
const Line Chunks5Every58ms{"Chunks5Every58ms", {5, 58}, true, true};

const Line Lines[] = {ByteByByte, Direct9600, Direct9600Jitter, Chunks62Every16ms, Chunks13Every16ms,
                      Chunks13Every40ms, Chunks64Every40ms, Chunks5Every40ms, Chunks5Every58ms};

struct Row {
    Line line;
    Fault fault;
    int lateAckEvery;
    Pauses pauses;
};

std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    static const char* faults[] = {"NoFault", "MatchingByteBeforeHeader", "MatchingByteBeforeData",
                                   "FiveBytesBeforeData", "LostByteInData", "MatchingByteAndPauseInThatBlock"};
    static const char* pauses[] = {"", "_RarePauses", "_PauseEveryPage"};
    return std::string(info.param.line.name) + "_" + faults[int(info.param.fault)]
        + (info.param.lateAckEvery ? "_LateAnswers" : "") + pauses[int(info.param.pauses)];
}

std::vector<Row> allRows()
{
    std::vector<Row> rows;
    for (const Line& line : Lines)
        for (Fault fault : {Fault::None, Fault::MatchingStrayBeforeHeader, Fault::MatchingStrayBeforeData,
                            Fault::FiveStrayBeforeData, Fault::LostByteInData, Fault::MatchingStrayAndPauseInThatBlock})
            for (int late : {0, 3})
                for (Pauses pauses : {Pauses::None, Pauses::Rare, Pauses::EveryPage})
                    rows.push_back({line, fault, late, pauses});
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
    ASSERT_NE(image.mid(DataBlock * 64, 64), image.mid((DataBlock + 1) * 64, 64)) << "blocks of readings that differ";
    meter.faults = faultsOf(row.fault, image);
    meter.lateAckEvery = row.lateAckEvery;
    planPauses(row.pauses, meter);
    FakeLinePort port(meter, clock, row.line.adapter, row.line.paced);
    ImageDownload download(port, {[] {}, {}});

    const int result = download.DownloadImage();
    // Without late answers a stray or lost byte costs a repeat of the block,
    // not the download, unless it shows only when the block can no longer
    // be asked for.
    const bool shiftedBlock = row.fault == Fault::MatchingStrayBeforeData
        || row.fault == Fault::MatchingStrayAndPauseInThatBlock;
    const bool repeatRecovers = row.lateAckEvery == 0 && !(row.line.shiftSeenAfterAck && shiftedBlock);
    // A meter that answers late gets blocks ahead; one that also pauses
    // inside a block may then have more coming behind a block than a meter
    // answering acknowledgements can, and the download gives up.
    const bool aheadAndPausing = row.lateAckEvery != 0 && row.pauses != Pauses::None;
    if ((row.fault == Fault::None && !aheadAndPausing) || repeatRecovers) {
        EXPECT_EQ(result, LoadResult::Success);
        EXPECT_EQ(download.image(), image);
    } else if (result == LoadResult::Success) {
        EXPECT_EQ(download.image(), image) << "a block read out of step came back as success";
    } else {
        EXPECT_EQ(result, LoadResult::Incomplete);
    }
}

INSTANTIATE_TEST_SUITE_P(StrayLostAndPaused, DownloadOverLine, ::testing::ValuesIn(allRows()), rowName);

// A busy machine keeps the program off the processor after a wake-up: the
// bytes it then finds are stamped late. Here the last whole chunk of the
// first sending is seen 30 ms late, so the gap to the adapter's held tail
// looks 30 ms short; taken for the line's own, it would teach a window
// shorter than the adapter's timer, and the tail held behind the block
// shifted by a stray byte would pass for the answer to "y".
TEST(DownloadOnABusyMachine, AnArrivalSeenLateTeachesNoShorterWindow)
{
    FakeClock clock;
    ScopedClock scoped(clock);
    DownloadServer meter(imageWithDataBlocks());
    const QByteArray image = meter.image();
    meter.faults = faultsOf(Fault::MatchingStrayBeforeData, image);
    FakeLinePort port(meter, clock, Chunks13Every40ms.adapter, true);
    // The answer to "P": 10 bytes, then the first block; 65 bytes are five chunks.
    port.lateWakes = {{'P', 1, 5 * 13, 30}};
    ImageDownload download(port, {[] {}, {}});

    const int result = download.DownloadImage();
    if (result == LoadResult::Success)
        EXPECT_EQ(download.image(), image) << "a block read out of step came back as success";
    else
        EXPECT_EQ(result, LoadResult::Incomplete);
}

// The protocol's own pace is 10 ms, "y" and up to 100 ms for the answer: about
// 110 ms a block. The line alone takes 78 ms for "y" and a block at 9600
// baud; a download keeps within these goals of that pace, adapters included.
struct PaceRow {
    Line line;
    double mostOfProtocolPace;
};

// The program time from each acknowledgement to the next, block by block,
// of a download without faults.
std::vector<qint64> blockTimes(const FakeLinePort& port, int blocks)
{
    QList<qint64> acks;
    for (const FakeLinePort::Sent& s : port.sent) {
        if (s.letter == 'y')
            acks << s.atMs;
    }
    std::vector<qint64> times(std::size_t(blocks), 0);
    for (int b = 1; b < blocks && b < acks.size(); ++b)
        times[std::size_t(b)] = acks.at(b) - acks.at(b - 1);
    return times;
}

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

    const std::vector<qint64> times = blockTimes(port, meter.blockCount());
    const double perBlock = double(std::accumulate(times.begin(), times.end(), qint64(0))) / (meter.blockCount() - 1);
    std::printf("pace %s: %.1f ms a block, %.2f of the protocol's 110 ms\n", row.line.name, perBlock,
                perBlock / 110.0);
    EXPECT_LE(perBlock, 110.0 * row.mostOfProtocolPace);
}

INSTANTIATE_TEST_SUITE_P(Lines, DownloadPace, ::testing::Values(
    PaceRow{Direct9600, 0.85},
    PaceRow{Direct9600Jitter, 0.85},
    PaceRow{Chunks62Every16ms, 1.10},
    PaceRow{Chunks13Every16ms, 1.15},
    PaceRow{Chunks64Every40ms, 1.5},
    PaceRow{Chunks5Every40ms, 1.5}),
    [](const ::testing::TestParamInfo<PaceRow>& info) { return std::string(info.param.line.name); });

// Something slows a few blocks: a pause of the meter, a wake-up of the
// program kept off the processor, window messages that take long. The
// blocks after it come back to the line's own pace.
constexpr int DisturbedBlock = 30;
constexpr int SlowMessagesMs = 30;

struct Disturbance {
    const char* name;
    std::vector<BlockFault> pauses;
    int pauseEvery = 0;  // a page boundary: every n-th block pauses inside
    int pauseMs = 0;
    std::vector<FakeLinePort::LateWake> lateWakes;
    int slowMessagesBlock = -1;  // window messages take SlowMessagesMs while this block comes
    // The blocks from one disturbed block until the pace is back; a pause
    // the line's window takes in must leave it within these.
    int settleBlocks = 1;
};

std::vector<Disturbance> disturbances(int blocks)
{
    return {
        {"OnePause40ms", {pauseInBlock(DisturbedBlock, 32, 40)}, 0, 0, {}, -1, 20},
        {"Pause100msEveryPageOf64Blocks", {}, 64, 100, {}, -1, 20},
        {"RarePauses20To100ms", rarePauses(7, blocks, 25), 0, 0, {}, -1, 20},
        // Longer than an adapter holds bytes: a stalled meter, never the
        // window. It falls behind 30 bytes, whole chunks of a 5-byte adapter,
        // so the timer of the held bytes it flushes is one the line shows anyway.
        {"OnePause300ms", {pauseInBlock(DisturbedBlock, 30, 300)}, 0, 0, {}, -1, 1},
        // The wake-up at the block's end, its time 5 ms late.
        {"WakeUp5msLate", {}, 0, 0, {{'y', DisturbedBlock, 65, 5}}, -1, 1},
        {"WindowMessagesTake30ms", {}, 0, 0, {}, DisturbedBlock, 1},
    };
}

// The blocks the disturbance slows, from each to where the pace must be back.
std::vector<std::pair<int, int>> disturbedSpans(const Disturbance& d, int blocks)
{
    std::vector<std::pair<int, int>> spans;
    for (const BlockFault& f : d.pauses)
        spans.push_back({f.block, f.block + d.settleBlocks});
    for (int b = d.pauseEvery - 1; d.pauseEvery > 0 && b < blocks; b += d.pauseEvery)
        spans.push_back({b, b + d.settleBlocks});
    for (const FakeLinePort::LateWake& w : d.lateWakes)
        spans.push_back({w.nth, w.nth + d.settleBlocks});
    if (d.slowMessagesBlock >= 0)
        spans.push_back({d.slowMessagesBlock, d.slowMessagesBlock + d.settleBlocks});
    return spans;
}

struct DisturbedRow {
    Line line;
    Disturbance disturbance;
};

class PaceAfterADisturbance : public ::testing::TestWithParam<DisturbedRow> {
protected:
    // Each block's time of a download over `line`, which must bring the exact image.
    static std::vector<qint64> download(const Line& line, const Disturbance& d)
    {
        FakeClock clock;
        ScopedClock scoped(clock);
        DownloadServer meter(imageWithDataBlocks());
        meter.faults = d.pauses;
        meter.pauseEvery = d.pauseEvery;
        meter.pauseMs = d.pauseMs;
        FakeLinePort port(meter, clock, line.adapter, line.paced);
        port.lateWakes = d.lateWakes;
        const auto blocksAsked = [&port] {
            return int(std::count_if(port.sent.begin(), port.sent.end(), [](const auto& s) { return s.letter == 'y'; }));
        };
        ImageDownload download(port, {[&] {
                                          if (blocksAsked() == d.slowMessagesBlock)
                                              clock.advance(SlowMessagesMs);
                                      },
                                      {}});
        EXPECT_EQ(download.DownloadImage(), LoadResult::Success);
        EXPECT_EQ(download.image(), meter.image());
        return blockTimes(port, meter.blockCount());
    }
};

TEST_P(PaceAfterADisturbance, BlocksComeBackToTheLinesPace)
{
    const DisturbedRow& row = GetParam();
    // The line's own pace: the slowest block of an undisturbed download, once
    // its first blocks have shown the line.
    constexpr int Shown = 20;
    const std::vector<qint64> own = download(row.line, {"Undisturbed"});
    const qint64 linePace = *std::max_element(own.begin() + Shown, own.end());

    const std::vector<qint64> times = download(row.line, row.disturbance);
    const auto spans = disturbedSpans(row.disturbance, int(times.size()));
    ASSERT_FALSE(spans.empty());
    for (int b = Shown; b < int(times.size()); ++b) {
        const bool settling = std::any_of(spans.begin(), spans.end(), [b](const auto& s) {
            return b >= s.first && b < s.second;
        });
        if (!settling)
            EXPECT_LE(times[std::size_t(b)], linePace + 1) << "block " << b << " (the line's own pace: " << linePace << " ms)";
    }
}

std::vector<DisturbedRow> disturbedRows()
{
    const int blocks = DownloadServer(imageWithDataBlocks()).blockCount();
    std::vector<DisturbedRow> rows;
    for (const Line& line :
         {Direct9600, Direct9600Jitter, Chunks62Every16ms, Chunks13Every16ms, Chunks64Every40ms, Chunks5Every40ms})
        for (const Disturbance& d : disturbances(blocks))
            rows.push_back({line, d});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Lines, PaceAfterADisturbance, ::testing::ValuesIn(disturbedRows()),
                         [](const ::testing::TestParamInfo<DisturbedRow>& info) {
                             return std::string(info.param.line.name) + "_" + info.param.disturbance.name;
                         });

} // namespace
