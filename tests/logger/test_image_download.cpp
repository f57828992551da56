// The download protocol against a scripted meter: handshake, blocks,
// repeats, limits and time-outs, each fault with the outcome it must have.
#include "FakeMeterPort.h"
#include "MemoryImageBuilder.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

using metersim::BlockFault;
using metersim::DownloadServer;
using metersim::MemoryImageBuilder;

namespace {

struct RecordedProgress {
    int total = -1;
    QList<int> received;
    bool open = false;
};

class ProgressProbe : public DownloadProgress {
public:
    explicit ProgressProbe(RecordedProgress& r) : r(r) { r.open = true; }
    ~ProgressProbe() override { r.open = false; }
    void setReceived(int bytes) override { r.received << bytes; }
    RecordedProgress& r;
};

QByteArray imageOfLength(int announced, int records = 3)
{
    MemoryImageBuilder b;
    b.addDataSet(records);
    b.announcedLength = announced;
    QByteArray image = b.build();
    // The meter holds exactly the announced blocks: acknowledging the last one brings nothing.
    const int blocks = (std::max(announced, 1) + 63) / 64;
    image.resize(qsizetype(blocks) * 64, char(0xFF));
    return image;
}

class ImageDownloadTest : public ::testing::Test {
protected:
    FakeClock clock;
    ScopedClock scopedClock{clock};
    DownloadServer meter;
    FakeMeterPort port{meter, clock};
    RecordedProgress progress;

    ImageDownloadTest()
    {
        MemoryImageBuilder b;
        b.addDataSet(20);
        b.addDataSet(5, 90, true);
        meter.setImage(b.build());  // 257 + 176 + 56 = 489 bytes: 8 blocks
    }

    int download(QByteArray* image = nullptr)
    {
        ImageDownload d(port, {
            [] {},
            [this](int total) {
                progress.total = total;
                return std::make_unique<ProgressProbe>(progress);
            },
        });
        const int code = d.DownloadImage();
        if (image)
            *image = d.image();
        return code;
    }

