#include "logger/LineQuietLearner.h"

#include <algorithm>
#include <numeric>

namespace {
// The window that covers a gap, with room for the timer's own unevenness.
int withMargin(qint64 gapMs)
{
    return int(gapMs + gapMs / 2 + 4);
}
} // namespace

void LineQuietLearner::delivery(int bytes, qint64 gapMs)
{
    if (bytes <= 0 || gapMs > LongestAdapterGapMs)
        return;
    // A delivery that is no whole multiple of the ones before is a chunk cut
    // short by the adapter's timer.
    const int gcd = std::gcd(sizesGcd, bytes);
    if (gcd != sizesGcd)
        partialChunkGap = std::max(partialChunkGap, gapMs);
    sizesGcd = gcd;
    Deliveries& block = blocks[current];
    block.largestGap = std::max(block.largestGap, gapMs);
    block.sizesGcd = std::gcd(block.sizesGcd, bytes);
}

void LineQuietLearner::blockDone()
{
    blockSeen = true;
    current = (current + 1) % blocks.size();
    blocks[current] = {};  // the oldest block leaves the window
}

LineQuietLearner::Deliveries LineQuietLearner::latest() const
{
    Deliveries all;
    for (const Deliveries& block : blocks) {
        all.largestGap = std::max(all.largestGap, block.largestGap);
        all.sizesGcd = std::gcd(all.sizesGcd, block.sizesGcd);
    }
    return all;
}

int LineQuietLearner::quietMs() const
{
    const Deliveries recent = latest();
    const int margin = withMargin(recent.largestGap);
    // A longer gap than the safe window assumes can only make it longer.
    if (!learned())
        return std::max(SafeQuietMs, margin);
    if (recent.sizesGcd == 1)
        return std::max(LeastQuietMs, margin);
    // Only whole chunks lately: the partial chunk seen earlier tells the timer.
    return std::max({LeastQuietMs, margin, std::min(SafeQuietMs, withMargin(partialChunkGap))});
}
