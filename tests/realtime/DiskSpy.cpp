#include "DiskSpy.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <dlfcn.h>
#include <limits.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Shared by the test and the threads that write and sync.
struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<DiskSpy::Sync> syncs;
    int syncError = 0;
    bool stalling = false;
    std::chrono::milliseconds stallLimit{0};
    int waiting = 0;
    std::string failingFolder;
    int writeError = 0;
    bool removeBeforeLock = false;
    std::string removed;
};

State& state()
{
    static State s;
    return s;
}

// Written without the lock: every write of the process looks at it.
std::atomic<bool> writesArmed{false};

template <typename Function>
Function real(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

// The name of the file open as `fd`.
std::string pathOf(int fd)
{
    char path[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

// The errno a write to `fd` fails with, 0 when it goes through.
int writeFailure(int fd)
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    const std::string path = pathOf(fd);
    return !path.empty() && path.starts_with(s.failingFolder) ? s.writeError : 0;
}

} // namespace

// The program's calls land here, not in the C library.
extern "C" int fdatasync(int fd)
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    struct stat st {};
    ::fstat(fd, &st);
    s.syncs.push_back({st.st_dev, st.st_ino, st.st_size});
    s.changed.notify_all();
    if (s.stalling) {
        ++s.waiting;
        s.changed.wait_for(lock, s.stallLimit, [&] { return !s.stalling; });
        --s.waiting;
    }
    if (s.syncError != 0) {
        errno = s.syncError;
        return -1;
    }
    lock.unlock();
    static const auto sync = real<int (*)(int)>("fdatasync");
    return sync(fd);
}

extern "C" ssize_t write(int fd, const void* data, size_t size)
{
    if (writesArmed.load(std::memory_order_relaxed)) {
        if (const int error = writeFailure(fd)) {
            errno = error;
            return -1;
        }
    }
    static const auto writeThrough = real<ssize_t (*)(int, const void*, size_t)>("write");
    return writeThrough(fd, data, size);
}

extern "C" int flock(int fd, int operation)
{
    State& s = state();
    {
        const std::lock_guard lock(s.mutex);
        if (s.removeBeforeLock && !(operation & LOCK_NB)) {
            s.removeBeforeLock = false;
            s.removed = pathOf(fd);
            ::unlink(s.removed.c_str());
        }
    }
    static const auto lockThrough = real<int (*)(int, int)>("flock");
    return lockThrough(fd, operation);
}

namespace DiskSpy {

void reset()
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.syncs.clear();
    s.syncError = 0;
    s.stalling = false;
    s.writeError = 0;
    s.failingFolder.clear();
    s.removeBeforeLock = false;
    s.removed.clear();
    writesArmed = false;
    s.changed.notify_all();
}

std::vector<Sync> syncs()
{
    const std::lock_guard lock(state().mutex);
    return state().syncs;
}

off_t syncedSize(const QString& path)
{
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0)
        return -1;
    off_t synced = -1;
    for (const Sync& s : syncs()) {
        if (s.device == st.st_dev && s.inode == st.st_ino)
            synced = std::max(synced, s.size);
    }
    return synced;
}

bool waitForSyncs(size_t count, std::chrono::milliseconds timeout)
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, timeout, [&] { return s.syncs.size() >= count; });
}

void failSyncsWith(int error)
{
    const std::lock_guard lock(state().mutex);
    state().syncError = error;
}

void stallSyncs(std::chrono::milliseconds limit)
{
    const std::lock_guard lock(state().mutex);
    state().stalling = true;
    state().stallLimit = limit;
}

void release()
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.stalling = false;
    s.changed.notify_all();
}

bool stalled()
{
    const std::lock_guard lock(state().mutex);
    return state().waiting > 0;
}

void failWritesUnder(const QString& folder, int error)
{
    State& s = state();
    const std::lock_guard lock(s.mutex);
    // The folder as the system names it, symbolic links resolved.
    char resolved[PATH_MAX];
    const QByteArray name = folder.toLocal8Bit();
    s.failingFolder = ::realpath(name.constData(), resolved) ? std::string(resolved) : name.toStdString();
    s.writeError = error;
    writesArmed = true;
}

} // namespace DiskSpy

namespace DiskSpy {

void removeBeforeNextWaitingLock()
{
    const std::lock_guard lock(state().mutex);
    state().removeBeforeLock = true;
}

QString removedBeforeLock()
{
    const std::lock_guard lock(state().mutex);
    return QString::fromStdString(state().removed);
}

} // namespace DiskSpy
