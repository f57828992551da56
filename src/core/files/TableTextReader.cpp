#include "files/TableTextReader.h"

#include <QIODevice>

namespace TableTextReader {

QStringList splitLine(const QString& line, QChar separator)
{
    QStringList fields;
    QStringView rest(line);
    while (fields.size() < FieldCount) {
        const qsizetype at = rest.indexOf(separator);
        if (at >= 0) {
            fields << rest.left(at).toString();
            rest = rest.mid(at + 1);
        } else if (!rest.isEmpty()) {
            fields << rest.toString();
            rest = {};
        } else {
            break;
        }
    }
    return fields;
}

QList<QStringList> read(QIODevice& in, QChar separator, const std::function<bool(int)>& keepGoing)
{
    QList<QStringList> rows;
    while (!in.atEnd()) {
        QString line = QString::fromUtf8(in.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const bool tooLong = line.size() > MaxLineLength;
        line.truncate(MaxLineLength);
        if (!line.contains(separator))
            break;
        if (keepGoing && !keepGoing(rows.size() + 1))
            break;
        rows << splitLine(line, separator);
        if (tooLong)
            break;
    }
    return rows;
}

} // namespace TableTextReader
