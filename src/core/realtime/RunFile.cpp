#include "realtime/RunFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <sys/file.h>
#include <sys/stat.h>

namespace RealTimeRecovery {

namespace {

// The file of the versions before one file per run was locked through a
// file of its own beside it; a run's own file is locked itself.
bool isLegacy(const QString& path)
{
    return QFileInfo(path).fileName() == QFileInfo(legacyFileName(QString())).fileName();
}

QString lockFileName(const QString& path)
{
    return isLegacy(path) ? path + QStringLiteral(".lock") : path;
}

bool sameFile(const QFile& a, const QFile& b)
{
    struct stat sa {}, sb {};
    return ::fstat(a.handle(), &sa) == 0 && ::fstat(b.handle(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

// The open file still has a name: nobody removed it since it was opened.
bool stillNamed(const QFile& file)
{
    struct stat st {};
    return ::fstat(file.handle(), &st) == 0 && st.st_nlink > 0;
}

} // namespace

RunFile::RunFile(std::chrono::milliseconds gap)
    : syncGap(gap)
{
}

RunFile::~RunFile()
{
    keep();
}

bool RunFile::takeLock(bool wait)
{
    return ::flock(lock.handle(), LOCK_EX | (wait ? 0 : LOCK_NB)) == 0;
}

bool RunFile::create(const QString& folder, TDateTime start, int points)
{
    release();
    error.clear();
    if (folder.isEmpty()) {
        error = QStringLiteral("no documents folder");
        return false;
    }
    if (!QDir().mkpath(folder)) {
        name = runFileName(folder, start, QCoreApplication::applicationPid(), 1);
        error = QStringLiteral("the folder can not be created");
        return false;
    }
    // A name nobody has: made new, never opened over another run's file.
    constexpr int Copies = 1000;
    for (int copy = 1; copy <= Copies && !held; ++copy) {
        name = runFileName(folder, start, QCoreApplication::applicationPid(), copy);
        data.setFileName(name);
        if (!data.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            if (QFileInfo::exists(name))
                continue;   // taken: the next copy
            error = data.errorString();
            return false;
        }
        // Another program looking for left-over runs may have found the file
        // empty before it was locked, and removed it: then it takes the next name.
        // Such a look lasts a moment, so waiting for its lock is short.
        lock.setFileName(name);
        held = lock.open(QIODevice::ReadOnly) && takeLock(true) && stillNamed(lock) && sameFile(data, lock);
        if (!held) {
            data.close();
            lock.close();
        }
    }
    if (!held) {
        error = QStringLiteral("no free file name");
        return false;
    }
    sync = std::make_unique<DiskSync>(data.handle(), syncGap);
    return writeLine(headerLines(start, points));
}

bool RunFile::adopt(const QString& path)
{
    release();
    error.clear();
    name = path;
    lock.setFileName(lockFileName(path));
    if (isLegacy(path)) {
        // Where no lock file can be made, no other run can hold one either.
        held = !lock.open(QIODevice::ReadWrite) || takeLock(false);
    } else {
        held = lock.open(QIODevice::ReadOnly) && takeLock(false) && stillNamed(lock);
    }
    if (held && !QFileInfo::exists(path))
        held = false;
    if (!held) {
        lock.close();
        error = QStringLiteral("another run of TQ612 is recording into it");
    }
    return held;
}

bool RunFile::append(TDateTime time, const Readings& readings)
{
    if (!data.isOpen())
        return false;
    if (const int why = sync->failure()) {
        error = QStringLiteral("the disk did not take the samples: %1").arg(QString::fromLocal8Bit(std::strerror(why)));
        return false;
    }
    return writeLine(sampleLine(time, readings));
}

bool RunFile::writeLine(const QByteArray& line)
{
    if (data.write(line) != line.size()) {
        error = data.errorString();
        return false;
    }
    sync->written();
    return true;
}

void RunFile::stopWriting()
{
    sync.reset();   // what was written still goes to the disk
    data.close();
}

bool RunFile::waitUntilOnDisk(std::chrono::milliseconds timeout)
{
    return !sync || sync->waitUntilOnDisk(timeout);
}

void RunFile::keep()
{
    stopWriting();
    release();
}

void RunFile::discard()
{
    if (sync)
        sync->abandon();
    sync.reset();
    data.close();
    // Removed while still locked, so that no other run takes it up in between.
    if (held)
        QFile::remove(name);
    release();
}

void RunFile::release()
{
    sync.reset();
    data.close();
    lock.close();
    held = false;
}

} // namespace RealTimeRecovery
