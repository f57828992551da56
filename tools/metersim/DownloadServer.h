#pragma once
// The meter's side of the memory download, as a state machine without any
// I/O: feed it the command letters (or the raw bytes) the program sends and
// it says which bytes the meter sends back. A transport (the simulator's
// pseudo-terminal, a test's fake port) moves the bytes and, when paced, lets
// each byte take its time on a 9600-baud line.
//
//   "c" -> a 10-byte reply
//   "P" -> a 10-byte reply whose byte 1 is 0x50, then the first block
//   "y" -> the next block (nothing after the last)
//   "n" -> the same block again
//   "Q" -> the transfer ends
//
// A block is 64 image bytes and their sum modulo 256. Faults can be planned
// per block to exercise the program's repeats and time-outs.

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace metersim {

struct BlockFault {
    enum class Kind {
        BadChecksum,    // the checksum byte is wrong
        Stall,          // only the first `position` bytes are sent
        DropByte,       // the byte at `position` is left out
        InsertGarbage,  // `garbage` is sent before the block
        SilenceAfter,   // the block is sent, then "y" and "n" get no answer
        Pause,          // the meter pauses `pauseMs` before the byte at `position`
    };
    Kind kind = Kind::BadChecksum;
    int block = 0;      // 0-based index of the block
    int times = 1;      // how many sendings of that block it spoils
    int position = 0;
    QByteArray garbage = QByteArray(1, char(0x55));
    int pauseMs = 0;
};

// A pause of the meter inside what it sends: it waits `ms` before the byte
// at offset `at` of its answer.
struct SendPause {
    int at = 0;
    int ms = 0;
};

class DownloadServer {
public:
    // Time of one byte on the line at 9600 baud, 8N1 (10 bits).
    static constexpr double ByteTimeMs = 10.0 / 9.6;

    explicit DownloadServer(QByteArray image = {});

    // The memory the meter serves; its length is rounded up to whole blocks.
    void setImage(const QByteArray& image);
    const QByteArray& image() const { return memory; }
    int blockCount() const { return int(memory.size() / 64); }

    // Odd answers to the handshake.
    QByteArray openingReply = defaultReply('c');            // empty: "c" gets no answer
    std::vector<QByteArray> startReplies;                    // used one per "P", then the normal one
    bool answerStart = true;
    std::vector<BlockFault> faults;
    // A meter that answers late: every `lateAckEvery`-th acknowledgement
    // (0: none) is answered `lateAckMs` after it came, when the program may
    // already have sent the next one.
    int lateAckEvery = 0;
    int lateAckMs = 150;
    // A meter that pauses inside its blocks now and then, as one reading its
    // next page of memory does: every `pauseEvery`-th block (0: none) waits
    // `pauseMs` before its byte `pauseAt`.
    int pauseEvery = 0;
    int pauseMs = 40;
    int pauseAt = 32;
    // How long after its command the latest answer starts.
    int answerDelayMs() const { return lastDelayMs; }
    // The pauses inside the latest answer, in order.
    const std::vector<SendPause>& answerPauses() const { return lastPauses; }

    // One command letter arrived; returns the bytes the meter sends for it.
    QByteArray onCommand(char letter);
    // Raw bytes from the program: cuts them into 10-byte command frames
    // (0x02, letter, ..., 0x03), skipping bytes that do not start a frame.
    QByteArray onBytes(const QByteArray& bytes);

    // What the meter has seen, for tests.
    QByteArray commandsSeen;       // the letters, in order
    int blocksSent = 0;            // every sending, repeats included
    bool transferring() const { return state == State::Transferring; }
    bool silent() const { return state == State::Silent; }

    static QByteArray defaultReply(char letter);
    static QByteArray block(const QByteArray& image, int index);

private:
    enum class State { Idle, Transferring, Silent };
    QByteArray sendBlock(int index);
    int sendings(int index) const;

    QByteArray memory;
    State state = State::Idle;
    int current = 0;
    std::size_t startRepliesUsed = 0;
    std::vector<int> sentCount;
    int acksSeen = 0;
    int lastDelayMs = 0;
    std::vector<SendPause> lastPauses;
    QByteArray pending;  // bytes of an incomplete command frame
};

} // namespace metersim
