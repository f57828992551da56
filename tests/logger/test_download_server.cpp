// The simulated meter's side of the download on its own: the memory image it
// builds and the answers it gives to each command.
#include "AdapterLine.h"
#include "DownloadServer.h"
#include "MemoryImageBuilder.h"

#include <QTemporaryDir>
#include <QFile>
#include <gtest/gtest.h>

using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;

namespace {

QByteArray frame(char letter)
{
    return DownloadServer::defaultReply(letter);
}

TEST(MemoryImageBuilder, LaysOutHeaderAndDataSets)
{
    MemoryImageBuilder b;
    b.model = 612;
    auto& first = b.addDataSet(2, 90, true);
    first.start = QDateTime(QDate(2019, 12, 31), QTime(23, 58, 7));
    first.records[1] = {MemoryImageBuilder::encodeReading(-10.0, 612), 0x7FFF, 0x8000, 0x0064};
    b.addDataSet(0);
    const QByteArray image = b.build();
    ASSERT_EQ(image.size(), 320);  // 257 + 32 + 16 = 305, padded to whole blocks
    EXPECT_EQ(image.mid(9, 5), QByteArray::fromHex("0002000131"));
    EXPECT_EQ(image.mid(257, 14), QByteArray::fromHex("a55a08191231235807013000000" "2"));
    EXPECT_EQ(image.mid(257 + 14 + 8, 8), QByteArray::fromHex("80647fff80000064"));
    EXPECT_EQ(image.mid(289, 2), QByteArray::fromHex("a55a"));  // the second set right behind the first
    EXPECT_EQ(quint8(image.at(305)), 0xFF);

    EXPECT_EQ(MemoryImageBuilder::encodeReading(-10.0, 618), 0xFF9C);
    EXPECT_EQ(MemoryImageBuilder::encodeReading(10.0, 618), 0x0064);
}

TEST(MemoryImageBuilder, LoadsACollectionFileAsItIs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sets.ch4"));
    MemoryImageBuilder b;
    b.addDataSet(3);
    const QByteArray image = b.build().left(b.dataLength());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(image);
    f.close();
    EXPECT_EQ(MemoryImageBuilder::loadCollectionFile(path), image);
    EXPECT_TRUE(MemoryImageBuilder::loadCollectionFile(dir.filePath(QStringLiteral("none.ch4"))).isEmpty());
}

TEST(DownloadServer, AnswersEachCommand)
{
    MemoryImageBuilder b;
    b.addDataSet(10);  // 257 + 96 = 353 bytes: 6 blocks
    DownloadServer meter(b.build());
    ASSERT_EQ(meter.blockCount(), 6);
    const QByteArray block0 = DownloadServer::block(meter.image(), 0);

    EXPECT_EQ(meter.onCommand('c').size(), 10);
    const QByteArray started = meter.onCommand('P');
    EXPECT_EQ(started.at(1), 0x50);
    EXPECT_EQ(started.mid(10), block0);
    EXPECT_EQ(meter.onCommand('n'), block0);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(meter.onCommand('y'), DownloadServer::block(meter.image(), i));
    EXPECT_TRUE(meter.onCommand('y').isEmpty()) << "nothing after the last block";
    meter.onCommand('Q');
    EXPECT_FALSE(meter.transferring());
    EXPECT_TRUE(meter.onCommand('y').isEmpty());
}

TEST(DownloadServer, CutsCommandFramesOutOfTheByteStream)
{
    DownloadServer meter(QByteArray(128, 'x'));
    const QByteArray bytes = QByteArray("\x55\x03", 2) + frame('c') + frame('P');
    QByteArray out = meter.onBytes(bytes.left(7));
    out += meter.onBytes(bytes.mid(7));
    EXPECT_EQ(meter.commandsSeen, "cP");
    EXPECT_EQ(out.size(), 10 + 10 + 65);
}

TEST(DownloadServer, FaultsSpoilOnlyTheirSendings)
{
    DownloadServer meter(QByteArray(192, 'x'));
    meter.faults = {
        {BlockFault::Kind::Stall, 0, 1, 20},
        {BlockFault::Kind::InsertGarbage, 1, 1, 0, "gg"},
        {BlockFault::Kind::DropByte, 2, 2, 0},
    };
    EXPECT_EQ(meter.onCommand('P').size(), 10 + 20);
    EXPECT_EQ(meter.onCommand('n').size(), 65);
    EXPECT_EQ(meter.onCommand('y'), "gg" + DownloadServer::block(meter.image(), 1));
    EXPECT_EQ(meter.onCommand('y').size(), 64);
    EXPECT_EQ(meter.onCommand('n').size(), 64);
    EXPECT_EQ(meter.onCommand('n').size(), 65);

    DownloadServer silent(QByteArray(192, 'x'));
    silent.faults = {{BlockFault::Kind::SilenceAfter, 0}};
    EXPECT_EQ(silent.onCommand('P').size(), 75);
    EXPECT_TRUE(silent.onCommand('y').isEmpty());
    EXPECT_TRUE(silent.onCommand('n').isEmpty());
    EXPECT_EQ(silent.onCommand('P').size(), 75) << "a new start wakes it";
}

} // namespace

