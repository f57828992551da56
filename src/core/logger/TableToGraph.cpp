#include "logger/TableToGraph.h"

#include "app/Regional.h"

namespace TableToGraph {

Point rowToPoint(const QStringList& cells)
{
    const auto cell = [&cells](int i) { return i < cells.size() ? cells[i] : QString(); };
    Point point;
    const auto x = Regional::parseDateTime(cell(0) + QLatin1Char(' ') + cell(1));
    if (!x)
        return point;
    point.x = *x;
    for (int c = 0; c < 4; ++c) {
        const QString text = cell(2 + c);
        if (text == QLatin1String("OL")) {
            point.y[c] = NoDataValue;
            continue;
        }
        const auto value = Regional::parseNumber(text);
        if (!value)
            break;
        point.y[c] = static_cast<float>(*value);
    }
    return point;
}

} // namespace TableToGraph
