#pragma once

#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

// The one way the program writes a file: all of it or nothing.
//
// The new contents go to a temporary file beside the target. Only when every
// byte was written, flushed and synced to the disk does it take the target's
// place; on any failure (a full disk, a file size limit, a folder that can
// not be written) the old file stays as it was and nothing partial is left.
// A failed write() of Qt's own save file can otherwise still be committed,
// replacing a good file with a short one. A writer that is abandoned (the
// user cancelled) or destroyed before its commit leaves the target alone too.
class CheckedFileWriter {
public:
    explicit CheckedFileWriter(const QString& fileName);

    bool open();
    // False once anything failed; later writes do nothing.
    bool write(QByteArrayView bytes);
    // Flushes, syncs and puts the file in place; false when it did not happen.
    bool commit();
    // Drops what was written: the target keeps its old contents (or stays
    // absent) and the temporary file goes. Later writes and commit fail.
    void abandon();

    bool failed() const { return !failure.isEmpty(); }
    // The system's reason for the failure.
    QString errorString() const { return failure; }

private:
    bool fail(const QString& reason);
    QString systemReason() const;

    QSaveFile file;
    QString failure;
};

namespace CheckedFile {

// Writes `bytes` as the whole file; on failure *error holds the system's reason.
bool write(const QString& fileName, QByteArrayView bytes, QString* error);

}  // namespace CheckedFile
