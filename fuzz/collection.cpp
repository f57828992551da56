// Opening a data set collection file: the file is read back from disk and
// parsed like a download's image.
#include "ImageChecks.h"
#include "logger/CollectionFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = folder->filePath(QStringLiteral("data.CH4"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    const CollectionFile::ReadResult read = CollectionFile::read(path);
    FUZZ_CHECK(read.error.isEmpty());
    FUZZ_CHECK(read.bytes == QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // The file records no meter model: both forms of negative readings apply.
    for (int model : {612, 618})
        parseAndCheckImage(read.bytes, model);
    return 0;
}
