// Graph statistics: extremes with the time of their first occurrence, the
// average of the values in range, the sampling rate and the text forms.
#include "app/Regional.h"
#include "stats/GraphStatistics.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <vector>

using namespace GraphStatistics;

namespace {

// 1 May 2026, 09:00:00 (a constant: no static initialisation order to depend on).
constexpr TDateTime Start = 46143.0 + 9.0 / 24;

// One channel's values, one second apart; the other three channels hold 20.0.
Result statisticsOf(const std::vector<float>& t1)
{
    const int n = int(t1.size());
    return compute(
        n, 4, [](int, int p) { return Start + p * DateTime::OneSecond; },
        [&](int s, int p) { return s == 0 ? t1[p] : 20.0f; });
}

QString dec(const char* text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), Regional::decimalPoint());
}

} // namespace

TEST(GraphStatistics, ExtremesAndAverages)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<float> values;
        bool maxOL, minOL;
        int maxAt, minAt;          // point index of the first occurrence (when not OL)
        float max, min;
        std::optional<double> average;
    };
    const Case cases[] = {
        {"first occurrence wins", {5, 9, 1, 9, 1, 3}, false, false, 1, 2, 9, 1, 28.0 / 6},
        {"every value out of range", {3000.5f, -3000.5f, 5000}, true, true, 0, 0, 0, 0, std::nullopt},
        {"no-data 9999 is a maximum", {21, 9999, 22}, true, false, 0, 0, 0, 21, 21.5},
        {"3000 is OL but out of the average", {3000, 10}, false, false, 0, 1, 3000, 10, 10.0},
        {"-3000 is in range for MIN, not in the average", {-3000, 10}, false, false, 1, 0, 10, -3000, 10.0},
        {"a NaN reads OL in both", {10, nan, 30, 5}, true, true, 0, 0, 0, 0, 15.0},
    };
    for (const Case& c : cases) {
        const Result r = statisticsOf(c.values);
        const Extremes& e = r.extremes[0];
        EXPECT_EQ(isOverRange(e.max), c.maxOL) << c.name;
        EXPECT_EQ(isOverRange(e.min), c.minOL) << c.name;
        if (!c.maxOL) {
            EXPECT_EQ(e.max, c.max) << c.name;
            EXPECT_DOUBLE_EQ(e.maxTime, Start + c.maxAt * DateTime::OneSecond) << c.name;
        }
        if (!c.minOL) {
            EXPECT_EQ(e.min, c.min) << c.name;
            EXPECT_DOUBLE_EQ(e.minTime, Start + c.minAt * DateTime::OneSecond) << c.name;
        }
        const auto avg = r.averages[0].value();
        ASSERT_EQ(avg.has_value(), c.average.has_value()) << c.name;
        if (avg)
            EXPECT_NEAR(*avg, *c.average, 1e-6) << c.name;
    }
}

TEST(GraphStatistics, SampleRate)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case { const char* name; double spanSeconds; int points; int rate; };
    const Case cases[] = {
        {"100 points one second apart", 99, 100, 1},
        {"100 points two seconds apart", 198, 100, 2},     // 1.98 + 0.5
        {"2000 points at 2 s", 3998, 2000, 2},
        {"one point", 0, 1, 0},
        {"no points", 0, 0, 0},
        {"infinite span", inf, 10, 0},
        {"NaN span", nan, 10, 0},
        {"beyond the integer range", 1e15, 1, 0},
        {"points out of time order", -100, 10, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sampleRateSeconds(Start, Start + c.spanSeconds * DateTime::OneSecond, c.points), c.rate) << c.name;
}

TEST(GraphStatistics, EmptyAndSinglePointGraphs)
{
    const Result none = statisticsOf({});
    EXPECT_EQ(none.rateSeconds, 0);
    EXPECT_EQ(averageText(none.averages[0], 1), QStringLiteral("****"));
    const Result one = statisticsOf({21.5f});
    EXPECT_EQ(one.rateSeconds, 0);
    EXPECT_EQ(one.extremes[0].max, 21.5f);
    EXPECT_EQ(one.extremes[0].min, 21.5f);
}

TEST(GraphStatistics, TextForms)
{
    const TDateTime t = Start + 5 * DateTime::OneSecond;
    EXPECT_EQ(extremeText(23.44f, t), dec("23.4") + QLatin1Char('@') + Regional::dateTimeText(t));
    EXPECT_EQ(extremeText(-10.0f, t), dec("-10.0") + QLatin1Char('@') + Regional::dateTimeText(t));
    EXPECT_EQ(extremeText(3000.1f, t), QStringLiteral("OL"));
    EXPECT_EQ(extremeText(-3000.1f, t), QStringLiteral("OL"));

    Average a;
    for (float v : {20.0f, 21.0f, 21.0f})
        a.add(v);
    EXPECT_EQ(averageText(a, 1), dec("20.7"));
    EXPECT_EQ(averageText(a, 3), dec("20.667"));
    EXPECT_EQ(averageText(Average{}, 3), QStringLiteral("****"));

    EXPECT_EQ(minutesText(125), QStringLiteral("02"));
    EXPECT_EQ(secondsText(125), QStringLiteral("05"));
    EXPECT_EQ(annotationText(2, "a", "b", "c"), QStringLiteral("T3 MAX:aMIN:bAVG:c"));
}

TEST(GraphStatistics, LongGraphsAverageToTheDecimal)
{
    // 100,000 values of 25.1 summed as single floats drift by more than 0.05.
    std::vector<float> values(100000, 25.1f);
    const Result r = statisticsOf(values);
    EXPECT_EQ(averageText(r.averages[0], 1), dec("25.1"));
    EXPECT_EQ(averageText(r.averages[0], 3), dec("25.100"));
}
