#pragma once
// Brings the meter's whole memory into the program as one byte string, the
// memory image: the opening handshake "c", the start command "P", then
// 65-byte checksummed blocks acknowledged with "y", repeated after "n", and
// the quit command "Q". Runs on the main thread; every wait keeps window
// messages flowing and ends by its time-out whatever arrives.
//
// The bytes may come through a USB serial adapter, in chunks with gaps of
// up to a few tens of milliseconds, and the meter may answer an
// acknowledgement late. A block is therefore taken only once the line behind
// it has been quiet for longer than such a gap: what follows it must be
// nothing or whole blocks, never the rest of a block read out of step. The
// quiet needed is learned from the line (LineQuietLearner) and is watched
// during the waits the protocol has anyway: the pause before "y" and the time
// "y" takes to cross the line before any answer can come back.

#include "logger/DownloadPort.h"
#include "logger/DownloadProgress.h"
#include "logger/LineQuietLearner.h"

#include <QByteArray>
#include <functional>

class ImageDownload {
public:
    // The meter's memory is at most this long, and its header at least this.
    static constexpr int MaxAnnouncedLength = 0x20000;
    static constexpr int MinAnnouncedLength = 256;
    static constexpr int BlockPayload = 64;
    static constexpr int BlockSize = BlockPayload + 1;

    struct Hooks {
        std::function<void()> processMessages;   // one round of window messages
        DownloadProgressFactory openProgress;    // may be empty
        BusyIndicatorFactory showBusy;           // the hourglass while blocks are awaited; may be empty
    };

    ImageDownload(DownloadPort& port, Hooks hooks);

    // DownloadImage: returns 0 (the image is complete), 3 (fewer bytes arrived
    // than announced, or none at all), 4 (the announced length is out of
    // range) or 8 (the user cancelled in the progress display; "Q" went to
    // the meter). image() then holds what arrived.
    int DownloadImage();

    const QByteArray& image() const { return RawImage; }
    int ImageLength() const { return int(RawImage.size()); }

    // The 10-byte command frame with `letter` in byte 1.
    static QByteArray commandFrame(char letter);
    // Sum of the bytes modulo 256, the checksum byte of a block.
    static quint8 blockChecksum(const char* payload, int length);
    // The announced length rounded up to whole blocks.
    static int transferLength(int announcedLength);

private:
    void send(char letter);
    qint64 now() const;
    // The bytes waiting; notes when their count last grew and, when that
    // arrival was timed, the gap since the one before.
    int waiting(bool arrivalTimed = false);
    QByteArray take(int count);
    void clearInput();
    // Waits until the tick reaches `until` while window messages are handled and arrivals noted.
    void pauseUntil(qint64 until);
    // Waits for the next delivery, at most one short slice, then handles window messages.
    void pollOnce(int sliceMs);
    // Polls until at least `wanted` bytes wait or `timeoutMs` has passed.
    void awaitInput(int wanted, int timeoutMs);
    void openingHandshake();
    void startTransfer();
    enum class Answer { Answered, None, BlockWasShifted };
    // The acknowledgement after a good block, repeated until the meter answers.
    // A byte arriving before the quiet window behind the block has passed is
    // the rest of that block, not an answer: the block was read out of step.
    Answer acknowledge();
    enum class BlockCheck { Bad, Good, GoodMeterAhead };
    // Checksum, and nothing but whole blocks behind the block.
    BlockCheck checkBlock(const QByteArray& block);
    // Drops the rest of a spoilt block once the line is quiet.
    void discardRestOfBlock();

    DownloadPort& port;
    Hooks hooks;
    QByteArray RawImage;
    int seen = 0;                // bytes waiting at the last look
    qint64 lastArrival = 0;      // when their count last grew
    bool lastArrivalTimed = false;  // ... and that time is the arrival's
    qint64 lastMessages = 0;     // when window messages were last handled
    LineQuietLearner line;
    int loggedQuietMs = 0;       // the quiet window the log told last
    qint64 firstAckAt = 0;       // when "y" may go for the block just taken
    qint64 quietUntil = 0;       // the line behind that block must stay quiet until then
    // An acknowledgement went more than once: if the meter answered the first
    // late, it is a block ahead and a repeat request would bring the wrong block.
    bool meterMayBeAhead = false;
};
