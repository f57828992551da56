// tq612-cli convert: a saved collection file (one text file per data set) or
// graph file (one text file) into the text or CSV form File > Save writes,
// each file it wrote named on stderr.
#include "Commands.h"
#include "Console.h"
#include "OutputFiles.h"

#include "app/Settings.h"
#include "chart/ChartState.h"
#include "files/GraphFileBlock.h"
#include "files/TextExport.h"
#include "logger/CollectionFile.h"
#include "logger/DataSetModel.h"
#include "logger/LoadResult.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

namespace {

// The file records no meter model: negative readings are read in the form
// of the meter last connected, as the program does without a meter.
int meterModelForFiles()
{
    return AppSettings::load().LastConnectedModel == 612 ? 612 : 618;
}

int convertCollection(const QString& path, const TextOutput& output)
{
    const CollectionFile::ReadResult file = CollectionFile::read(path);
    if (!file.error.isEmpty()) {
        error(file.error);
        return Usage;
    }
    DataSetModel model;
    model.RawImage = file.bytes;
    const int code = model.ParseImage(meterModelForFiles());
    if (code != LoadResult::Success) {
        error(QStringLiteral("%1 holds no readable data sets (code %2)").arg(path).arg(code));
        return Usage;
    }
    return writeDataSets(model, output) ? Done : Usage;
}

int convertGraph(const QString& path, const TextOutput& output)
{
    QString reason;
    const std::optional<QByteArray> block = GraphFile::readBlock(path, &reason);
    const std::optional<ChartState> chart = block ? ChartState::deserialize(*block, &reason) : std::nullopt;
    if (!chart) {
        error(QStringLiteral("could not read the graph file %1: %2").arg(path, reason));
        return Usage;
    }
    const QString target =
        QDir(output.folder).filePath(QFileInfo(path).completeBaseName() + QLatin1Char('.') + output.extension);
    // A graph keeps no unit: its readings are in whichever the meter showed.
    const std::optional<int> written = writeTextFile(target, TextExport::chartPoints(*chart), output, {});
    if (!written)
        return Usage;
    note(QStringLiteral("wrote %1 (%2 points; the graph file records no unit)").arg(target).arg(*written));
    return Done;
}

} // namespace

int runConvert(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        error(QStringLiteral("convert takes one file: tq612-cli convert FILE.ch4|FILE.ghf --csv DIR|--txt DIR"));
        return Usage;
    }
    TextOutput output;
    if (!textOutputFrom(parser.value(QStringLiteral("csv")), parser.value(QStringLiteral("txt")), output))
        return Usage;
    if (output.folder.isEmpty()) {
        error(QStringLiteral("give --csv DIR or --txt DIR"));
        return Usage;
    }
    const QString path = positional[1];
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("ch4"))
        return convertCollection(path, output);
    if (extension == QLatin1String("ghf"))
        return convertGraph(path, output);
    error(QStringLiteral("%1 is neither a collection file (.ch4) nor a graph file (.ghf)").arg(path));
    return Usage;
}

} // namespace cli
