#pragma once
// The point indices of one subset written since the plot was last filled.

#include <algorithm>
#include <limits>

struct PointRange {
    int first = std::numeric_limits<int>::max();
    int last = -1;

    void add(int point)
    {
        first = std::min(first, point);
        last = std::max(last, point);
    }
    bool empty() const { return last < first; }
};
