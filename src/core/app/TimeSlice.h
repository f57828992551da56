#pragma once
// Lets a long loop on the main thread serve the window system now and then,
// not after every step: due() turns true once per period of the clock seam's
// tick, so progress shows and Cancel answers without a repaint per step.

#include "app/Clock.h"

class TimeSlice {
public:
    static constexpr qint64 DefaultPeriodMs = 50;

    explicit TimeSlice(qint64 periodMs = DefaultPeriodMs)
        : period(periodMs)
        , next(Clock::current().tickMs() + periodMs)
    {
    }

    bool due()
    {
        const qint64 now = Clock::current().tickMs();
        if (now < next)
            return false;
        next = now + period;
        return true;
    }

private:
    qint64 period;
    qint64 next;
};
