#include "app/Clock.h"

Clock* Clock::installed = nullptr;

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}

qint64 Clock::tickMs() const
{
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

Clock& Clock::current()
{
    static Clock systemClock;
    return installed ? *installed : systemClock;
}

ScopedClock::ScopedClock(Clock& clock)
    : previous(Clock::installed)
{
    Clock::installed = &clock;
}

ScopedClock::~ScopedClock()
{
    Clock::installed = previous;
}
