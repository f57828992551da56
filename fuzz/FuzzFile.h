#pragma once
// For the fuzz targets that read a file from disk: the fuzzer's bytes written
// to a file of a folder that lasts the whole run.

#include "FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

// Writes `data` to the file `name` and returns its path.
inline QString writeFuzzFile(const QString& name, const std::uint8_t* data, std::size_t size)
{
    static const QTemporaryDir folder;
    const QString path = folder.filePath(name);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    return path;
}
