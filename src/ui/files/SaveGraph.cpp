#include "files/SaveGraph.h"

#include "app/AppPaths.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "app/SaveDialogType.h"
#include "files/GraphFile.h"
#include "files/SaveAsText.h"

#include <QFileInfo>

QString SaveGraphFilter(QChar decimalPoint)
{
    // With a decimal comma the values would clash with CSV's commas, so CSV is not offered.
    if (decimalPoint == QLatin1Char(','))
        return QStringLiteral("Graph file(*.ghf,only for TQ612)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT");
    return QStringLiteral("Graph file(*.ghf,only for TQ612)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                          "EXCEL file format(*.CSV,seperated by comma)|*.CSV");
}

bool SaveGraph(PESGraph& chart, const QString& documentFolder, int& lastFileType)
{
    FileDialogRequest request;
    request.directory = AppPaths::dialogFolder(documentFolder);
    request.filter = SaveGraphFilter(Regional::decimalPoint());
    // The dialog starts on the type chosen last time; a name typed without an
    // extension gets that type's.
    const QStringList extensions = SaveDialogType::filterExtensions(request.filter);
    const int lastType = lastFileType;
    request.filterIndex = lastType >= 1 && lastType <= extensions.size() ? lastType : 1;
    request.defaultSuffix = extensions.value(request.filterIndex - 1, QStringLiteral(".GHF")).mid(1);
    const QString fileName = Prompts::current().saveFileName(request);
    if (fileName.isEmpty())
        return false;
    lastFileType = request.filterIndex;

    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("ghf"))
        return StoreGraphFile(chart, fileName);
    if (ext == QLatin1String("txt"))
        return SaveGraphAsText(chart, fileName, QLatin1Char('\t'));
    if (ext == QLatin1String("csv"))  // also when the CSV type was not offered
        return SaveGraphAsText(chart, fileName, QLatin1Char(','));
    // Any other extension writes nothing.
    return false;
}