namespace {

// When the bytes of one answer reach the program through an adapter model.
TEST(AdapterLine, HandsBytesOverInChunksOnItsLatencyTimer)
{
    struct Delivery {
        double atMs;
        int bytes;  // handed over by then, in all
    };
    struct Case {
        const char* name;
        metersim::AdapterModel adapter;
        bool paced;
        std::vector<Delivery> deliveries;
        std::vector<metersim::SendPause> pauses = {};
    };
    const Case cases[] = {
        // A pseudo-terminal passes every byte on as it comes.
        {"no adapter, unpaced", {}, false, {{0, 65}}},
        {"no adapter, paced", {}, true, {{10.5, 10}, {67.8, 65}}},
        // Full chunks go at once, the rest when the latency timer runs out.
        {"16-byte chunks, 16 ms", {16, 16}, false, {{0, 64}, {15.9, 64}, {16, 65}}},
        {"single bytes", {1, 40}, false, {{0, 65}}},
        // Paced, a chunk that is not full goes 40 ms after its first byte came.
        {"64-byte chunks, 40 ms, paced", {64, 40}, true, {{41.0, 0}, {41.7, 40}, {82.6, 40}, {82.8, 65}}},
        // The meter pauses 40 ms before byte 32; the bytes after it keep their pace.
        {"no adapter, paced, a pause", {}, true, {{33.4, 32}, {74.3, 32}, {74.5, 33}, {107.8, 65}}, {{32, 40}}},
        // Through an adapter the pause lets the latency timer hand over what came before it.
        {"16-byte chunks, 16 ms, unpaced, a pause", {16, 16}, false, {{0, 16}, {15.9, 16}, {16, 20}, {59.9, 20}, {60, 52}, {75.9, 52}, {76, 65}},
         {{20, 60}}},
        // Jitter delays a byte by up to 2 ms, never past the one behind it.
        {"no adapter, paced, 2 ms jitter", {0, 0, 2}, true, {{1.0, 0}, {69.8, 65}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        metersim::AdapterLine line(c.adapter);
        QByteArray block(65, '\0');
        for (int i = 0; i < 65; ++i)
            block[i] = char(i);
        line.send(block, 0, c.paced, 0, c.pauses);
        QByteArray arrived;
        for (const Delivery& d : c.deliveries) {
            arrived += line.take(d.atMs);
            EXPECT_EQ(arrived.size(), d.bytes) << "at " << d.atMs << " ms";
        }
        EXPECT_EQ(arrived, block) << "in order, nothing lost";
        EXPECT_TRUE(line.empty());
    }
}

// A pause planned for a block falls inside that block's bytes, wherever the
// block stands in the answer: behind the start reply, behind stray bytes.
TEST(DownloadServer, PausesFallInsideTheirBlockOfTheAnswer)
{
    DownloadServer meter(QByteArray(4 * 64, 'x'));
    meter.pauseEvery = 2;  // blocks 1 and 3, 40 ms before byte 32
    meter.faults = {{BlockFault::Kind::Pause, 0, 1, 20, {}, 30},
                    {BlockFault::Kind::InsertGarbage, 1, 1, 0, QByteArray(2, char(0xFF))},
                    {BlockFault::Kind::Pause, 1, 1, 10, {}, 25}};
    const auto pausesOf = [&](char letter) {
        meter.onBytes(frame(letter));
        QList<QPair<int, int>> pauses;
        for (const metersim::SendPause& p : meter.answerPauses())
            pauses.append({p.at, p.ms});
        return pauses;
    };
    using Pauses = QList<QPair<int, int>>;
    EXPECT_EQ(pausesOf('P'), Pauses({{10 + 20, 30}}));
    EXPECT_EQ(pausesOf('y'), Pauses({{2 + 10, 25}, {2 + 32, 40}}));
    EXPECT_EQ(pausesOf('n'), Pauses({{32, 40}})) << "the faults spoilt only the first sending";
    EXPECT_EQ(pausesOf('y'), Pauses());
    EXPECT_EQ(pausesOf('Q'), Pauses());
}

TEST(AdapterLine, LateAnswerStartsAfterItsDelay)
{
    DownloadServer meter(MemoryImageBuilder().build());
    meter.lateAckEvery = 2;
    meter.lateAckMs = 150;
    metersim::AdapterLine line;
    meter.onBytes(frame('P'));
    QList<int> delays;
    for (int i = 0; i < 4; ++i) {
        meter.onBytes(frame('y'));
        delays << meter.answerDelayMs();
    }
    EXPECT_EQ(delays, QList<int>({0, 150, 0, 150}));
    line.send(QByteArray(5, 'x'), 0, false, meter.answerDelayMs());
    EXPECT_TRUE(line.take(149).isEmpty());
    EXPECT_EQ(line.take(150).size(), 5);
}

} // namespace
