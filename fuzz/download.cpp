// The download exchange against a scripted device. The input is the device's
// script: a first byte of flags, then its replies, each a length byte and that
// many bytes; reply i answers the program's i-th command at once. A device
// with the "endless" flag also keeps sending (the script's bytes over and
// over, one byte a millisecond as at 9600 baud) for as long as it is waited
// for. Time is a fake clock that moves only when the program waits, so a run
// takes no real time; an endless device falls silent after StreamLimitMs of
// program time, so that a download whose waits ignore their time-outs still
// ends; such a download is a finding: every wait must end by its time-out
// whatever arrives.
#include "FuzzInput.h"
#include "ImageChecks.h"
#include "logger/DownloadPort.h"
#include "logger/ImageDownload.h"
#include "app/Clock.h"

#include <QCoreApplication>
#include <memory>

namespace {

// Far longer than a download against an endless sender may take when each of
// its waits ends by its time-out (about two minutes: the handshake, then 21
// spoilt blocks in a row), yet short enough to keep the fuzzer quick.
constexpr qint64 StreamLimitMs = 4 * 60 * 1000;

// Program time that moves only when the program waits. The date is worked
// out only when asked: local date arithmetic on every wait would cost more
// than the whole exchange.
class WaitClock : public Clock {
public:
    qint64 tick = 0;
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 10), QTime(10, 0)).addMSecs(tick); }
    qint64 tickMs() const override { return tick; }
    void advance(qint64 ms) { tick += ms; }
};

class ScriptedDevice : public DownloadPort {
public:
    ScriptedDevice(QList<QByteArray> replies, QByteArray stream, WaitClock& clock)
        : replies(std::move(replies))
        , stream(std::move(stream))
        , clock(clock)
        , started(clock.tick)
    {
    }

    int inputCount() override { return int(input.size()); }
    QByteArray read(int count) override
    {
        FUZZ_CHECK(count >= 0 && count <= input.size());
        const QByteArray bytes = input.first(count);
        input.remove(0, count);
        return bytes;
    }
    void write(const QByteArray& bytes) override
    {
        FUZZ_CHECK(bytes.size() == 10 && bytes.front() == 0x02 && bytes.back() == 0x03);
        if (next < replies.size())
            input += replies[next++];
    }
    void clearInput() override { input.clear(); }
    void waitForInput(int wanted, int maxMs) override
    {
        if (inputCount() < wanted || streaming())
            elapse(maxMs);
    }

    // Program time passes; an endless device sends meanwhile.
    void elapse(int ms)
    {
        ms = std::max(ms, 1);
        for (int sent = 0; sent < ms && streaming();) {
            const qsizetype at = streamed % stream.size();
            const qsizetype n = std::min<qsizetype>(ms - sent, stream.size() - at);
            input += QByteArrayView(stream).sliced(at, n);
            streamed += n;
            sent += int(n);
        }
        clock.advance(ms);
        if (!stream.isEmpty() && clock.tick - started >= StreamLimitMs)
            outlasted = true;
    }
    bool streaming() const { return !stream.isEmpty() && !outlasted; }
    // True once an endless device had to stop for the download to end.
    bool outlasted = false;

private:
    QList<QByteArray> replies;
    qsizetype next = 0;
    QByteArray stream;
    qsizetype streamed = 0;
    WaitClock& clock;
    qint64 started;
    QByteArray input;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const bool endless = flags & 1;
    const int model = flags & 2 ? 618 : 612;
    QList<QByteArray> replies;
    QByteArray all;
    while (!in.empty()) {
        // Two length bytes let one reply hold several blocks.
        const int low = in.byte();
        const int length = low | (in.byte() & 0x03) << 8;
        replies << in.take(length);
        all += replies.back();
    }
    WaitClock clock;
    ScopedClock useClock(clock);
    ScriptedDevice device(replies, endless && !all.isEmpty() ? all : QByteArray(), clock);
    ImageDownload::Hooks hooks;
    hooks.processMessages = [] {};
    ImageDownload download(device, hooks);

    const int code = download.DownloadImage();
    FUZZ_CHECK(code == LoadResult::Success || code == LoadResult::Incomplete || code == LoadResult::BadLength);
    FUZZ_CHECK(download.image().size() % ImageDownload::BlockPayload == 0);
    if (code == LoadResult::Success) {
        FUZZ_CHECK(download.image().size() >= ImageDownload::MinAnnouncedLength);
        FUZZ_CHECK(download.image().size() <= ImageDownload::MaxAnnouncedLength);
        parseAndCheckImage(download.image(), model);
    }
    FUZZ_CHECK(!device.outlasted);
    return 0;
}
