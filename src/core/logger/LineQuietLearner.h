#pragma once
// How long the line must stay quiet behind a block before nothing of it can
// still be on its way. A USB serial adapter hands bytes over in chunks and
// holds a partial chunk back until its latency timer runs out, so the quiet
// needed depends on the adapter. It is learned from the deliveries the
// download sees: the largest gap between two deliveries of one sending shows
// how long this line holds bytes back.
//
// A gap only tells the truth once the adapter has been seen to flush a
// partial chunk on its timer: while every delivery is a whole multiple of one
// size, a short tail could still be held for a timer never seen. Until then,
// and before the first whole block, the safe window stays.

#include <QtGlobal>

class LineQuietLearner {
public:
    // Longer than any adapter's usual latency timer (up to about 40 ms).
    static constexpr int SafeQuietMs = 60;
    // Enough for a line that delivers every byte as it comes.
    static constexpr int LeastQuietMs = 8;
    // A longer gap inside a sending is a stalled meter, not an adapter's timer.
    static constexpr int LongestAdapterGapMs = 100;

    // `bytes` arrived `gapMs` after the previous delivery of the same sending.
    void delivery(int bytes, qint64 gapMs);
    // A block arrived whole.
    void blockDone() { blockSeen = true; }

    int quietMs() const;
    // True once the deliveries have shown how this line holds bytes back.
    bool learned() const { return blockSeen && sizesGcd == 1; }

private:
    qint64 largestGap = 0;
    int sizesGcd = 0;  // 0 until a delivery inside a sending was seen
    bool blockSeen = false;
};
