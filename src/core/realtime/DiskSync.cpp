#include "realtime/DiskSync.h"

#include <cerrno>
#include <unistd.h>

DiskSync::DiskSync(int fileDescriptor, std::chrono::milliseconds gap)
    : fd(fileDescriptor)
    , minGap(gap)
    , thread([this](const std::stop_token& stop) { run(stop); })
{
}

// The thread is asked to stop and joined when it goes, before anything else.
DiskSync::~DiskSync() = default;

void DiskSync::written()
{
    {
        const std::lock_guard lock(mutex);
        ++writes;
    }
    changed.notify_all();
}

void DiskSync::abandon()
{
    {
        const std::lock_guard lock(mutex);
        abandoned = true;
    }
    changed.notify_all();
}

bool DiskSync::waitUntilOnDisk(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex);
    const std::uint64_t target = writes;
    return changed.wait_for(lock, timeout, [&] { return synced >= target; }) && error == 0;
}

int DiskSync::failure() const
{
    const std::lock_guard lock(mutex);
    return error;
}

void DiskSync::run(const std::stop_token& stop)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastSync = Clock::now() - minGap;
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, stop, [&] { return writes > synced || abandoned; });
        if (abandoned || writes == synced)
            break;   // stopping with nothing pending, or the file is going
        // Lines closer together than minGap wait for one sync together; an
        // ending run syncs at once.
        changed.wait_until(lock, stop, lastSync + minGap, [&] { return abandoned; });
        if (abandoned)
            break;
        const std::uint64_t target = writes;
        lastSync = Clock::now();   // one sync begins per gap, however long each lasts
        lock.unlock();
        const int result = ::fdatasync(fd);
        const int why = errno;
        lock.lock();
        synced = target;
        if (result != 0)
            error = why;
        changed.notify_all();
    }
    // Nobody waits in vain for what will not be synced now.
    synced = writes;
    changed.notify_all();
}
