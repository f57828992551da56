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
// nothing or whole blocks, never the rest of a block read out of step.

#include "logger/DownloadPort.h"
#include "logger/DownloadProgress.h"

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
    // than announced, or none at all) or 4 (the announced length is out of
    // range). image() then holds what arrived.
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
    // The bytes waiting; notes when their count last grew.
    int waiting();
    QByteArray take(int count);
    void clearInput();
    // Waits `ms` while window messages are handled and arrivals noted.
    void pause(int ms);
    // One short wait for input, then one round of window messages.
    void pollOnce(int wanted);
    // Polls until at least `wanted` bytes wait or `timeoutMs` has passed.
    void awaitInput(int wanted, int timeoutMs);
    void openingHandshake();
    void startTransfer();
    // The acknowledgement after a good block, repeated until the meter answers.
    void acknowledge();
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
    // An acknowledgement went more than once: if the meter answered the first
    // late, it is a block ahead and a repeat request would bring the wrong block.
    bool meterMayBeAhead = false;
};
