#include "StopSignal.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

// The pipe the handler writes to; a signal handler can reach nothing else.
int wakeFds[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFds[1], &byte, 1);
}

} // namespace

StopSignal::StopSignal()
{
    if (::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = std::make_unique<QSocketNotifier>(wakeFds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte;
        while (::read(wakeFds[0], &byte, 1) > 0) {
        }
        emit stopRequested();
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(StopSignals); ++i) {
        ::sigaction(StopSignals[i], nullptr, &previous[i]);
        if (StopSignals[i] != SIGHUP || previous[i].sa_handler != SIG_IGN)
            ::sigaction(StopSignals[i], &action, nullptr);
    }
}

StopSignal::~StopSignal()
{
    for (size_t i = 0; i < std::size(StopSignals); ++i)
        ::sigaction(StopSignals[i], &previous[i], nullptr);
    notifier.reset();
    for (int& fd : wakeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}
