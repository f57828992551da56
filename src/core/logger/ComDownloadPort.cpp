#include "logger/ComDownloadPort.h"

#include "link/ComPort.h"
#include "link/LinkLog.h"

#include <QDeadlineTimer>
#include <algorithm>

namespace {
// Runs a port operation; a failure of the port ends the download silently.
template <typename Operation>
auto guarded(const char* what, Operation operation)
{
    try {
        return operation();
    } catch (const EComAbort&) {
        qCDebug(downloadLog) << "port:" << what << "failed; the download ends";
        throw PortAborted(what);
    } catch (const EComError& error) {
        qCDebug(downloadLog) << "port:" << what << "failed:" << error.what() << "- the download ends";
        throw PortAborted(std::string(what) + ": " + error.what());
    }
}
} // namespace

void ComDownloadPort::takeArrived()
{
    guarded("Read", [this] {
        const int count = port.InputCount();
        if (count <= 0)
            return;
        const qsizetype start = arrived.size();
        arrived.resize(start + count);
        int got = 0;
        while (got < count) {
            const int n = port.Read(arrived.data() + start + got, count - got);
            if (n <= 0)
                break;  // fewer than were counted: keep what came
            got += n;
        }
        arrived.truncate(start + got);
    });
}

int ComDownloadPort::inputCount()
{
    takeArrived();
    return int(arrived.size());
}

QByteArray ComDownloadPort::read(int count)
{
    takeArrived();
    const QByteArray bytes = arrived.left(std::max(count, 0));
    arrived.remove(0, bytes.size());
    return bytes;
}

void ComDownloadPort::write(const QByteArray& bytes)
{
    guarded("Write", [this, &bytes] { port.Write(bytes); });
}

void ComDownloadPort::clearInput()
{
    port.ClearInput();
    arrived.clear();
}

void ComDownloadPort::waitForInput(int wanted, int maxMs)
{
    timed = false;
    wakeUpDelay = 0;
    if (inputCount() >= wanted)
        return;  // it came before the wait: when is not known
    const qint64 delayBefore = runQueueDelay.ns();
    const QDeadlineTimer deadline(std::max(maxMs, 0));
    // The port holds no bytes once they are counted, so its wait sleeps until a new one comes.
    while (inputCount() < wanted && !deadline.hasExpired())
        guarded("WaitForInput", [this, &deadline] { return port.WaitForInput(int(deadline.remainingTime())); });
    timed = int(arrived.size()) >= wanted;
    if (timed)
        wakeUpDelay = runQueueDelay.ns() - delayBefore;
}
