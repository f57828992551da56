// Large lines drawn from coarser levels: every pixel column keeps its lowest
// and highest point, and gaps stay gaps.
#include "chart/DetailLevels.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {

constexpr int Points = 300000;
constexpr double Gap = 150000.5;

QSharedPointer<QCPGraphDataContainer> bigLine()
{
    QVector<QCPGraphData> data;
    for (int i = 0; i < Points; ++i) {
        double y = 20 + 10 * std::sin(i * 1e-3) + (i % 13) * 0.1;
        if (i == 123457)
            y = 500;  // one spike
        if (i == 200003)
            y = -300;  // one dip
        data.append(QCPGraphData(i, y));
        if (i == 150000)
            data.append(QCPGraphData(Gap, std::numeric_limits<double>::quiet_NaN()));
    }
    auto line = QSharedPointer<QCPGraphDataContainer>::create();
    line->set(data, true);
    return line;
}

// Lowest and highest value of `line` with keys in [from, to).
std::pair<double, double> extremes(const QCPGraphDataContainer& line, double from, double to)
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (auto it = line.findBegin(from, false); it != line.constEnd() && it->key < to; ++it) {
        if (std::isnan(it->value))
            continue;
        lo = std::min(lo, it->value);
        hi = std::max(hi, it->value);
    }
    return {lo, hi};
}

bool hasGapAt(const QCPGraphDataContainer& line, double key)
{
    for (auto it = line.constBegin(); it != line.constEnd(); ++it)
        if (it->key == key)
            return std::isnan(it->value);
    return false;
}

} // namespace

TEST(DetailLevels, ColumnsKeepTheirExtremesAndGaps)
{
    const auto full = bigLine();
    DetailLevels levels;
    struct Case { const char* what; QCPRange visible; int pixels; bool reduced; };
    const Case cases[] = {
        {"whole line over 1000 columns", QCPRange(0, Points), 1000, true},
        {"whole line over 300 columns", QCPRange(0, Points), 300, true},
        {"a third of the line over 1000 columns", QCPRange(100000, 200000), 1000, true},
        {"zoomed in to 5000 points", QCPRange(120000, 125000), 1000, false},
    };
    for (const Case& c : cases) {
        const auto drawn = levels.forView(full, c.visible, c.pixels);
        EXPECT_EQ(drawn != full, c.reduced) << c.what;
        EXPECT_LT(drawn->size(), c.reduced ? full->size() / 4 : full->size() + 1) << c.what;
        EXPECT_TRUE(hasGapAt(*drawn, Gap)) << c.what;
        // Every pixel column of the visible span: the same lowest and highest point.
        const double width = c.visible.size() / c.pixels;
        for (int px = 0; px < c.pixels; ++px) {
            const double from = c.visible.lower + px * width;
            // A run may straddle a column's edge: its extremes may be drawn in
            // the next column, never farther, and nothing is made up.
            const auto want = extremes(*full, from, from + width);
            const auto got = extremes(*drawn, from - width, from + 2 * width);
            EXPECT_LE(got.first, want.first) << c.what << " column " << px;
            EXPECT_GE(got.second, want.second) << c.what << " column " << px;
            const auto wider = extremes(*full, from - width, from + 2 * width);
            EXPECT_GE(got.first, wider.first) << c.what << " column " << px;
            EXPECT_LE(got.second, wider.second) << c.what << " column " << px;
        }
    }
}

TEST(DetailLevels, SmallLinesAreDrawnWhole)
{
    auto line = QSharedPointer<QCPGraphDataContainer>::create();
    QVector<QCPGraphData> data;
    for (int i = 0; i < DetailLevels::MinPointsForLevels - 1; ++i)
        data.append(QCPGraphData(i, i % 17));
    line->set(data, true);
    DetailLevels levels;
    EXPECT_EQ(levels.forView(line, QCPRange(0, data.size()), 100), line);
}
