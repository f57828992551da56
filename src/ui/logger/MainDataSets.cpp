// The main window's data set commands: parsing a memory image into the model,
// the scratch file, and the data set collection file.
#include "app/UMain.h"

#include "app/Prompts.h"
#include "graph/UGraph.h"
#include "logger/CollectionFile.h"
#include "logger/LoadResult.h"

#include <QFile>
#include <QFileInfo>

int TfrmMain::ParseImage()
{
    const int code = DataSets.ParseImage(MeterModel);
    if (code == LoadResult::Success)
        FillDataSetsGrid();
    return code;
}

bool TfrmMain::WriteScratchFile(int count)
{
    const auto error = DataSets.WriteScratchFile(count, DocumentFolder);
    if (!error)
        return true;
    // An older scratch file belongs to other data sets: a later Save must not copy it.
    QFile::remove(DataSetModel::scratchFilePath(DocumentFolder));
    Prompts::current().warning(*error);
    return false;
}

int TfrmMain::KeepGoodDataSets()
{
    const QByteArray kept = DataSets.imageBeforeBadDataSet();
    if (kept.isEmpty())
        return LoadResult::DataError;
    DataSets.RawImage = kept;
    DataSets.ImageLength = static_cast<int>(kept.size());
    int code = ParseImage();
    if (code == LoadResult::Success) {
        if (WriteScratchFile(DataSets.ImageLength))
            DrawDataSet(0);
        else
            code = LoadResult::ScratchFileError;
    }
    DataSets.RawImage.clear();
    return code;
}

bool TfrmMain::SaveCollection()
{
    FileDialogRequest request;
    request.directory = dialogFolder();
    request.filter = CollectionFile::SaveFilter;
    request.defaultSuffix = CollectionFile::DefaultExtension;
    const QString name = Prompts::current().saveFileName(request);
    if (name.isEmpty())
        return false;
    const QString scratch = DataSetModel::scratchFilePath(DocumentFolder);
    const auto result = CollectionFile::copyScratchFile(scratch, name);
    if (result.outcome == CollectionFile::CopyResult::Failed) {
        // The data sets are still only in the scratch file: keep them marked unsaved.
        Prompts::current().warning(QStringLiteral("Can not save the data sets to ") + result.error);
        return false;
    }
    if (result.outcome == CollectionFile::CopyResult::NoScratchFile) {
        // Nothing was written, so nothing counts as saved: the close question still comes.
        Prompts::current().warning(QStringLiteral("Can not save the data sets: the downloaded data (") + scratch
                                   + QStringLiteral(") is gone"));
        return false;
    }
    DataSetsUnsaved = false;
    nameDataLoggerWindow(name);
    return true;
}

void TfrmMain::nameDataLoggerWindow(const QString& collectionFile)
{
    // The window says which collection it shows; a fresh download names none.
    if (!DataLoggerGraph)
        return;
    const QString caption = QString::fromLatin1(TfrmGraph::DataLoggerCaption);
    DataLoggerGraph->setWindowTitle(collectionFile.isEmpty()
                                        ? caption
                                        : caption + QStringLiteral(" - ") + QFileInfo(collectionFile).fileName());
}

void TfrmMain::OpenCollection()
{
    ShowDataLoggerGraph();
    FileDialogRequest request;
    request.directory = dialogFolder();
    request.filter = CollectionFile::OpenFilter;
    request.defaultSuffix = CollectionFile::DefaultExtension;
    const QString name = Prompts::current().openFileName(request);
    if (name.isEmpty())
        return;
    OpenCollectionFile(name);
}

bool TfrmMain::OpenCollectionFile(const QString& path)
{
    const auto file = CollectionFile::read(path);
    if (!file.error.isEmpty()) {
        Prompts::current().information(QStringLiteral("Can not open ") + file.error);
        return false;
    }
    DataSets.RawImage = file.bytes;
    const bool parsed = !file.bytes.isEmpty() && ParseImage() == LoadResult::Success;
    if (parsed) {
        WriteScratchFile(static_cast<int>(file.bytes.size()));
        DrawDataSet(0);
        nameDataLoggerWindow(path);
    } else
        Prompts::current().information(path + QStringLiteral(" is not a valid data set collection file."));
    DataSets.RawImage.clear();
    return parsed;
}
