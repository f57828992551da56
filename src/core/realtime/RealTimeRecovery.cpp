#include "realtime/RealTimeRecovery.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace RealTimeRecovery {

namespace {

const QByteArray Magic = QByteArrayLiteral("TQ612 real-time recovery 1");
const QString Prefix = QStringLiteral("RealTimeRecovery");
const QString Suffix = QStringLiteral(".txt");

QByteArray number(double v, int precision)
{
    return QByteArray::number(v, 'g', precision);
}

} // namespace

QString folder(const QString& documentFolder)
{
    if (documentFolder.isEmpty())
        return {};
    return documentFolder + QStringLiteral("temp/");
}

QString legacyFileName(const QString& folder)
{
    return folder + Prefix + Suffix;
}

QString runFileName(const QString& folder, TDateTime start, qint64 processId, int copy)
{
    QString name = folder + Prefix + QLatin1Char('-')
        + DateTime::toQDateTime(start).toString(QStringLiteral("yyyyMMdd-HHmmss")) + QLatin1Char('-')
        + QString::number(processId);
    if (copy > 1)
        name += QLatin1Char('-') + QString::number(copy);
    return name + Suffix;
}

QStringList filesIn(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    const QDir dir(folder);
    QStringList paths;
    const QStringList patterns{Prefix + Suffix, Prefix + QStringLiteral("-*") + Suffix};
    for (const QString& name : dir.entryList(patterns, QDir::Files | QDir::CaseSensitive, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

QByteArray headerLines(TDateTime start, int points)
{
    return Magic + '\n' + "start " + number(start, 17) + " points " + QByteArray::number(points) + '\n';
}

QByteArray sampleLine(TDateTime time, const Readings& readings)
{
    QByteArray line = number(time, 17);
    for (float r : readings)
        line += ' ' + number(r, 9);
    return line + '\n';
}

std::optional<Run> read(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return read(file);
}

std::optional<Run> read(QIODevice& file)
{
    if (file.readLine().trimmed() != Magic)
        return std::nullopt;

    Run run;
    const QList<QByteArray> header = file.readLine().simplified().split(' ');
    if (header.size() != 4 || header[0] != "start" || header[2] != "points")
        return std::nullopt;
    bool okStart = false, okPoints = false;
    run.start = header[1].toDouble(&okStart);
    run.points = header[3].toInt(&okPoints);
    if (!okStart || !okPoints)
        return std::nullopt;

    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            break;   // the last line was cut short
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 5)
            break;
        Sample sample;
        bool ok = false;
        sample.time = fields[0].toDouble(&ok);
        for (int i = 0; ok && i < 4; ++i)
            sample.readings[i] = fields[i + 1].toFloat(&ok);
        if (!ok)
            break;
        run.samples.push_back(sample);
    }
    return run;
}

} // namespace RealTimeRecovery
