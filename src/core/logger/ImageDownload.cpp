#include "logger/ImageDownload.h"

#include "app/Clock.h"
#include "logger/LoadResult.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace {
constexpr int OpeningAttempts = 3;
constexpr int OpeningReplyMs = 1000;
constexpr int OpeningReplyLength = 10;
constexpr int StartAttempts = 3;
constexpr int StartReplyMs = 3000;
constexpr int StartReplyLength = 10;
constexpr char StartReplyMark = 0x50;
constexpr int SilenceLimitMs = 5000;
constexpr int StalledBlockMs = 1500;
constexpr int ErrorLimit = 20;
constexpr int AckSends = 10;
constexpr int AckPauseMs = 10;
constexpr int AckAnswerMs = 100;
// About five byte times at 9600 baud without a new byte: the line is quiet.
constexpr int LineQuietMs = 5;
// Window messages are handled at least this often while the port is polled.
constexpr int PollSliceMs = 20;
} // namespace

ImageDownload::ImageDownload(DownloadPort& downloadPort, Hooks downloadHooks)
    : port(downloadPort)
    , hooks(std::move(downloadHooks))
{
}

QByteArray ImageDownload::commandFrame(char letter)
{
    QByteArray frame(10, '\0');
    frame[0] = 0x02;
    frame[1] = letter;
    frame[9] = 0x03;
    return frame;
}

quint8 ImageDownload::blockChecksum(const char* payload, int length)
{
    quint8 sum = 0;
    for (int i = 0; i < length; ++i)
        sum += quint8(payload[i]);
    return sum;
}

int ImageDownload::transferLength(int announcedLength)
{
    return (announcedLength + BlockPayload - 1) / BlockPayload * BlockPayload;
}

void ImageDownload::send(char letter)
{
    port.write(commandFrame(letter));
}

qint64 ImageDownload::now() const
{
    return Clock::current().tickMs();
}

void ImageDownload::awaitInput(int wanted, int timeoutMs)
{
    const qint64 start = now();
    for (;;) {
        if (port.inputCount() >= wanted)
            return;
        const qint64 left = timeoutMs - (now() - start);
        if (left <= 0)
            return;
        port.waitForInput(wanted, int(std::min<qint64>(left, PollSliceMs)));
        hooks.processMessages();
    }
}

void ImageDownload::openingHandshake()
{
    // Exactly ten bytes answer "c"; their content does not matter. The
    // transfer is tried even when the meter never answers.
    for (int attempt = 0; attempt < OpeningAttempts; ++attempt) {
        send('c');
        awaitInput(OpeningReplyLength, OpeningReplyMs);
        if (port.inputCount() == OpeningReplyLength)
            break;
        port.clearInput();
    }
    port.clearInput();
}

void ImageDownload::startTransfer()
{
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        send('P');
        awaitInput(StartReplyLength, StartReplyMs);
        if (port.inputCount() >= StartReplyLength) {
            const QByteArray reply = port.read(StartReplyLength);
            if (reply.at(1) == StartReplyMark)
                return;
            // A reply without the mark may be followed by the real one: keep the input.
        } else {
            port.clearInput();
        }
    }
}

void ImageDownload::acknowledge()
{
    // The first 10 ms pause has already passed while the block was checked.
    for (int sends = 0; sends < AckSends; ++sends) {
        if (sends > 0)
            hooks.waitMs(AckPauseMs);
        send('y');
        hooks.waitMs(AckAnswerMs);
        if (port.inputCount() > 0)
            return;
    }
}

ImageDownload::BlockCheck ImageDownload::checkBlock(const QByteArray& block)
{
    if (blockChecksum(block.constData(), BlockPayload) != quint8(block.at(BlockPayload)))
        return BlockCheck::Bad;
    // The pause before the acknowledgement shows whether more bytes came
    // behind the block. Whole blocks mean the meter answered an earlier
    // acknowledgement late and is a block ahead; anything else means this
    // block was read out of step (stray bytes before it) and its matching
    // checksum was chance.
    hooks.waitMs(AckPauseMs);
    if (port.inputCount() == 0)
        return BlockCheck::Good;
    const int behind = waitForQuietLine();
    return behind % BlockSize == 0 ? BlockCheck::GoodMeterAhead : BlockCheck::Bad;
}

int ImageDownload::waitForQuietLine()
{
    for (int seen = port.inputCount();;) {
        port.waitForInput(seen + 1, LineQuietMs);
        const int now = port.inputCount();
        if (now == seen)
            return seen;
        seen = now;
    }
}

void ImageDownload::discardRestOfBlock()
{
    // Bytes of a spoilt block may still be on their way. The meter sends
    // nothing more until it is asked, so once the line is quiet everything
    // waiting belongs to the spoilt block: dropping it keeps the repeated
    // block aligned instead of reading it shifted by the leftovers.
    waitForQuietLine();
    port.clearInput();
}

int ImageDownload::DownloadImage()
{
    RawImage.clear();
    openingHandshake();
    const std::unique_ptr<BusyIndicator> hourglass = hooks.showBusy ? hooks.showBusy() : nullptr;
    startTransfer();

    std::unique_ptr<DownloadProgress> progress;
    int received = 0;
    int expected = 0;
    int errors = 0;
    // Once the meter is a block ahead, a repeat request would bring the wrong
    // block: a spoilt block then ends the transfer instead.
    bool meterAhead = false;
    qint64 mark = now();

    while (now() - mark < SilenceLimitMs) {
        if (received > expected || errors > ErrorLimit) {
            send('Q');
            break;  // and "Q" once more below
        }
        const int waiting = port.inputCount();
        if (waiting >= BlockSize) {
            const QByteArray block = port.read(BlockSize);
            const BlockCheck check = checkBlock(block);
            if (check != BlockCheck::Bad) {
                meterAhead = meterAhead || check == BlockCheck::GoodMeterAhead;
                RawImage.append(block.constData(), BlockPayload);
                received += BlockPayload;
                errors = 0;
                if (received == BlockPayload) {
                    const int announced = (quint8(RawImage.at(11)) << 16) | (quint8(RawImage.at(12)) << 8)
                        | quint8(RawImage.at(13));
                    if (announced > MaxAnnouncedLength || announced < MinAnnouncedLength)
                        return LoadResult::BadLength;
                    expected = transferLength(announced);
                    if (hooks.openProgress)
                        progress = hooks.openProgress(expected);
                }
                acknowledge();
                if (progress) {
                    progress->setReceived(received);
                    hooks.processMessages();
                }
            } else if (meterAhead) {
                send('Q');
                break;
            } else {
                ++errors;
                hooks.processMessages();
                discardRestOfBlock();
                send('n');
            }
            mark = now();
        } else if (waiting >= 1 && now() - mark > StalledBlockMs) {
            if (meterAhead) {
                send('Q');
                break;
            }
            discardRestOfBlock();  // a stalled partial block is asked for again
            ++errors;
            if (progress)
                hooks.processMessages();
            send('n');
            mark = now();
        } else {
            port.waitForInput(BlockSize, PollSliceMs);
            hooks.processMessages();
        }
        if (received != 0 && received >= expected)
            break;
    }
    send('Q');
    progress.reset();
    // No block at all leaves nothing to parse: that is an incomplete transfer too.
    if (received == 0 || received < expected)
        return LoadResult::Incomplete;
    return LoadResult::Success;
}
