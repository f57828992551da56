#include "logger/ComDownloadPort.h"

#include "link/ComPort.h"

#include <QThread>
#include <algorithm>
#include <cmath>

namespace {
// One byte on the line at 9600 baud, 8N1.
constexpr double ByteTimeMs = 10.0 / 9.6;

// Runs a port operation; a failure of the port ends the download silently.
template <typename Operation>
auto guarded(const char* what, Operation operation)
{
    try {
        return operation();
    } catch (const EComAbort&) {
        throw PortAborted(what);
    } catch (const EComError& error) {
        throw PortAborted(std::string(what) + ": " + error.what());
    }
}
} // namespace

int ComDownloadPort::inputCount()
{
    return guarded("InputCount", [this] { return port.InputCount(); });
}

QByteArray ComDownloadPort::read(int count)
{
    return guarded("Read", [this, count] {
        QByteArray bytes(std::max(count, 0), '\0');
        int got = 0;
        while (got < count) {
            const int n = port.Read(bytes.data() + got, count - got);
            if (n <= 0)
                break;  // fewer than were counted: keep what came
            got += n;
        }
        bytes.truncate(got);
        return bytes;
    });
}

void ComDownloadPort::write(const QByteArray& bytes)
{
    guarded("Write", [this, &bytes] { port.Write(bytes); });
}

void ComDownloadPort::clearInput()
{
    port.ClearInput();
}

void ComDownloadPort::waitForInput(int wanted, int maxMs)
{
    const int waiting = inputCount();
    if (waiting >= wanted || maxMs <= 0)
        return;
    if (waiting == 0) {
        guarded("WaitForInput", [this, maxMs] { return port.WaitForInput(maxMs); });
        return;
    }
    // Part of a block is here: sleep about as long as the rest takes on the line.
    const double restMs = std::ceil(double(wanted - waiting) * ByteTimeMs);
    QThread::msleep(unsigned(std::clamp(restMs, 1.0, double(maxMs))));
}
