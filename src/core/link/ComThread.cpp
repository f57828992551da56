#include "link/ComThread.h"

#include "link/ComPort.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

void deleteLaterDeleter(QObject* o)
{
    // The last owner may be the event thread; the relay must die on its own thread.
    o->deleteLater();
}

} // namespace

ComThreadShared::ComThreadShared(TComPort* p, int descriptor, bool synchronizeEvents)
    : port(p)
    , fd(descriptor)
    , synchronize(synchronizeEvents)
    , relay(new QObject, &deleteLaterDeleter)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::system_category());
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
}

ComThreadShared::~ComThreadShared()
{
    ::close(wakeRead);
    ::close(wakeWrite);
}

void ComThreadShared::stop()
{
    std::unique_lock lock(mutex);
    stopping = true;
    const char wake = 'w';
    [[maybe_unused]] ssize_t n = ::write(wakeWrite, &wake, 1);
    leftPoll.wait(lock, [this] { return !polling; });
}

void ComThreadShared::wake()
{
    const char wake = 'w';
    [[maybe_unused]] ssize_t n = ::write(wakeWrite, &wake, 1);
}

void TComThread::start(const std::shared_ptr<ComThreadShared>& shared)
{
    std::thread([t = TComThread(shared)]() mutable { t.run(); }).detach();
}

template <typename F>
void TComThread::deliver(F call, bool blocking)
{
    auto shared = s;
    auto guarded = [shared, call]() {
        bool stopped = false;
        {
            std::lock_guard lock(shared->mutex);
            stopped = shared->stopping;
        }
        if (!stopped)
            call(*shared->port);
    };
    if (!blocking) {
        guarded();  // the handler runs here, in the event thread
        return;
    }
    QMetaObject::invokeMethod(s->relay.get(), guarded, Qt::BlockingQueuedConnection);
}

int TComThread::waitingBytes()
{
    std::lock_guard lock(s->mutex);
    if (s->stopping)
        return -1;
    int n = 0;
    return ::ioctl(s->fd, FIONREAD, &n) == 0 ? n : -1;
}

void TComThread::run()
{
    pollfd fds[2] = {{s->fd, POLLIN, 0}, {s->wakeRead, POLLIN, 0}};
    for (;;) {
        {
            std::lock_guard lock(s->mutex);
            if (s->stopping)
                return;
            s->polling = true;
        }
        const int ready = ::poll(fds, 2, -1);
        const int pollError = errno;
        {
            std::lock_guard lock(s->mutex);
            s->polling = false;
            s->leftPoll.notify_all();
            if (s->stopping)
                return;
        }
        if (ready < 0) {
            if (pollError == EINTR)
                continue;
            deliver([pollError](TComPort& port) { port.threadFailed(pollError); }, true);
            return;
        }
        if (fds[1].revents & POLLIN) {
            char drain[16];
            while (::read(s->wakeRead, drain, sizeof drain) > 0) {
            }
        }
        // A pulled adapter or a closed pty master: the device is gone.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            deliver([](TComPort& port) { port.threadFailed(EIO); }, true);
            return;
        }
        if (fds[0].revents & POLLIN) {
            const int before = waitingBytes();
            deliver([](TComPort& port) { port.deliverRxChar(); }, s->synchronize);
            // A handler that takes nothing would make poll() return at once for ever;
            // give the main thread a moment instead of spinning. The main thread
            // ends the pause once its handler has run, so the next frame is not held up.
            const int after = waitingBytes();
            if (after > 0 && after >= before) {
                pollfd wake{s->wakeRead, POLLIN, 0};
                ::poll(&wake, 1, 20);
            }
        }
    }
}
