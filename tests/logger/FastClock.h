#pragma once
// Program time that runs `factor` times faster than the wall clock. Against
// the unpaced simulated meter, which answers within a millisecond, the
// download's waits and time-outs keep their order while tests stay short.

#include "app/Clock.h"

#include <QElapsedTimer>

class FastClock : public Clock {
public:
    explicit FastClock(int factor) : factor(factor), base(QDateTime::currentDateTime()) { started.start(); }
    qint64 tickMs() const override { return started.elapsed() * factor; }
    QDateTime now() const override { return base.addMSecs(tickMs()); }

private:
    int factor;
    QDateTime base;
    QElapsedTimer started;
};
