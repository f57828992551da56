#include "logger/ImageDownload.h"

#include "app/Clock.h"
#include "link/LinkLog.h"
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
// No answer to "y" can arrive before the meter has had the frame's start and
// letter and sent one byte back: three bytes of about 1.04 ms at 9600 baud.
constexpr int AnswerEarliestMs = 3;
// A block still coming behind a block is complete within this time.
constexpr int BlockBehindLimitMs = StalledBlockMs;
// Leftovers of a spoilt block are gone within this time; a device that
// keeps sending is not waited out.
constexpr int DiscardLimitMs = 500;
// Window messages are handled at least this often while the port is polled.
constexpr int PollSliceMs = 20;
// ... and not more often than this while bytes come one by one.
constexpr int LeastMessagesGapMs = 10;
// More than this behind a block is no meter answering acknowledgements.
constexpr int MostBlocksBehind = 3;
// Longer than this on the run queue after a wake-up, and its time is not the arrival's.
constexpr qint64 PromptWakeNs = 1'000'000;
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
    const QByteArray frame = commandFrame(letter);
    qCDebug(downloadLog).noquote() << QStringLiteral("sent '%1':").arg(QLatin1Char(letter)) << LinkLog::hex(frame);
    port.write(frame);
}

qint64 ImageDownload::now() const
{
    return Clock::current().tickMs();
}

int ImageDownload::waiting(bool arrivalTimed)
{
    const int count = port.inputCount();
    if (count > seen) {
        const qint64 arrival = now();
        // Bytes already waiting mean this delivery belongs to the same sending;
        // its gap tells about the line only when both ends of it were timed.
        if (seen > 0 && arrivalTimed && lastArrivalTimed)
            line.delivery(count - seen, arrival - lastArrival);
        lastArrival = arrival;
        lastArrivalTimed = arrivalTimed;
    }
    seen = count;
    return count;
}

QByteArray ImageDownload::take(int count)
{
    const QByteArray bytes = port.read(count);
    seen = std::max(0, seen - int(bytes.size()));
    return bytes;
}

void ImageDownload::clearInput()
{
    port.clearInput();
    seen = 0;
}

void ImageDownload::pollOnce(int sliceMs)
{
    // One byte more than is waiting: the wait ends at the next delivery, so
    // its time is known to within the scheduler's latency, unless the thread
    // then waited for a processor: a busy machine can keep it waiting for
    // tens of milliseconds, and the time would be late by as much.
    port.waitForInput(seen + 1, std::clamp(sliceMs, 1, PollSliceMs));
    const bool ranAtOnce = port.wakeUpDelayNs() <= PromptWakeNs;
    waiting(port.arrivalTimed() && ranAtOnce);
    if (now() - lastMessages >= LeastMessagesGapMs) {
        hooks.processMessages();
        lastMessages = now();
    }
}

void ImageDownload::pauseUntil(qint64 until)
{
    for (qint64 left = until - now(); left > 0; left = until - now())
        pollOnce(int(std::min<qint64>(left, PollSliceMs)));
}

void ImageDownload::awaitInput(int wanted, int timeoutMs)
{
    const qint64 start = now();
    while (waiting() < wanted && now() - start < timeoutMs)
        pollOnce(int(timeoutMs - (now() - start)));
}

void ImageDownload::openingHandshake()
{
    // Exactly ten bytes answer "c"; their content does not matter. The
    // transfer is tried even when the meter never answers.
    for (int attempt = 0; attempt < OpeningAttempts; ++attempt) {
        send('c');
        awaitInput(OpeningReplyLength, OpeningReplyMs);
        if (waiting() == OpeningReplyLength) {
            qCDebug(downloadLog) << "opening: 'c' answered with" << OpeningReplyLength << "bytes";
            break;
        }
        qCDebug(downloadLog).noquote() << "opening: time-out," << waiting() << "bytes answered 'c' within"
                                       << OpeningReplyMs << "ms," << OpeningReplyLength << "wanted; attempt"
                                       << attempt + 1 << "of" << OpeningAttempts;
        clearInput();
    }
    clearInput();
}

void ImageDownload::startTransfer()
{
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        send('P');
        awaitInput(StartReplyLength, StartReplyMs);
        if (waiting() >= StartReplyLength) {
            const QByteArray reply = take(StartReplyLength);
            if (reply.at(1) == StartReplyMark) {
                qCDebug(downloadLog).noquote() << "start: 'P' answered:" << LinkLog::hex(reply);
                return;
            }
            // A reply without the mark may be followed by the real one: keep the input.
            qCDebug(downloadLog).noquote() << "start: attempt" << attempt + 1 << "of" << StartAttempts
                                           << "answered without the mark 50:" << LinkLog::hex(reply);
        } else {
            qCDebug(downloadLog).noquote() << "start: time-out," << waiting() << "bytes answered 'P' within"
                                           << StartReplyMs << "ms," << StartReplyLength << "wanted; attempt"
                                           << attempt + 1 << "of" << StartAttempts;
            clearInput();
        }
    }
}

