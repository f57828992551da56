// How the main window answers its graph windows: the save dialog with the
// program's folder and last file type, and the questions before a graph closes.

#include "app/UMain.h"

#include "app/Prompts.h"
#include "chart/PESGraph.h"
#include "files/SaveGraph.h"
#include "graph/UGraph.h"

#include <QMessageBox>

bool TfrmMain::saveGraph(PESGraph& chart)
{
    return SaveGraph(chart, DocumentFolder, SaveDialog1FilterIndex);
}

bool TfrmMain::graphMayClose(TfrmGraph& graph)
{
    const bool isDataLogger = &graph == DataLoggerGraph;
    // A running load parses into the DataLogger window and draws in it.
    if (isDataLogger && DataLoggerLoading())
        return false;
    if (DataSetsUnsaved && isDataLogger) {
        const auto answer = Prompts::current().confirm(QStringLiteral("Save DataLogger Data ?"),
                                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return false;
        // A save that was cancelled or failed keeps the window and its data.
        if (answer == QMessageBox::Yes && !SaveChild(&graph))
            return false;
        DataSetsUnsaved = false;
    }
    if (Session.RealTimeUnsaved() && graph.windowTitle() == QLatin1String(TfrmGraph::RealTimeCaption)) {
        const auto answer = Prompts::current().confirm(QStringLiteral("Save Real-Time Graph ?"),
                                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return false;
        // A save that was cancelled or failed keeps the window, its samples and
        // their recovery file.
        if (answer == QMessageBox::Yes && !saveGraph(*graph.PESGraph1))
            return false;
        Session.setRealTimeUnsaved(false);
    }
    return true;
}

void TfrmMain::graphClosing(TfrmGraph& graph)
{
    // Only the DataLogger window's closing ends its data sets: another graph
    // closing must not let them go later without the question.
    if (DataLoggerGraph == &graph) {
        DataSetsUnsaved = false;
        DataLoggerGraph = nullptr;
    }
}
