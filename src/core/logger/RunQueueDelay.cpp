#include "logger/RunQueueDelay.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

RunQueueDelay::RunQueueDelay()
    : fd(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC))
{
}

RunQueueDelay::~RunQueueDelay()
{
    if (fd >= 0)
        ::close(fd);
}

qint64 RunQueueDelay::ns() const
{
    if (fd < 0)
        return 0;
    // "<time on a processor> <time waiting for one> <time slices>", in nanoseconds.
    char text[96];
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    unsigned long long running = 0, waiting = 0;
    if (std::sscanf(text, "%llu %llu", &running, &waiting) != 2)
        return 0;
    return qint64(waiting);
}
