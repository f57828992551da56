#include "PtyDownloadMeter.h"

#include <chrono>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace metersim {

namespace {
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
// Bytes handed to the pty at once when paced: coarse enough to keep the thread idle.
constexpr int PacedChunk = 4;
} // namespace

PtyDownloadMeter::PtyDownloadMeter(DownloadServer& s, bool pacedLine)
    : server(s)
    , paced(pacedLine)
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

void PtyDownloadMeter::run()
{
    const auto byteTime = Ms(DownloadServer::ByteTimeMs);
    const auto lineTime = [&](int bytes) {
        return std::chrono::duration_cast<Clock::duration>(byteTime * double(paced ? bytes : 0));
    };
    std::deque<char> outgoing;
    Clock::time_point lineFree = Clock::now();  // when the next outgoing byte starts on the line
    const auto chunkSize = [&] {
        return paced ? std::min<int>(PacedChunk, int(outgoing.size())) : int(outgoing.size());
    };
    for (;;) {
        int timeoutMs = -1;
        if (!outgoing.empty()) {
            const auto due = lineFree + lineTime(chunkSize());
            timeoutMs = std::max<int>(0, int(std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count()));
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        poll(fds, 2, timeoutMs);
        if (fds[1].revents)
            return;

        if (fds[0].revents & POLLIN) {
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                QByteArray reply;
                {
                    const std::lock_guard lock(mutex);
                    reply = server.onBytes(QByteArray(buf, int(n)));
                }
                if (!reply.isEmpty()) {
                    // The command took its own time on the line before the meter had it.
                    const auto heard = Clock::now() + lineTime(int(n));
                    if (outgoing.empty() && lineFree < heard)
                        lineFree = heard;
                    outgoing.insert(outgoing.end(), reply.begin(), reply.end());
                }
            }
        }

        // A byte reaches the program once its whole time on the line has passed.
        while (!outgoing.empty() && Clock::now() >= lineFree + lineTime(chunkSize())) {
            const int chunk = chunkSize();
            QByteArray bytes(chunk, '\0');
            std::copy_n(outgoing.begin(), chunk, bytes.begin());
            const ssize_t n = ::write(master, bytes.constData(), std::size_t(chunk));
            if (n <= 0)
                break;  // the program's queue is full: try again on the next round
            outgoing.erase(outgoing.begin(), outgoing.begin() + n);
            lineFree += lineTime(int(n));
        }
    }
}

} // namespace metersim
