#include "realtime/RealTimeRecovery.h"

#include <QDir>
#include <QFileInfo>

namespace RealTimeRecovery {

namespace {

const QByteArray Magic = QByteArrayLiteral("TQ612 real-time recovery 1");

QByteArray number(double v, int precision)
{
    return QByteArray::number(v, 'g', precision);
}

} // namespace

QString fileName(const QString& documentFolder)
{
    if (documentFolder.isEmpty())
        return {};
    return documentFolder + QStringLiteral("temp/RealTimeRecovery.txt");
}

std::optional<Run> read(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
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

Writer::Writer(QString fileName)
    : name(std::move(fileName))
{
}

bool Writer::begin(TDateTime start, int points)
{
    file.close();
    error.clear();
    if (name.isEmpty()) {
        error = QStringLiteral("no documents folder");
        return false;
    }
    if (!QDir().mkpath(QFileInfo(name).absolutePath())) {
        error = QStringLiteral("the folder can not be created");
        return false;
    }
    file.setFileName(name);
    // Unbuffered: every line goes straight to the operating system.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    return writeLine(Magic + '\n')
        && writeLine("start " + number(start, 17) + " points " + QByteArray::number(points) + '\n');
}

bool Writer::append(TDateTime time, const Readings& readings)
{
    if (!file.isOpen())
        return false;
    QByteArray line = number(time, 17);
    for (float r : readings)
        line += ' ' + number(r, 9);
    line += '\n';
    return writeLine(line);
}

bool Writer::writeLine(const QByteArray& line)
{
    if (file.write(line) == line.size())
        return true;
    error = file.errorString();
    return false;
}

void Writer::discard()
{
    file.close();
    if (!name.isEmpty())
        QFile::remove(name);
}

} // namespace RealTimeRecovery
