#pragma once
// Puts what was written to a file on the disk (fdatasync) from a thread of its
// own, so that a slow or stalled disk never holds up the sample that was just
// written, nor the window. Lines that come faster than `minGap` share one sync.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class DiskSync {
public:
    // `fd` stays open until this object is gone.
    DiskSync(int fd, std::chrono::milliseconds minGap);
    // Syncs what is still pending unless abandoned, and waits for it.
    ~DiskSync();
    DiskSync(const DiskSync&) = delete;
    DiskSync& operator=(const DiskSync&) = delete;

    // Something was written: it goes to the disk at the next sync.
    void written();
    // The file is going away: what is pending need not reach the disk.
    void abandon();
    // Waits until everything written so far is on the disk; false on a
    // time-out or when a sync failed.
    bool waitUntilOnDisk(std::chrono::milliseconds timeout);
    // The errno of the last sync that failed, 0 while every one worked.
    int failure() const;

private:
    void run(const std::stop_token& stop);

    const int fd;
    const std::chrono::milliseconds minGap;
    mutable std::mutex mutex;
    std::condition_variable_any changed;
    std::uint64_t writes = 0;     // written() calls so far
    std::uint64_t synced = 0;     // of those, how many are on the disk
    bool abandoned = false;
    int error = 0;
    std::jthread thread;          // last: it starts once the state above exists
};
