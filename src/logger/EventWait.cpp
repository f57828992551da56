#include "logger/EventWait.h"

#include "app/Clock.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace {
// Messages are handled at least this often; in between the thread sleeps.
constexpr qint64 SliceMs = 2;
} // namespace

void waitProcessingMessages(int ms)
{
    const qint64 start = Clock::current().tickMs();
    for (;;) {
        QCoreApplication::processEvents();
        const qint64 left = ms - (Clock::current().tickMs() - start);
        if (left < 0)
            return;
        QThread::msleep(std::min(left + 1, SliceMs));
    }
}
