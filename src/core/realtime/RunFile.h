#pragma once
// One run's recovery file, held by this process: made for a new run and
// written sample by sample, or taken over from a run left behind. Its lock
// (flock) is held from create() or adopt() until keep(), discard() or the
// object's end; the system drops it with the process, however that ends.
// Only a held file is ever written or removed.

#include "realtime/DiskSync.h"
#include "realtime/RealTimeRecovery.h"

#include <QFile>
#include <QString>
#include <chrono>
#include <memory>

namespace RealTimeRecovery {

class RunFile {
public:
    // Samples closer together than `syncGap` reach the disk with one sync.
    explicit RunFile(std::chrono::milliseconds syncGap = std::chrono::seconds(1));
    // As keep(): a run that ends without a word leaves its file for the next start.
    ~RunFile();
    RunFile(const RunFile&) = delete;
    RunFile& operator=(const RunFile&) = delete;

    // A file of its own for a run in `folder`, with its header. False when it
    // can not be made (errorString() says why).
    bool create(const QString& folder, TDateTime start, int points);
    // Takes over the file of a run left behind, without writing to it. False
    // while another process holds it, or when it is gone.
    bool adopt(const QString& path);

    // Appends one sample; its line is on the disk within the sync gap.
    bool append(TDateTime time, const Readings& readings);
    bool isWriting() const { return data.isOpen(); }
    bool isHeld() const { return held; }
    // Writes nothing more (half a line may have gone out); the file stays held.
    void stopWriting();
    // The run ends and its file stays, synced, for the next start to offer.
    void keep();
    // The samples were saved or knowingly discarded: the file goes.
    void discard();
    // Waits until every line written is on the disk; false on a time-out or
    // when the disk refused them.
    bool waitUntilOnDisk(std::chrono::milliseconds timeout);

    // The file's name; after a failed create() the name it was to have.
    const QString& path() const { return name; }
    // Why the last create(), adopt() or append() failed.
    QString errorString() const { return error; }

private:
    bool takeLock(bool wait);
    bool writeLine(const QByteArray& line);
    void release();

    const std::chrono::milliseconds syncGap;
    QString name;
    QFile data;    // open for writing while this process writes the run
    QFile lock;    // holds the flock
    bool held = false;
    std::unique_ptr<DiskSync> sync;   // declared after `data`: gone before it closes
    QString error;
};

} // namespace RealTimeRecovery
