#include "files/GraphFile.h"

#include "app/Prompts.h"
#include "chart/PESGraph.h"

#include <QDir>

bool StoreGraphFile(PESGraph& chart, const QString& fileName)
{
    return StoreGraphState(chart.state(), fileName);
}

bool StoreGraphState(const ChartState& state, const QString& fileName)
{
    QString error;
    if (!GraphFile::writeBlock(fileName, state.serialize(), &error)) {
        Prompts::current().warning(QStringLiteral("Could not save the graph file %1:\n%2")
                                           .arg(QDir::toNativeSeparators(fileName), error));
        return false;
    }
    return true;
}

bool LoadGraphFile(PESGraph& chart, const QString& fileName)
{
    QString error;
    const std::optional<QByteArray> block = GraphFile::readBlock(fileName, &error);
    if (!block || !chart.loadState(*block, &error)) {
        Prompts::current().information(QStringLiteral("Could not read the graph file %1:\n%2")
                                           .arg(QDir::toNativeSeparators(fileName), error));
        return false;
    }
    return true;
}
