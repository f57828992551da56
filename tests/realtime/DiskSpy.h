#pragma once
// Stands in for the disk under the recovery files in this test program:
// every fdatasync() is recorded with the size its file had, and a test may
// make the syncs stall or fail, the writes into a folder fail as on a full
// disk, or another program remove a new file before its lock is taken.
// Unless a test arms it, the C library's own calls run.

#include <QString>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <vector>

namespace DiskSpy {

struct Sync {
    dev_t device;
    ino_t inode;   // which file
    off_t size;    // its size when the sync began: what the sync puts on the disk
};

// The largest size of the file at `path` that a sync has put on the disk; -1: none.
off_t syncedSize(const QString& path);

// Forgets the syncs so far; syncs and writes work again.
void reset();
std::vector<Sync> syncs();
// Waits until `count` syncs were asked for; false on a time-out.
bool waitForSyncs(size_t count, std::chrono::milliseconds timeout);
// Syncs fail with this errno (0: they work).
void failSyncsWith(int error);
// Syncs wait until release() or `limit`, as on a disk that stalls.
void stallSyncs(std::chrono::milliseconds limit);
void release();
// A sync is waiting in a stall now.
bool stalled();
// Writes into files under `folder` fail with `error` from now on.
void failWritesUnder(const QString& folder, int error);
// The next file locked with waiting (a run's new file) is removed just
// before, as by another program that looked for runs left behind at that
// moment and took the empty file for a dead one.
void removeBeforeNextWaitingLock();
// The file removed so.
QString removedBeforeLock();

} // namespace DiskSpy