ImageDownload::Answer ImageDownload::acknowledge()
{
    for (int sends = 0; sends < AckSends; ++sends) {
        pauseUntil(sends == 0 ? firstAckAt : now() + AckPauseMs);
        send('y');
        if (sends > 0)
            meterMayBeAhead = true;
        awaitInput(1, AckAnswerMs);
        if (waiting() > 0)
            return sends == 0 && lastArrival < quietUntil ? Answer::BlockWasShifted : Answer::Answered;
        qCDebug(downloadLog) << "time-out: no answer to 'y' within" << AckAnswerMs << "ms; sending" << sends + 1
                             << "of" << AckSends;
    }
    return Answer::None;
}

ImageDownload::BlockCheck ImageDownload::checkBlock(const QByteArray& block)
{
    const int index = int(RawImage.size()) / BlockPayload;
    if (const quint8 sum = blockChecksum(block.constData(), BlockPayload); sum != quint8(block.at(BlockPayload))) {
        qCDebug(downloadLog).noquote() << QStringLiteral("block %1: checksum bad, the bytes sum to %2, the block says %3")
                                              .arg(index)
                                              .arg(uint(sum), 2, 16, QLatin1Char('0'))
                                              .arg(uint(quint8(block.at(BlockPayload))), 2, 16, QLatin1Char('0'));
        return BlockCheck::Bad;
    }
    line.blockDone();
    const qint64 blockEnd = lastArrival;
    const int quietMs = line.quietMs();
    if (quietMs != loggedQuietMs) {
        qCDebug(downloadLog).noquote() << QStringLiteral("block %1: the line must be quiet for %2 ms behind a block; "
                                                         "largest gap of the latest %3 blocks %4 ms%5")
                                              .arg(index)
                                              .arg(quietMs)
                                              .arg(LineQuietLearner::RecentBlocks)
                                              .arg(line.largestGapMs())
                                              .arg(line.learned() ? QString() : QStringLiteral(", no timer seen yet"));
        loggedQuietMs = quietMs;
    }
    // The first block is used before "y" goes (its announced length), so it
    // gets the whole quiet window first.
    const bool firstBlock = RawImage.isEmpty();
    if (!meterMayBeAhead && !firstBlock) {
        // The pause before "y" is part of the quiet window. What the pause
        // leaves of it is watched while "y" crosses the line: until then no
        // answer can arrive, so a byte is the rest of this block.
        firstAckAt = blockEnd + std::max(AckPauseMs, quietMs - AnswerEarliestMs);
        quietUntil = blockEnd + quietMs;
        while (waiting() == 0 && now() < firstAckAt)
            pollOnce(int(firstAckAt - now()));
        if (waiting() == 0)
            return BlockCheck::Good;
    }
    // Once the line behind the block is quiet, whole blocks there mean the
    // meter answered an acknowledgement late and is a block ahead; anything
    // else means this block was read out of step (stray bytes before it) and
    // its matching checksum was chance. While the meter may be ahead, a block
    // coming behind is waited for until it is whole.
    const qint64 start = now();
    for (;;) {
        const int behind = waiting();
        const bool wholeBlocks = behind % BlockSize == 0;
        const bool quiet = now() - lastArrival >= quietMs;
        if (quiet && wholeBlocks) {
            firstAckAt = blockEnd + AckPauseMs;
            quietUntil = 0;
            if (behind != 0)
                qCDebug(downloadLog) << "block" << index << "has" << behind / BlockSize
                                     << "whole blocks behind it: the meter answered late and is ahead";
            return behind == 0 ? BlockCheck::Good : BlockCheck::GoodMeterAhead;
        }
        if (quiet && !meterMayBeAhead) {
            qCDebug(downloadLog) << "block" << index << "spoilt, read out of step:" << behind
                                 << "bytes behind it are no whole blocks";
            return BlockCheck::Bad;
        }
        if (behind > MostBlocksBehind * BlockSize || now() - start > BlockBehindLimitMs) {
            qCDebug(downloadLog) << "block" << index << "spoilt," << behind << "bytes behind it did not become whole blocks within"
                                 << BlockBehindLimitMs << "ms";
            return BlockCheck::Bad;
        }
        pollOnce(PollSliceMs);
    }
}

