// Reading and writing the bytes of a graph file, apart from any chart, so that
// the loader can be driven on its own.
#include "files/GraphFile.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace GraphFile {

std::optional<QByteArray> readBlock(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    char head[4];
    if (file.read(head, 4) != 4) {
        *error = QStringLiteral("the file is too short to be a graph file");
        return std::nullopt;
    }
    const quint32 length = qFromLittleEndian<quint32>(head);
    const qint64 remaining = file.size() - 4;
    if (qint64(length) > remaining) {
        *error = QStringLiteral("the file ends before its %1 bytes of graph data (only %2 present)")
                     .arg(length).arg(remaining);
        return std::nullopt;
    }
    QByteArray block = file.read(length);
    if (block.size() != qsizetype(length)) {
        *error = file.errorString();
        return std::nullopt;
    }
    return block;
}

bool writeBlock(const QString& fileName, const QByteArray& block, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    char head[4];
    qToLittleEndian<quint32>(quint32(block.size()), head);
    if (file.write(head, 4) != 4 || file.write(block) != block.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace GraphFile
