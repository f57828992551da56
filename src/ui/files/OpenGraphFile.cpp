#include "files/OpenGraphFile.h"

#include "app/Prompts.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "graph/UGraph.h"
#include "graph/UGraphStatistics.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

TfrmGraph* OpenGraphFile(GraphHost& host, const QString& path)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    QString error;
    std::optional<ChartState> state;
    if (const std::optional<QByteArray> block = GraphFile::readBlock(fullPath, &error))
        state = ChartState::deserialize(*block, &error);
    if (!state) {
        // A file that opens but holds no graph state (a length beyond its end,
        // a foreign or damaged block) is named for what it is first.
        const QString shown = QDir::toNativeSeparators(fullPath);
        if (QFileInfo(fullPath).isReadable())
            Prompts::current().information(QStringLiteral("%1 is not a TQ612 graph file.\n%2").arg(shown, error));
        else
            Prompts::current().information(QStringLiteral("Could not read the graph file %1:\n%2").arg(shown, error));
        return nullptr;
    }

    auto* window = new TfrmGraph(host);
    window->setWindowTitle(QDir::toNativeSeparators(fullPath));
    PESGraph& chart = *window->PESGraph1;
    chart.setState(std::move(*state));
    QMdiSubWindow* frame = host.addChild(window);
    const QMdiArea* area = frame->mdiArea();
    frame->move(0, 0);
    frame->resize(area->width(), std::max(100, area->height() - 40));

    ComputeGraphStatistics(*window);

    chart.setAllowDataLabels(sgNoDataLabels);
    chart.PEactions(sgReinitAndReset);
    window->updateToolsForLayout();
    chart.setAllowGraphAnnotHotSpots(true);
    frame->show();
    return window;
}
