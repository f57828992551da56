#include "realtime/RealTimeRecovery.h"

#include <QDir>
#include <QFileInfo>

#include <sys/file.h>

namespace RealTimeRecovery {

namespace {

const QByteArray Magic = QByteArrayLiteral("TQ612 real-time recovery 1");

QByteArray number(double v, int precision)
{
    return QByteArray::number(v, 'g', precision);
}

// The lock lives on a file of its own beside the samples, so the samples'
// file opens exactly as any file the user may have put in its place.
QString lockFileName(const QString& path)
{
    return path + QStringLiteral(".lock");
}

// An exclusive lock on the open file, without waiting; the system releases
// it with the file's last descriptor, so a killed run leaves none behind.
bool lockExclusively(QFile& file)
{
    return ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
}

} // namespace

bool inUse(const QString& path)
{
    QFile lock(lockFileName(path));
    if (path.isEmpty() || !lock.open(QIODevice::ReadOnly))
        return false;
    return !lockExclusively(lock);
}

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
    // The file may be another run's, going on now: it is emptied only once locked.
    if (!claim()) {
        error = QStringLiteral("another run of TQ612 is recording into it");
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

bool Writer::claim()
{
    if (lock.isOpen())
        return true;
    lock.setFileName(lockFileName(name));
    // Where no lock file can be made, no other run can hold one either.
    if (!lock.open(QIODevice::ReadWrite) || lockExclusively(lock))
        return true;
    lock.close();
    return false;
}

void Writer::discard()
{
    // Removed while locked, so no other run takes it up in between; another
    // run's file is left alone.
    if (!name.isEmpty() && QFile::exists(name) && claim())
        QFile::remove(name);
    file.close();
    lock.close();
}

} // namespace RealTimeRecovery
