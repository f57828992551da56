#include "logger/LineQuietLearner.h"

#include <algorithm>
#include <numeric>

void LineQuietLearner::delivery(int bytes, qint64 gapMs)
{
    if (bytes <= 0 || gapMs > LongestAdapterGapMs)
        return;
    largestGap = std::max(largestGap, gapMs);
    sizesGcd = std::gcd(sizesGcd, bytes);
}

int LineQuietLearner::quietMs() const
{
    const int margin = int(largestGap + largestGap / 2 + 4);
    // A longer gap than the safe window assumes can only make it longer.
    if (!learned())
        return std::max(SafeQuietMs, margin);
    return std::max(LeastQuietMs, margin);
}