    QByteArray commands() const { return meter.commandsSeen; }
};

TEST_F(ImageDownloadTest, CompleteTransferGivesTheMeterImage)
{
    QByteArray image;
    EXPECT_EQ(download(&image), LoadResult::Success);
    EXPECT_EQ(image, meter.image());
    EXPECT_EQ(commands(), QByteArray("cP") + QByteArray(7, 'y') + QByteArray(10, 'y') + "Q");
    EXPECT_EQ(progress.total, 512);
    EXPECT_EQ(progress.received.last(), 512);
    EXPECT_FALSE(progress.open) << "the progress display closes with the transfer";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the hourglass is restored";
    // Every command is a 10-byte frame: 0x02, letter, seven zeros, 0x03.
    EXPECT_EQ(port.written.left(10), QByteArray::fromHex("02630000000000000003"));
}

TEST_F(ImageDownloadTest, OpeningReplyMustBeExactlyTenBytes)
{
    struct Case { QByteArray reply; const char* start; };
    const Case cases[] = {
        {DownloadServer::defaultReply('c') + "x", "cccP"},  // 11 bytes: three failed attempts, start still sent
        {QByteArray(), "cccP"},                              // no answer at all
        {DownloadServer::defaultReply('c'), "cP"},
    };
    for (const Case& c : cases) {
        meter.commandsSeen.clear();
        meter.openingReply = c.reply;
        EXPECT_EQ(download(), LoadResult::Success);
        EXPECT_TRUE(commands().startsWith(c.start)) << commands().constData();
    }
}

TEST_F(ImageDownloadTest, StartReplyWithoutMarkIsRetriedWithoutPurge)
{
    QByteArray wrong = DownloadServer::defaultReply('P');
    wrong[1] = 'x';
    meter.startReplies = {wrong};
    QByteArray image;
    EXPECT_EQ(download(&image), LoadResult::Success);
    EXPECT_TRUE(commands().startsWith("cPP"));
    // The input was cleared after the handshake (commands seen: 1) and never between the two "P".
    EXPECT_EQ(port.clearsAfterCommands, QList<qsizetype>({1}));
    EXPECT_EQ(image, meter.image());
}

TEST_F(ImageDownloadTest, AnnouncedLengthDecidesTheTransfer)
{
    struct Case { int announced; int code; int blocks; bool quit; };
    const Case cases[] = {
        {256, LoadResult::Success, 4, true},
        {300, LoadResult::Success, 5, true},
        {255, LoadResult::BadLength, 1, false},
        {131072, LoadResult::Success, 2048, true},  // a full memory
        {131071, LoadResult::Success, 2048, true},
        {131073, LoadResult::BadLength, 1, false},
        {0, LoadResult::BadLength, 1, false},
    };
    for (const Case& c : cases) {
        meter.setImage(imageOfLength(c.announced));
        meter.commandsSeen.clear();
        meter.blocksSent = 0;
        progress = {};
        QByteArray image;
        EXPECT_EQ(download(&image), c.code) << c.announced;
        EXPECT_EQ(meter.blocksSent, c.blocks) << c.announced;
        EXPECT_EQ(commands().contains('Q'), c.quit) << c.announced;
        if (c.code == LoadResult::Success)
            EXPECT_EQ(image, meter.image().left(c.blocks * 64));
        else
            EXPECT_EQ(progress.total, -1) << "no progress display for a bad length";
    }
}

TEST_F(ImageDownloadTest, BadFirstBlockIsDroppedAndTheNextGoodOneCountsAsFirst)
{
    meter.faults = {{BlockFault::Kind::BadChecksum, 0, 1}};
    QByteArray image;
    EXPECT_EQ(download(&image), LoadResult::Success);
    EXPECT_TRUE(commands().startsWith("cPny"));
    EXPECT_EQ(image, meter.image());
    EXPECT_EQ(progress.total, 512);
}

TEST_F(ImageDownloadTest, RecoverableFaultsStillGiveTheExactImage)
{
    const std::vector<BlockFault> cases = {
        {BlockFault::Kind::BadChecksum, 3, 5},
        {BlockFault::Kind::Stall, 2, 1, 30},                       // partial block: dropped after 1.5 s, "n"
        {BlockFault::Kind::DropByte, 5, 2, 10},
        {BlockFault::Kind::InsertGarbage, 4, 1, 0, QByteArray(3, 'g')},
        {BlockFault::Kind::InsertGarbage, 1, 2, 0, QByteArray(1, 'g')},
    };
    for (const BlockFault& fault : cases) {
        meter.setImage(meter.image());
        meter.faults = {fault};
        meter.commandsSeen.clear();
        QByteArray image;
        EXPECT_EQ(download(&image), LoadResult::Success) << int(fault.kind);
        EXPECT_EQ(image, meter.image()) << int(fault.kind);
        EXPECT_TRUE(commands().contains('n')) << int(fault.kind);
    }
}

TEST_F(ImageDownloadTest, LateAnswerPutsTheMeterAheadWithoutLosingABlock)
{
    // The answer to the "y" after block 1 comes only after the second "y":
    // two blocks arrive together and the meter stays one block ahead.
    port.lateReplyTo = 3;  // c P y y
    QByteArray image;
    EXPECT_EQ(download(&image), LoadResult::Success);
    EXPECT_EQ(image, meter.image());

    // A spoilt block then cannot be asked for again: the transfer ends, never with a wrong image.
    meter.setImage(meter.image());
    meter.commandsSeen.clear();
    meter.faults = {{BlockFault::Kind::BadChecksum, 5, 1}};
    port.input.clear();
    EXPECT_EQ(download(&image), LoadResult::Incomplete);
    EXPECT_FALSE(meter.commandsSeen.contains('n'));
}

TEST_F(ImageDownloadTest, TwentyOneFailuresInARowEndTheTransfer)
{
    meter.faults = {{BlockFault::Kind::BadChecksum, 2, 1000}};
    EXPECT_EQ(download(), LoadResult::Incomplete);
    const QByteArray c = commands();
    EXPECT_TRUE(c.endsWith(QByteArray(21, 'n') + "QQ")) << c.constData();
}

TEST_F(ImageDownloadTest, FailuresCountOnlyInARow)
{
    // 20 bad sendings of each of two blocks: a good block between resets the count.
    meter.faults = {{BlockFault::Kind::BadChecksum, 2, 20}, {BlockFault::Kind::BadChecksum, 3, 20}};
    EXPECT_EQ(download(), LoadResult::Success);
}

TEST_F(ImageDownloadTest, SilentMeterEndsTheTransferAfterFiveSeconds)
{
    meter.faults = {{BlockFault::Kind::SilenceAfter, 2}};
    const qint64 start = clock.tick;
    QByteArray image;
    EXPECT_EQ(download(&image), LoadResult::Incomplete);
    EXPECT_EQ(image.size(), 3 * 64);
    EXPECT_TRUE(commands().endsWith("yQ"));
    EXPECT_GE(clock.tick - start, 5000);
    EXPECT_FALSE(progress.open);
}

TEST_F(ImageDownloadTest, NoBlockAtAllIsIncompleteNotSuccess)
{
    meter.answerStart = false;
    QByteArray image;
    EXPECT_EQ(download(&image), LoadResult::Incomplete);
    EXPECT_TRUE(image.isEmpty());
    EXPECT_TRUE(commands().startsWith("cPPP"));
    EXPECT_TRUE(commands().endsWith("Q"));
    EXPECT_EQ(progress.total, -1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A device that answers the handshake, sends a spoilt block and then never
// stops sending: far more than a serial line carries, into an input queue
// that never fills. Waiting moves the fake clock; a download that has not
// ended after two minutes of it fails the test instead of hanging it.
class EndlessSenderPort : public DownloadPort {
public:
    explicit EndlessSenderPort(FakeClock& clock) : clock(clock), deadline(clock.tick + 120000) {}

    int inputCount() override { return int(input.size()); }
    QByteArray read(int count) override
    {
        const QByteArray bytes = input.left(count);
        input.remove(0, count);
        return bytes;
    }
    void write(const QByteArray& frame) override
    {
        const char letter = frame.at(1);
        if (letter == 'c')
            input += DownloadServer::defaultReply('c');
        if (letter == 'P' && !sending) {
            QByteArray spoilt = DownloadServer::block(MemoryImageBuilder().build(), 0);
            spoilt[64] = char(spoilt.at(64) + 1);
            input += DownloadServer::defaultReply('P') + spoilt;
            sending = true;
        }
    }
    void clearInput() override { input.clear(); }
    void waitForInput(int wanted, int maxMs) override
    {
        if (clock.tick > deadline)
            throw PortAborted("the download never ended");
        if (inputCount() >= wanted)
            return;
        clock.advance(maxMs);
        if (sending) {
            for (int i = 0; i < maxMs * BytesPerMs; ++i)
                input.append(char(next++ * 37));
        }
        mostKept = std::max(mostKept, inputCount());
    }

    static constexpr int BytesPerMs = 20;
    FakeClock& clock;
    const qint64 deadline;
    QByteArray input;
    bool sending = false;
    quint8 next = 0;
    int mostKept = 0;
};

TEST(EndlessSender, DownloadEndsWithinItsTimeOutsAndStaysResponsive)
{
    FakeClock clock;
    ScopedClock scoped(clock);
    EndlessSenderPort port(clock);
    qint64 lastMessages = clock.tick;
    qint64 longestWithoutMessages = 0;
    ImageDownload download(port, {[&] {
                                      longestWithoutMessages = std::max(longestWithoutMessages, clock.tick - lastMessages);
                                      lastMessages = clock.tick;
                                  },
                                  {}});
    const qint64 start = clock.tick;
    EXPECT_EQ(download.DownloadImage(), LoadResult::Incomplete);
    EXPECT_TRUE(download.image().isEmpty());
    // 21 spoilt blocks in a row end it, each dropped within half a second.
    EXPECT_LE(clock.tick - start, 30000);
    EXPECT_LE(longestWithoutMessages, 100) << "window messages handled at least every 100 ms";
    EXPECT_LE(port.mostKept, 1024) << "the input is dropped instead of kept";
}

} // namespace

// A device that, after a block, keeps sending one byte every 50 ms: never a
// quiet line and never enough bytes to reach a cap, so only the waits' own
// time bounds end them. `spoilFirstBlock` sends block 0 with a wrong
// checksum; otherwise the first "y" goes unanswered and the second brings
// block 1, so that the meter may be a block ahead when the trickle starts.
class TricklingPort : public QueuedDownloadPort {
public:
    TricklingPort(FakeClock& clock, bool spoilFirstBlock) : clock(clock), spoilFirstBlock(spoilFirstBlock) {}

    void deliverDue() override
    {
        while (trickleFrom >= 0 && clock.tick >= trickleFrom) {
            input.append(char(0x5A));
            trickleFrom += TrickleEveryMs;
        }
    }
    void write(const QByteArray& frame) override
    {
        const char letter = frame.at(1);
        sent << QPair<char, qint64>(letter, clock.tick);
        if (letter == 'c')
            input += DownloadServer::defaultReply('c');
        if (letter == 'P') {
            QByteArray first = DownloadServer::block(image, 0);
            if (spoilFirstBlock) {
                first[64] = char(first.at(64) + 1);
                trickleFrom = clock.tick + TrickleEveryMs;
            }
            input += DownloadServer::defaultReply('P') + first;
        }
        if (letter == 'y' && ++acks == 2) {
            input += DownloadServer::block(image, 1);
            trickleFrom = clock.tick + TrickleEveryMs;
        }
    }
    void clearInput() override { input.clear(); }
    void waitForInput(int wanted, int maxMs) override
    {
        if (inputCount() >= wanted)
            return;
        const qint64 next = trickleFrom >= 0 ? trickleFrom - clock.tick : maxMs;
        clock.advance(std::clamp<qint64>(next, 1, maxMs));
    }

    qint64 sentAt(char letter) const
    {
        for (const auto& [l, at] : sent) {
            if (l == letter)
                return at;
        }
        return -1;
    }

    static constexpr int TrickleEveryMs = 50;
    FakeClock& clock;
    const bool spoilFirstBlock;
    const QByteArray image = imageOfLength(4 * 64);
    QList<QPair<char, qint64>> sent;
    qint64 trickleFrom = -1;
    int acks = 0;
};

TEST(TricklingLine, WaitsBehindABlockEndWithinTheirBoundsAndKeepMessagesFlowing)
{
    struct Case {
        const char* name;
        bool spoilFirstBlock;
        char endsWith;        // the command that ends the wait
        qint64 mostWaitMs;    // from the block to that command
    } cases[] = {
        // The rest of a spoilt block is dropped within half a second, then it is asked for again.
        {"after a spoilt block", true, 'n', 500 + 20},
        // A block that may be one of a meter ahead is given up within 1.5 s.
        {"behind a good block while the meter may be ahead", false, 'Q', 1500 + 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        ScopedClock scoped(clock);
        TricklingPort port(clock, c.spoilFirstBlock);
        qint64 lastMessages = clock.tick;
        qint64 longestWithoutMessages = 0;
        ImageDownload download(port, {[&] {
                                          longestWithoutMessages = std::max(longestWithoutMessages, clock.tick - lastMessages);
                                          lastMessages = clock.tick;
                                      },
                                      {}});
        download.DownloadImage();
        // The block came with "P", or with the second "y".
        const qint64 trickleStart = c.spoilFirstBlock ? port.sentAt('P') : port.sent.at(3).second;
        const qint64 ended = port.sentAt(c.endsWith);
        ASSERT_GE(ended, 0);
        EXPECT_LE(ended - trickleStart, c.mostWaitMs);
        EXPECT_LE(longestWithoutMessages, 100) << "window messages handled at least every 100 ms";
    }
}
