#include "files/GraphFileBlock.h"

#include "files/CheckedFileWriter.h"

#include <QFile>
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
    char head[4];
    qToLittleEndian<quint32>(quint32(block.size()), head);
    CheckedFileWriter file(fileName);
    if (file.open() && file.write(QByteArrayView(head, 4)) && file.write(block) && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace GraphFile
