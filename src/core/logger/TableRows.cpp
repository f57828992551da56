#include "logger/TableRows.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

quint16 lengthOf(QByteArrayView field)
{
    return quint16(std::min<qsizetype>(field.size(), std::numeric_limits<quint16>::max()));
}

} // namespace

char* TableRows::reserve(qsizetype size, quint64& start)
{
    // A row never straddles two blocks; an oversized row gets a block of its own.
    if (usedInLast + size > BlockSize || blocks.empty()) {
        blocks.push_back(std::make_unique<char[]>(size_t(std::max(BlockSize, size))));
        usedInLast = 0;
    }
    start = (quint64(blocks.size() - 1) << 32) | quint64(usedInLast);
    char* at = blocks.back().get() + usedInLast;
    usedInLast += size;
    return at;
}

quint64 TableRows::store(const Fields& fields)
{
    std::array<quint16, FieldCount> lengths{};
    qsizetype size = HeaderSize;
    for (int f = 0; f < FieldCount; ++f) {
        lengths[size_t(f)] = lengthOf(fields[size_t(f)]);
        size += lengths[size_t(f)];
    }
    quint64 start = 0;
    char* out = reserve(size, start);
    std::memcpy(out, lengths.data(), HeaderSize);
    out += HeaderSize;
    for (int f = 0; f < FieldCount; ++f) {
        // An empty field's view may hold no pointer at all: copy nothing then.
        if (lengths[size_t(f)] > 0)
            std::memcpy(out, fields[size_t(f)].data(), lengths[size_t(f)]);
        out += lengths[size_t(f)];
    }
    return start;
}

void TableRows::append(const Fields& fields)
{
    starts.push_back(store(fields));
}

TableRows::Fields TableRows::views(const QStringList& fields, std::array<QByteArray, FieldCount>& utf8)
{
    Fields views;
    for (int f = 0; f < FieldCount && f < fields.size(); ++f) {
        utf8[size_t(f)] = fields[f].toUtf8();
        views[size_t(f)] = utf8[size_t(f)];
    }
    return views;
}

void TableRows::append(const QStringList& fields)
{
    std::array<QByteArray, FieldCount> utf8;
    append(views(fields, utf8));
}

void TableRows::replace(int row, const QStringList& fields)
{
    if (row < 0 || row >= count())
        return;
    std::array<QByteArray, FieldCount> utf8;
    starts[size_t(row)] = store(views(fields, utf8));
}

const char* TableRows::rowData(int row) const
{
    const quint64 start = starts[size_t(row)];
    return blocks[size_t(start >> 32)].get() + (start & 0xFFFFFFFFu);
}

QByteArrayView TableRows::bytes(int row, int f) const
{
    if (row < 0 || row >= count() || f < 0 || f >= FieldCount)
        return {};
    const char* data = rowData(row);
    std::array<quint16, FieldCount> lengths;
    std::memcpy(lengths.data(), data, HeaderSize);
    qsizetype offset = HeaderSize;
    for (int i = 0; i < f; ++i)
        offset += lengths[size_t(i)];
    return QByteArrayView(data + offset, lengths[size_t(f)]);
}

QStringList TableRows::fields(int row) const
{
    QStringList texts;
    for (int f = 0; f < FieldCount; ++f)
        texts << text(row, f);
    return texts;
}
