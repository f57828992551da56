#include "files/TextLines.h"

#include "app/Regional.h"

#include <cstdlib>
#include <limits>
#include <utility>

namespace TextLines {

QString valueField(float y)
{
    if (y > 2500.0f || y < -328.0f)
        return QStringLiteral("OL");
    return Regional::fixed(y, 1);
}

QString graphLine(TDateTime x, const std::array<float, 4>& y, QChar separator)
{
    QString line = Regional::dateText(x) + separator + Regional::timeText(x);
    for (float v : y)
        line += separator + valueField(v);
    return line;
}

QString tableLine(const QStringList& cells, QChar separator)
{
    QString line;
    for (const QString& cell : cells)
        line += cell + separator;
    return line;
}

QChar tableSeparatorFor(const QString& fileName)
{
    return fileName.right(3).compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? QLatin1Char(',')
                                                                                       : QLatin1Char('\t');
}

std::optional<Range> chosenRange(const QString& from, const QString& to, int last)
{
    bool okFrom = false;
    bool okTo = false;
    const int a = from.trimmed().toInt(&okFrom);
    const int b = to.trimmed().toInt(&okTo);
    // The lowest int has no positive counterpart: it is no valid bound either.
    if (!okFrom || !okTo || a == std::numeric_limits<int>::min() || b == std::numeric_limits<int>::min())
        return std::nullopt;
    Range r{std::abs(a), std::abs(b)};
    if (r.to < r.from)
        std::swap(r.from, r.to);
    if (r.to > last)
        r.to = last;
    if (r.from == 0)
        r.from = 1;
    return r;
}

} // namespace TextLines
