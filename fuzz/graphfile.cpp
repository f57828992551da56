// A graph file as it lies on disk: the length, the state block, and whatever
// a damaged file holds instead.
#include "ChartChecks.h"
#include "files/GraphFileBlock.h"

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
    const QString path = folder->filePath(QStringLiteral("graph.ghf"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    QString error;
    const std::optional<QByteArray> block = GraphFile::readBlock(path, &error);
    if (!block) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(block->size() + 4 <= qsizetype(size));
    if (const std::optional<ChartState> state = ChartState::deserialize(*block, &error))
        checkLoadedState(*state);
    else
        FUZZ_CHECK(!error.isEmpty());
    return 0;
}
