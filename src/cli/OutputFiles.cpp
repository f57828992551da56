#include "OutputFiles.h"

#include "Console.h"
#include "files/CheckedFileWriter.h"
#include "logger/DataSetModel.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace cli {

namespace {

// Makes `folder` and the folders above it that are missing, as mkdir -p does.
bool makeFolder(const QString& folder)
{
    std::error_code failure;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), failure);
    if (failure) {
        error(QStringLiteral("could not make the folder %1: %2")
                  .arg(folder, QString::fromLocal8Bit(failure.message().c_str())));
        return false;
    }
    return true;
}

} // namespace

bool textOutputFrom(const QString& csvFolder, const QString& txtFolder, TextOutput& output)
{
    if (!csvFolder.isEmpty() && !txtFolder.isEmpty()) {
        error(QStringLiteral("--csv and --txt exclude each other"));
        return false;
    }
    output.folder = csvFolder.isEmpty() ? txtFolder : csvFolder;
    output.separator = csvFolder.isEmpty() ? QLatin1Char('\t') : QLatin1Char(',');
    output.extension = csvFolder.isEmpty() ? QStringLiteral("txt") : QStringLiteral("csv");
    if (output.folder.isEmpty() || QFileInfo(output.folder).isDir())
        return true;
    if (QFileInfo::exists(output.folder)) {
        error(QStringLiteral("%1 is not a folder").arg(output.folder));
        return false;
    }
    return makeFolder(output.folder);
}

QString dataSetFileName(int k, const QString& extension)
{
    return QStringLiteral("set%1.%2").arg(k + 1, 2, 10, QLatin1Char('0')).arg(extension);
}

QByteArray csvHeading(const QString& unit)
{
    QStringList columns{QStringLiteral("Date"), QStringLiteral("Time")};
    for (int c = 1; c <= 4; ++c)
        columns << (unit.isEmpty() ? QStringLiteral("T%1").arg(c) : QStringLiteral("T%1 (%2)").arg(c).arg(unit));
    return columns.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

std::optional<int> writeTextFile(const QString& path, const TextExport::Points& points, const TextOutput& output,
                                 const QString& unit)
{
    const QByteArray lines = TextExport::lines(points, output.separator);
    const QByteArray heading = output.separator == QLatin1Char(',') ? csvHeading(unit) : QByteArray();
    QString reason;
    if (!CheckedFile::write(path, heading + lines, &reason)) {
        error(QStringLiteral("could not write %1: %2").arg(path, reason));
        return std::nullopt;
    }
    return int(lines.count("\r\n"));
}

bool writeDataSets(const DataSetModel& model, const TextOutput& output)
{
    const QDir folder(output.folder);
    for (int k = 0; k < model.dataSetCount(); ++k) {
        const QString path = folder.filePath(dataSetFileName(k, output.extension));
        const QString unit = model.isFahrenheit(k) ? QStringLiteral("°F") : QStringLiteral("°C");
        const std::optional<int> written = writeTextFile(path, TextExport::dataSetPoints(model, k), output, unit);
        if (!written)
            return false;
        note(QStringLiteral("wrote %1 (data set %2: %3 records in %4)").arg(path).arg(k + 1).arg(*written).arg(unit));
    }
    return true;
}

} // namespace cli
