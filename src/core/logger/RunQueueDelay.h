#pragma once
// How long the calling thread has waited, ready to run, for a processor: the
// scheduler's own count (Linux's per-thread schedstat). A busy machine can
// keep a woken thread waiting for tens of milliseconds; a time stamp taken
// after such a wait is late by that much. Where the count is not kept it
// stays 0.

#include <QtGlobal>

class RunQueueDelay {
public:
    RunQueueDelay();
    ~RunQueueDelay();
    RunQueueDelay(const RunQueueDelay&) = delete;
    RunQueueDelay& operator=(const RunQueueDelay&) = delete;

    // Nanoseconds waited for a processor since the thread began.
    qint64 ns() const;

private:
    int fd = -1;
};
