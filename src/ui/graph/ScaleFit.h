#pragma once
// "Fit to data" of the Y axis dialog: whole-degree MIN and MAX per channel
// that hold all of the channel's readings with a little room on each side.

#include "stats/GraphStatistics.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace ScaleFit {

struct Range {
    int min = 0;
    int max = 0;
    bool operator==(const Range&) const = default;
};

// [low, high] widened by a twentieth of its span on each side, at least one
// degree, and rounded outward to whole degrees.
inline Range around(double low, double high)
{
    const double margin = std::max(1.0, (high - low) / 20);
    return {int(std::floor(low - margin)), int(std::ceil(high + margin))};
}

// The range for the readings y(channel, point) of `channels` channels with
// `points` points each, together. Points without data (`noData`) and
// over-range readings ("OL") are left out: an open probe must not squash the
// real curve. Nothing when no reading counts.
template <typename YAt>
std::optional<Range> forChannels(int channels, int points, YAt&& y, double noData)
{
    double low = 0;
    double high = 0;
    bool any = false;
    for (int c = 0; c < channels; ++c) {
        for (int p = 0; p < points; ++p) {
            const double v = y(c, p);
            if (v == noData || GraphStatistics::isOverRange(v))
                continue;
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    return around(low, high);
}

// The range for the readings y(0) .. y(points - 1) of one channel.
template <typename YAt>
std::optional<Range> forReadings(int points, YAt&& y, double noData)
{
    return forChannels(1, points, [&](int, int p) { return y(p); }, noData);
}

} // namespace ScaleFit
