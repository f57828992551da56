#pragma once
// A clock that stands still until a test moves it. With `autoAdvanceMs` set,
// every read of the tick moves it on, so waits that poll the clock end.

#include "app/Clock.h"

class FakeClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0));
    qint64 tick = 1000;
    qint64 autoAdvanceMs = 0;

    QDateTime now() const override { return current; }
    qint64 tickMs() const override
    {
        auto* self = const_cast<FakeClock*>(this);
        self->tick += autoAdvanceMs;
        self->current = self->current.addMSecs(autoAdvanceMs);
        return tick;
    }
    void advance(qint64 ms)
    {
        tick += ms;
        current = current.addMSecs(ms);
    }
};
