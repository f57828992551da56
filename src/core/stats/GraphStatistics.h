#pragma once
// Highest, lowest and average value per channel of a graph, and the texts the
// statistics panel shows for them. Plain logic: the graph window and the
// real-time recorder feed it from the chart.

#include "app/DateTime.h"

#include <QString>
#include <array>
#include <cmath>
#include <optional>

namespace GraphStatistics {

inline constexpr int Channels = 4;
inline constexpr float OverRangeLimit = 3000.0f;

// Shown as "OL": above 3000, or not at least -3000 (a NaN included).
inline bool isOverRange(double v)
{
    return v > OverRangeLimit || !(v >= -OverRangeLimit);
}

// Counted in the average: strictly between -3000 and 3000.
inline bool countsInAverage(double v)
{
    return v > -OverRangeLimit && v < OverRangeLimit;
}

// The highest and lowest value of one channel with the time each was first reached.
struct Extremes {
    float max = -9999.0f;
    float min = 9999.0f;
    TDateTime maxTime = 0;
    TDateTime minTime = 0;

    struct Changed {
        bool max = false;
        bool min = false;
    };
    // Offers one value. A NaN is out of range: it becomes both the maximum
    // and the minimum and stays, so both fields read "OL".
    Changed offer(float v, TDateTime t)
    {
        Changed changed;
        if (v > max || (std::isnan(v) && !std::isnan(max))) {
            max = v;
            maxTime = t;
            changed.max = true;
        }
        if (!(v >= min) && !std::isnan(min)) {
            min = v;
            minTime = t;
            changed.min = true;
        }
        return changed;
    }
};

// Sum and count of the values that count in the average, summed as doubles
// so that 100,000 points still average to the displayed decimal.
struct Average {
    double sum = 0;
    int count = 0;

    void add(float v)
    {
        if (countsInAverage(v)) {
            sum += v;
            ++count;
        }
    }
    std::optional<double> value() const
    {
        if (count == 0)
            return std::nullopt;
        return sum / count;
    }
};

struct Result {
    TDateTime start = 0;      // X of the first point
    TDateTime end = 0;        // X of the last point
    int points = 0;
    int rateSeconds = 0;
    std::array<Extremes, Channels> extremes;
    std::array<Average, Channels> averages;
};

// The sampling rate in whole seconds: (end - start) / points in seconds,
// + 0.5, truncated. 0 when that is no finite positive number in the integer
// range (a graph without points, points out of time order, a damaged file).
int sampleRateSeconds(TDateTime start, TDateTime end, int points);

// Statistics over every point of `subsets` channels (at most four). `x(s, p)`
// gives the X of point p of subset s as a date-time, `y(s, p)` its Y.
template <typename XAt, typename YAt>
Result compute(int points, int subsets, XAt&& x, YAt&& y)
{
    Result r;
    r.points = points;
    if (points > 0 && subsets > 0) {
        r.start = x(0, 0);
        r.end = x(0, points - 1);
    }
    r.rateSeconds = sampleRateSeconds(r.start, r.end, points);
    const int channels = subsets < Channels ? subsets : Channels;
    // Channel by channel: each channel's result depends only on its own points in order.
    for (int s = 0; s < channels; ++s) {
        Extremes& extremes = r.extremes[s];
        Average& average = r.averages[s];
        for (int p = 0; p < points; ++p) {
            const float v = y(s, p);
            // Only a new extreme needs its time.
            if (v > extremes.max || !(v >= extremes.min))
                extremes.offer(v, x(s, p));
            average.add(v);
        }
    }
    return r;
}

// "OL", or the value with one decimal, "@" and its date and time.
QString extremeText(float value, TDateTime time);
// The average with `decimals` decimals, or "****" when no point counts.
QString averageText(const Average& average, int decimals);
// The rate boxes: minutes and seconds as two digits ("00".."60" in the boxes).
QString minutesText(int rateSeconds);
QString secondsText(int rateSeconds);
// One line of "Show MAX/MIN on Graph": "T1 MAX:<max>MIN:<min>AVG:<avg>".
QString annotationText(int channel, const QString& maxText, const QString& minText, const QString& avgText);

} // namespace GraphStatistics
