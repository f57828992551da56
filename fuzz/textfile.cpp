// Reading a text or CSV file into a table, turning its rows into graph points
// and the range of rows the user types for saving them again.
#include "FuzzInput.h"
#include "files/TableTextReader.h"
#include "files/TextLines.h"
#include "logger/TableToGraph.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QChar separator = in.byte() % 2 ? QLatin1Char(',') : QLatin1Char('\t');
    QByteArray bytes = in.rest();
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    TableRows rows;
    TableTextReader::read(file, separator, rows);
    const int last = rows.count();
    for (int row = 0; row < last; ++row) {
        const QStringList fields = rows.fields(row);
        FUZZ_CHECK(fields.size() <= TableTextReader::FieldCount);
        for (const QString& field : fields)
            FUZZ_CHECK(field.size() <= TableTextReader::MaxLineLength);
        TableToGraph::rowToPoint(fields);
        // The first two fields as the bounds of a range of saved rows.
        if (const auto range = TextLines::chosenRange(fields.value(0), fields.value(1), last)) {
            FUZZ_CHECK(range->from >= 1);
            FUZZ_CHECK(range->to <= last);
        }
    }
    return 0;
}
