#pragma once
// The clock seam: every read of the local time and of the millisecond tick
// goes through Clock::current(), so tests can drive timer drift, waits and
// date stamps with a fake clock.

#include <QDateTime>
#include <QElapsedTimer>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const;
    // A monotonic millisecond count, like the system tick count.
    virtual qint64 tickMs() const;

    static Clock& current();

private:
    friend class ScopedClock;
    static Clock* installed;
};

// Installs a clock for the lifetime of this object (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous;
};
