#include "chart/DetailLevels.h"

#include <cmath>

namespace {

// Points of a level below that make one run of the next.
constexpr int RunLength = 8;
// No level smaller than this: a few thousand points draw at once.
constexpr int SmallestLevel = 2000;

} // namespace

QSharedPointer<QCPGraphDataContainer> DetailLevels::reduce(const QCPGraphDataContainer& source, int run)
{
    QVector<QCPGraphData> out;
    out.reserve(source.size() / run * 2 + 16);
    auto begin = source.constBegin();
    const auto end = source.constEnd();
    while (begin != end) {
        if (std::isnan(begin->value)) {
            out.append(*begin);  // a gap stays where it is
            ++begin;
            continue;
        }
        auto low = begin;
        auto high = begin;
        auto it = begin;
        for (int n = 0; n < run && it != end && !std::isnan(it->value); ++n, ++it) {
            if (it->value < low->value)
                low = it;
            if (it->value > high->value)
                high = it;
        }
        if (low == high) {
            out.append(*low);
        } else if (low < high) {
            out.append(*low);
            out.append(*high);
        } else {
            out.append(*high);
            out.append(*low);
        }
        begin = it;
    }
    auto level = QSharedPointer<QCPGraphDataContainer>::create();
    level->set(out, true);
    return level;
}

void DetailLevels::build(const QCPGraphDataContainer& full)
{
    const QCPGraphDataContainer* below = &full;
    while (below->size() > SmallestLevel * RunLength / 2) {
        Level level;
        level.data = reduce(*below, RunLength);
        level.pointsPerRun = 2.0 * full.size() / std::max(1, level.data->size());
        below = level.data.data();
        levels.push_back(std::move(level));
    }
}

QSharedPointer<QCPGraphDataContainer> DetailLevels::forView(const QSharedPointer<QCPGraphDataContainer>& full,
                                                            const QCPRange& visible, int pixels)
{
    if (full->size() < MinPointsForLevels || pixels <= 0)
        return full;
    const double shown = double(full->findEnd(visible.upper) - full->findBegin(visible.lower));
    const double perColumn = shown / pixels;
    if (perColumn < 2 * RunLength)
        return full;
    if (levels.empty())
        build(*full);
    QSharedPointer<QCPGraphDataContainer> chosen = full;
    for (const Level& level : levels) {
        // At least two runs in every column keep each column's extremes.
        if (2 * level.pointsPerRun > perColumn)
            break;
        chosen = level.data;
    }
    return chosen;
}
