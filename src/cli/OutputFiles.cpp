#include "OutputFiles.h"

#include "Console.h"
#include "files/TextExport.h"
#include "logger/DataSetModel.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

bool textOutputFrom(const QString& csvFolder, const QString& txtFolder, TextOutput& output)
{
    if (!csvFolder.isEmpty() && !txtFolder.isEmpty()) {
        error(QStringLiteral("--csv and --txt exclude each other"));
        return false;
    }
    output.folder = csvFolder.isEmpty() ? txtFolder : csvFolder;
    output.separator = csvFolder.isEmpty() ? QLatin1Char('\t') : QLatin1Char(',');
    output.extension = csvFolder.isEmpty() ? QStringLiteral("txt") : QStringLiteral("csv");
    if (!output.folder.isEmpty() && !QFileInfo(output.folder).isDir()) {
        error(QStringLiteral("there is no folder %1").arg(output.folder));
        return false;
    }
    return true;
}

QString dataSetFileName(int k, const QString& extension)
{
    return QStringLiteral("set%1.%2").arg(k + 1, 2, 10, QLatin1Char('0')).arg(extension);
}

bool writeDataSets(const DataSetModel& model, const TextOutput& output)
{
    const QDir folder(output.folder);
    for (int k = 0; k < model.dataSetCount(); ++k) {
        const QString path = folder.filePath(dataSetFileName(k, output.extension));
        QString reason;
        if (!TextExport::writeFile(path, TextExport::dataSetPoints(model, k), output.separator, &reason)) {
            error(QStringLiteral("could not write %1: %2").arg(path, reason));
            return false;
        }
    }
    return true;
}

} // namespace cli
