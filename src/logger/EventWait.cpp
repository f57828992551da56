#include "logger/EventWait.h"

#include "app/Clock.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

void waitProcessingMessages(int ms)
{
    const qint64 start = Clock::current().tickMs();
    for (;;) {
        const qint64 left = ms - (Clock::current().tickMs() - start);
        if (left < 0)
            return;
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(std::min<qint64>(left + 1, 50)), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}
