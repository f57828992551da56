// The main window's Save and Open commands: what to save or open is chosen
// by the active child window and by the choice dialog.
#include "app/UMain.h"

#include "app/AppPaths.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "app/TimeSlice.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "files/OpenGraphFile.h"
#include "files/SaveAsText.h"
#include "files/TableTextReader.h"
#include "files/UOpenSave.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "logger/UList.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSignalBlocker>

namespace {

bool decimalComma()
{
    return Regional::decimalPoint() == QLatin1Char(',');
}

} // namespace

QString TfrmMain::dialogFolder() const
{
    return AppPaths::dialogFolder(DocumentFolder);
}

void TfrmMain::childActivated(QMdiSubWindow* window)
{
    if (!window || !btnOutputToGraph)
        return;
    // Only a table can be graphed; the other children (graphs, the panel) turn it off.
    btnOutputToGraph->setEnabled(qobject_cast<TfrmList*>(window->widget()) != nullptr);
}

void TfrmMain::Save1Click()
{
    SaveChild(activeChild());
}

bool TfrmMain::SaveChild(QWidget* child)
{
    if (auto* list = qobject_cast<TfrmList*>(child))
        return SaveGridAsText(*list, DocumentFolder);
    auto* graph = qobject_cast<TfrmGraph*>(child);
    if (!graph)
        return false;
    if (graph == DataLoggerGraph) {
        TfrmOpenSave choice(this);
        choice.setUpForSave();
        const int result = Prompts::current().exec(choice);
        if (result == TfrmOpenSave::OpenSets)
            return SaveCollection();
        if (result == TfrmOpenSave::OpenSingleSet)
            return saveGraph(*graph->PESGraph1);
        return false;
    }
    return saveGraph(*graph->PESGraph1);
}

void TfrmMain::Open1Click()
{
    TfrmOpenSave choice(this);
    choice.setUpForOpen(decimalComma());
    const int result = Prompts::current().exec(choice);
    if (result == TfrmOpenSave::OpenSets)
        OpenCollection();
    else if (result == TfrmOpenSave::OpenSingleSet)
        OpenSingleFile();
}

void TfrmMain::OpenSingleFile()
{
    FileDialogRequest request;
    request.directory = dialogFolder();
    request.filter = decimalComma()
        ? QStringLiteral("Graph file(*.ghf,only for TQ612)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT")
        : QStringLiteral("Graph file(*.ghf,only for TQ612)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"
                         "|EXCEL file format(*.CSV,seperated by comma)|*.CSV");
    request.defaultSuffix = QStringLiteral("ghf");
    const QString name = Prompts::current().openFileName(request);
    if (name.isEmpty())
        return;
    const QString ext = QFileInfo(name).suffix().toLower();
    if (ext == QLatin1String("ghf"))
        OpenGraphFile(name);
    else if (ext == QLatin1String("csv"))
        OpenTextFile(name, QLatin1Char(','));
    else if (ext == QLatin1String("txt"))
        OpenTextFile(name, QLatin1Char('\t'));
}

TfrmList* TfrmMain::OpenTextFile(const QString& path, QChar separator)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;  // as when the file was never chosen

    TableRows rows;
    bool cancelled = false;
    {
        const auto progress = TfrmScope::openDialog(this);
        progress->show();
        // The count shows and Cancel is served once per time slice; Cancel
        // stops before the next line and the rows read so far stay.
        TimeSlice slice;
        TableTextReader::read(file, separator, rows, [&](int k) {
            cancelled = progress->cancelled();
            if (cancelled)
                return false;
            if (slice.due()) {
                progress->setLinesRead(k);
                QApplication::processEvents();
            }
            return true;
        });
    }
    if (rows.isEmpty()) {
        // A note or a picture named .txt: say so rather than show an empty table.
        if (!cancelled)
            Prompts::current().information(
                QStringLiteral("%1 holds no data lines TQ612 can read.").arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    auto* list = new TfrmList(std::move(rows));
    list->setWindowTitle(path);
    QMdiSubWindow* frame = addChild(list);
    list->placeIn(*frame, *MdiArea);
    frame->show();
    return list;
}

TfrmGraph* TfrmMain::OpenGraphFile(const QString& path)
{
    return ::OpenGraphFile(*this, path);
}
