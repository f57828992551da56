// A graph file as it lies on disk: the length, the state block, and whatever
// a damaged file holds instead.
#include "ChartChecks.h"
#include "FuzzFile.h"
#include "files/GraphFileBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = writeFuzzFile(QStringLiteral("graph.ghf"), data, size);
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