void ImageDownload::discardRestOfBlock()
{
    // Bytes of a spoilt block may still be on their way. The meter sends
    // nothing more until it is asked, so once the line is quiet everything
    // waiting belongs to the spoilt block: dropping it keeps the repeated
    // block aligned instead of reading it shifted by the leftovers.
    const qint64 start = now();
    while (now() - lastArrival < line.quietMs() && now() - start < DiscardLimitMs && waiting() <= 2 * BlockSize)
        pollOnce(PollSliceMs);
    clearInput();
}

int ImageDownload::DownloadImage()
{
    RawImage.clear();
    seen = 0;
    lastArrival = now();
    meterMayBeAhead = false;
    openingHandshake();
    const std::unique_ptr<BusyIndicator> hourglass = hooks.showBusy ? hooks.showBusy() : nullptr;
    startTransfer();

    std::unique_ptr<DownloadProgress> progress;
    int received = 0;
    int expected = 0;
    int errors = 0;
    qint64 mark = now();

    while (now() - mark < SilenceLimitMs) {
        if (progress && progress->cancelled()) {
            qCDebug(downloadLog) << "cancelled by the user";
            send('Q');
            progress.reset();
            return LoadResult::Cancelled;
        }
        if (received > expected || errors > ErrorLimit) {
            qCDebug(downloadLog) << "giving up after" << errors << "errors in a row," << received << "of" << expected
                                 << "bytes";
            send('Q');
            break;  // and "Q" once more below
        }
        const int count = waiting();
        if (count >= BlockSize) {
            const QByteArray block = take(BlockSize);
            qCDebug(downloadLog).noquote() << "block" << received / BlockPayload << "received:" << LinkLog::hex(block);
            const BlockCheck check = checkBlock(block);
            if (check != BlockCheck::Bad) {
                meterMayBeAhead = meterMayBeAhead || check == BlockCheck::GoodMeterAhead;
                RawImage.append(block.constData(), BlockPayload);
                received += BlockPayload;
                errors = 0;
                if (received == BlockPayload) {
                    const int announced = (quint8(RawImage.at(11)) << 16) | (quint8(RawImage.at(12)) << 8)
                        | quint8(RawImage.at(13));
                    qCDebug(downloadLog) << "the memory announces" << announced << "bytes";
                    if (announced > MaxAnnouncedLength || announced < MinAnnouncedLength) {
                        qCDebug(downloadLog) << "the announced length is out of range" << MinAnnouncedLength << "to"
                                             << MaxAnnouncedLength;
                        return LoadResult::BadLength;
                    }
                    expected = transferLength(announced);
                    if (hooks.openProgress)
                        progress = hooks.openProgress(expected);
                }
                if (acknowledge() == Answer::BlockWasShifted) {
                    // "y" has gone: the meter is sending the next block and
                    // the shifted one cannot be asked for again.
                    qCDebug(downloadLog) << "block" << received / BlockPayload - 1
                                         << "shifted, its rest came after 'y' went; the download ends";
                    RawImage.chop(BlockPayload);
                    received -= BlockPayload;
                    send('Q');
                    break;
                }
                if (progress) {
                    progress->setReceived(received);
                    hooks.processMessages();
                }
            } else if (meterMayBeAhead) {
                // A repeat request could bring another block than the spoilt one.
                qCDebug(downloadLog) << "block" << received / BlockPayload
                                     << "spoilt while the meter may be ahead; a repeat could bring another block";
                send('Q');
                break;
            } else {
                ++errors;
                hooks.processMessages();
                discardRestOfBlock();
                qCDebug(downloadLog) << "block" << received / BlockPayload << "asked again with 'n', error" << errors << "of"
                                     << ErrorLimit;
                send('n');
            }
            mark = now();
        } else if (count >= 1 && now() - std::max(mark, lastArrival) > StalledBlockMs) {
            qCDebug(downloadLog) << "time-out: block" << received / BlockPayload << "stalled at" << count
                                 << "bytes, nothing more for" << StalledBlockMs << "ms";
            if (meterMayBeAhead) {
                send('Q');
                break;
            }
            discardRestOfBlock();  // a stalled partial block is asked for again
            ++errors;
            qCDebug(downloadLog) << "block" << received / BlockPayload << "asked again with 'n', error" << errors << "of"
                                 << ErrorLimit;
            hooks.processMessages();
            send('n');
            mark = now();
        } else {
            pollOnce(PollSliceMs);
        }
        if (received != 0 && received >= expected)
            break;
    }
    if (downloadLog().isDebugEnabled() && now() - mark >= SilenceLimitMs)
        qCDebug(downloadLog) << "time-out: no block for" << SilenceLimitMs << "ms";
    send('Q');
    progress.reset();
    qCDebug(downloadLog) << "ended with" << received << "of" << expected << "bytes";
    // No block at all leaves nothing to parse: that is an incomplete transfer too.
    if (received == 0 || received < expected)
        return LoadResult::Incomplete;
    return LoadResult::Success;
}
