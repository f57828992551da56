// Opening a data set collection file: the file is read back from disk and
// parsed like a download's image.
#include "FuzzFile.h"
#include "ImageChecks.h"
#include "logger/CollectionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = writeFuzzFile(QStringLiteral("data.CH4"), data, size);
    const CollectionFile::ReadResult read = CollectionFile::read(path);
    FUZZ_CHECK(read.error.isEmpty());
    FUZZ_CHECK(read.bytes == QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // The file records no meter model: both forms of negative readings apply.
    for (int model : {612, 618})
        parseAndCheckImage(read.bytes, model);
    return 0;
}
