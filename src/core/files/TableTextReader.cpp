#include "files/TableTextReader.h"

#include <QIODevice>
#include <array>
#include <utility>

namespace TableTextReader {

namespace {

// A UTF-8 character takes at most four bytes, so this many bytes always hold
// more than MaxLineLength characters; with room for CR LF.
constexpr qsizetype MaxLineBytes = 4 * (MaxLineLength + 1) + 2;

// One line as held in memory: its first MaxLineLength characters at most,
// without the line end.
struct BoundedLine {
    std::array<char, MaxLineBytes + 1> bytes;  // + the terminating zero readLine adds
    qsizetype size = 0;
    bool cut = false;  // the line was longer and its rest was left unread
    QByteArray shortened;  // the cut line, when it had to be re-encoded

    QByteArrayView text() const { return cut ? QByteArrayView(shortened) : QByteArrayView(bytes.data(), size); }
};

// Reads the next line; false at the end of the input.
bool readLine(QIODevice& in, BoundedLine& line)
{
    if (in.atEnd())
        return false;
    const qint64 n = in.readLine(line.bytes.data(), qint64(line.bytes.size()));
    if (n <= 0)
        return false;
    const bool complete = line.bytes[size_t(n - 1)] == '\n' || in.atEnd();
    qsizetype size = qsizetype(n);
    while (size > 0 && (line.bytes[size_t(size - 1)] == '\n' || line.bytes[size_t(size - 1)] == '\r'))
        --size;
    line.size = size;
    line.cut = !complete;
    // Few bytes are few characters; otherwise count them as text.
    if (line.cut || size > MaxLineLength) {
        QString text = QString::fromUtf8(line.bytes.data(), size);
        if (text.size() > MaxLineLength) {
            line.cut = true;
            text.truncate(MaxLineLength);
        }
        if (line.cut)
            line.shortened = text.toUtf8();
    }
    return true;
}

// tq612-cli's CSV files begin with a heading ("Date,Time,T1 (°C),..."); it
// names the columns the table already names, so it is not a row.
bool isHeading(const TableRows::Fields& fields)
{
    return fields[0] == QByteArrayView("Date") && fields[1] == QByteArrayView("Time");
}

} // namespace

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

std::optional<TableRows::Fields> lineFields(QByteArrayView line, char separator)
{
    if (!line.contains(separator))
        return std::nullopt;
    TableRows::Fields fields;
    QByteArrayView rest = line;
    for (int i = 0; i < FieldCount && !rest.isEmpty(); ++i) {
        const qsizetype at = rest.indexOf(separator);
        if (at < 0) {
            fields[size_t(i)] = rest;
            break;
        }
        fields[size_t(i)] = rest.first(at);
        rest = rest.sliced(at + 1);
    }
    return fields;
}

void read(QIODevice& in, QChar separator, TableRows& rows, const std::function<bool(int)>& keepGoing)
{
    const char sep = separator.toLatin1();
    BoundedLine line;
    int k = 0;
    bool first = true;
    while (readLine(in, line)) {
        const auto fields = lineFields(line.text(), sep);
        if (!fields)
            break;
        if (std::exchange(first, false) && isHeading(*fields) && !line.cut)
            continue;
        if (keepGoing && !keepGoing(k + 1))
            break;
        ++k;
        rows.append(*fields);
        if (line.cut)
            break;
    }
}

} // namespace TableTextReader
