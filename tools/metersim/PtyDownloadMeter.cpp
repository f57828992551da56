#include "PtyDownloadMeter.h"

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace metersim {

PtyDownloadMeter::PtyDownloadMeter(DownloadServer& s, bool pacedLine, AdapterModel adapter, double scale)
    : server(s)
    , paced(pacedLine)
    , timeScale(scale > 0 ? scale : 1)
    , line(adapter)
{
    char name[256] = {};
    if (openpty(&master, &slaveKeeper, name, nullptr, nullptr) != 0) {
        master = slaveKeeper = -1;
        return;
    }
    slavePath = QString::fromLocal8Bit(name);
    termios tio{};
    tcgetattr(slaveKeeper, &tio);
    cfmakeraw(&tio);
    tcsetattr(slaveKeeper, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slaveKeeper, F_SETFD, FD_CLOEXEC);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = pipeFds[0];
        wakeWrite = pipeFds[1];
    }
    thread = std::thread([this] { run(); });
}

PtyDownloadMeter::~PtyDownloadMeter()
{
    if (thread.joinable()) {
        const char stop = 'x';
        (void)::write(wakeWrite, &stop, 1);
        thread.join();
    }
    for (int fd : {master, slaveKeeper, wakeRead, wakeWrite}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void PtyDownloadMeter::withServer(const std::function<void(DownloadServer&)>& f)
{
    const std::lock_guard lock(mutex);
    f(server);
}

void PtyDownloadMeter::setAdapter(AdapterModel adapter)
{
    const std::lock_guard lock(mutex);
    line.setAdapter(adapter);
}

double PtyDownloadMeter::nowMs() const
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count() * timeScale;
}

void PtyDownloadMeter::run()
{
    QByteArray unwritten;  // handed over, but the program's queue was full
    for (;;) {
        int timeoutMs = unwritten.isEmpty() ? -1 : 1;
        {
            const std::lock_guard lock(mutex);
            const int due = line.msUntilDue(nowMs());
            if (due >= 0 && (timeoutMs < 0 || due < timeoutMs))
                timeoutMs = int(std::ceil(due / timeScale));
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        poll(fds, 2, timeoutMs);
        if (fds[1].revents)
            return;

        const std::lock_guard lock(mutex);
        if (fds[0].revents & POLLIN) {
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                const QByteArray reply = server.onBytes(QByteArray(buf, int(n)));
                if (!reply.isEmpty()) {
                    // The command took its own time on the line before the meter had it,
                    // unpaced too: no answer comes back sooner than a real line allows.
                    const double heardAfter = double(n) * DownloadServer::ByteTimeMs;
                    line.send(reply, nowMs(), paced, heardAfter + server.answerDelayMs(), server.answerPauses());
                }
            }
        }
        // What the program cannot take now waits for the next round.
        unwritten += line.take(nowMs());
        if (!unwritten.isEmpty()) {
            const ssize_t n = ::write(master, unwritten.constData(), std::size_t(unwritten.size()));
            if (n > 0)
                unwritten.remove(0, n);
        }
    }
}

} // namespace metersim
