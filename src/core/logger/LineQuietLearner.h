#pragma once
// How long the line must stay quiet behind a block before nothing of it can
// still be on its way. A USB serial adapter hands bytes over in chunks and
// holds a partial chunk back until its latency timer runs out, so the quiet
// needed depends on the adapter. It is learned from the deliveries of the
// latest blocks: the largest gap between two deliveries of one sending shows
// how long this line holds bytes back.
//
// An adapter holds bytes back alike in every sending, so its gaps stay in
// view; a sender that stalls now and then (a meter's firmware, a busy USB
// hub) leaves the window after a few blocks instead of slowing the rest of
// the download. A stall inside a block only delays its read: it could matter
// only right behind the 65th byte of a block read out of step, a moment no
// window short of the longest stall could guard.
//
// A gap only tells the truth once the adapter has been seen to flush a
// partial chunk on its timer: while every delivery is a whole multiple of one
// size, a short tail could still be held for a timer never seen, and the
// safe window stays. The sizes are judged over the latest blocks too. An
// adapter whose chunks fit a block exactly shows its timer only in a sending
// of odd length (the first, or one behind a stray byte): the gap of that
// partial chunk is kept for the whole download, as long as it asks for no
// more than the safe window (a pause of the meter may have stretched it).

#include <QtGlobal>

#include <array>
#include <cstddef>

class LineQuietLearner {
public:
    // Longer than any adapter's usual latency timer (up to about 40 ms).
    static constexpr int SafeQuietMs = 60;
    // Enough for a line that delivers every byte as it comes.
    static constexpr int LeastQuietMs = 8;
    // A longer gap inside a sending is a stalled meter, not an adapter's timer.
    static constexpr int LongestAdapterGapMs = 100;
    // The window is learned from the deliveries of this many latest blocks:
    // enough that a timer firing at any moment of a block shows its whole
    // length in one of them, few enough that a stall slows sixteen blocks at most.
    static constexpr int RecentBlocks = 16;

    // `bytes` arrived `gapMs` after the previous delivery of the same sending.
    void delivery(int bytes, qint64 gapMs);
    // A block arrived whole.
    void blockDone();

    int quietMs() const;
    // True once the deliveries have shown how this line holds bytes back.
    bool learned() const { return blockSeen && sizesGcd == 1; }
    // The largest gap of the latest blocks, for the log.
    qint64 largestGapMs() const { return latest().largestGap; }

private:
    // What the deliveries during one block showed.
    struct Deliveries {
        qint64 largestGap = 0;
        int sizesGcd = 0;  // 0 until a delivery inside a sending was seen
    };
    Deliveries latest() const;

    // The latest whole blocks and the one on its way, round robin.
    std::array<Deliveries, RecentBlocks + 1> blocks{};
    std::size_t current = 0;
    int sizesGcd = 0;            // of every delivery so far
    qint64 partialChunkGap = 0;  // of the deliveries that brought it down
    bool blockSeen = false;
};
