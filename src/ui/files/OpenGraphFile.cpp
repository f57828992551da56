#include "files/OpenGraphFile.h"

#include "app/Prompts.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "graph/UGraph.h"
#include "graph/UGraphStatistics.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

TfrmGraph* OpenGraphFile(TfrmMain& main, const QString& path)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    QString error;
    std::optional<ChartState> state;
    if (const std::optional<QByteArray> block = GraphFile::readBlock(fullPath, &error))
        state = ChartState::deserialize(*block, &error);
    if (!state) {
        Prompts::current().information(QStringLiteral("Could not read the graph file %1:\n%2")
                                           .arg(QDir::toNativeSeparators(fullPath), error));
        return nullptr;
    }

    auto* window = new TfrmGraph(main);
    window->setWindowTitle(QDir::toNativeSeparators(fullPath));
    PESGraph& chart = *window->PESGraph1;
    chart.setState(std::move(*state));
    QMdiSubWindow* frame = main.addChild(window);
    frame->move(0, 0);
    frame->resize(main.width(), std::max(100, main.MdiArea->height() - 40));

    ComputeGraphStatistics(*window);

    window->chkSplit->setChecked(chart.MultiAxesSubsets(1) != 0);
    chart.setAllowDataLabels(sgNoDataLabels);
    chart.PEactions(sgReinitAndReset);
    window->updateToolsForLayout();
    chart.setAllowGraphAnnotHotSpots(true);
    frame->show();
    return window;
}
