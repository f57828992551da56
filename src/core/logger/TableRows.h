#pragma once
// The rows of a table window, kept compactly: the text of every row lies in
// large shared blocks (UTF-8, six fields each with its length in front), and
// one offset per row finds it. A million rows cost the bytes of their text
// plus twenty bytes each, with no object per cell.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <memory>
#include <vector>

class TableRows {
public:
    // Date, Time, T1, T2, T3, T4.
    static constexpr int FieldCount = 6;
    using Fields = std::array<QByteArrayView, FieldCount>;

    int count() const { return int(starts.size()); }
    bool isEmpty() const { return starts.empty(); }

    // Appends a row; fields left out are empty. A field longer than 65,535
    // bytes is cut there.
    void append(const Fields& fields);
    void append(const QStringList& fields);
    // Gives row `row` new fields (its old text stays unused in its block).
    void replace(int row, const QStringList& fields);

    // Field f (0..5) of row `row` (counted from 0), as stored.
    QByteArrayView bytes(int row, int f) const;
    QString text(int row, int f) const { return QString::fromUtf8(bytes(row, f)); }
    // The six fields of a row as text.
    QStringList fields(int row) const;

private:
    static constexpr qsizetype BlockSize = qsizetype(1) << 20;
    static constexpr qsizetype HeaderSize = FieldCount * 2;

    quint64 store(const Fields& fields);
    char* reserve(qsizetype size, quint64& start);
    static Fields views(const QStringList& fields, std::array<QByteArray, FieldCount>& utf8);
    const char* rowData(int row) const;

    std::vector<std::unique_ptr<char[]>> blocks;
    qsizetype usedInLast = BlockSize;  // the first row opens a block
    std::deque<quint64> starts;         // block index << 32 | offset in the block
};
