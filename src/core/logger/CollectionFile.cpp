#include "logger/CollectionFile.h"

#include "files/CheckedFileWriter.h"

#include <QFile>

namespace CollectionFile {

CopyResult copyScratchFile(const QString& scratchPath, const QString& target)
{
    QFile scratch(scratchPath);
    if (!scratch.exists())
        return {CopyResult::NoScratchFile, {}};
    const auto failed = [&target](const QString& reason) {
        return CopyResult{CopyResult::Failed, target + QStringLiteral(": ") + reason};
    };
    if (!scratch.open(QIODevice::ReadOnly))
        return failed(scratch.errorString());
    const QByteArray bytes = scratch.readAll();
    if (scratch.error() != QFileDevice::NoError)
        return failed(scratch.errorString());

    QString reason;
    if (!CheckedFile::write(target, bytes, &reason))
        return failed(reason);
    return {CopyResult::Copied, {}};
}

ReadResult read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, path + QStringLiteral(": ") + file.errorString()};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{}, path + QStringLiteral(": ") + file.errorString()};
    return {bytes, {}};
}

} // namespace CollectionFile
