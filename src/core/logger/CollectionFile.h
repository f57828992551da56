#pragma once
// The data set collection file (.CH4): a memory image of the meter's logger,
// byte for byte. Saving copies the scratch file of the last load or open.

#include <QByteArray>
#include <QString>

namespace CollectionFile {

inline const QString SaveFilter = QStringLiteral("Data Set Collection file(*.ch4,only for TQ612)|*.CH4");
inline const QString OpenFilter = QStringLiteral("Data Sets Collection (*.CH4)|*.CH4");
inline const QString DefaultExtension = QStringLiteral("CH4");

struct CopyResult {
    enum Outcome { Copied, NoScratchFile, Failed };
    Outcome outcome = Copied;
    QString error;  // for Failed: the target's path and the reason
};

// Copies the scratch file to `target`. An existing target is replaced only
// once the copy is complete, so a failed copy leaves it as it was.
CopyResult copyScratchFile(const QString& scratchPath, const QString& target);

struct ReadResult {
    QByteArray bytes;
    QString error;  // the path and the reason when the file cannot be read
};
ReadResult read(const QString& path);

} // namespace CollectionFile
