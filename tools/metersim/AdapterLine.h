#pragma once
// The way from the meter to the program as a USB serial adapter makes it.
//
// A byte leaves the meter when the line is free and, paced, takes its
// 9600-baud time on the line; the meter may pause before any byte. Without
// an adapter it reaches the program as soon as it has crossed the line, or,
// with timing jitter, up to `jitterMs` later, never before the byte ahead of
// it (a sender's, a hub's or a host's ordinary unevenness). With an adapter it gathers in the
// adapter, which hands bytes over in chunks of at most `chunk` bytes: a chunk
// goes once it is full, or `latencyMs` after its oldest byte came in (the
// adapter's latency timer). The meter may also answer late: an answer can
// start a given time after the command.
//
// Pure bookkeeping without I/O or threads: the owner tells the time and
// writes what take() hands over.

#include "DownloadServer.h"

#include <QByteArray>
#include <deque>
#include <random>
#include <vector>

namespace metersim {

struct AdapterModel {
    int chunk = 0;         // 0: no adapter, every byte on its own as it comes
    int latencyMs = 0;     // the adapter's latency timer
    double jitterMs = 0;   // each byte comes up to this much later than the line brings it
    bool active() const { return chunk > 0; }
};

class AdapterLine {
public:
    explicit AdapterLine(AdapterModel adapter = {}) : adapter(adapter) {}

    void setAdapter(AdapterModel model) { adapter = model; }
    const AdapterModel& model() const { return adapter; }

    // The meter starts sending `bytes` `delayMs` after `nowMs`, behind what is
    // still on its way; paced bytes take their line time each, and the meter
    // waits out each of `pauses` before the byte it names.
    void send(const QByteArray& bytes, double nowMs, bool paced, double delayMs = 0,
              const std::vector<SendPause>& pauses = {});
    // The bytes that reach the program by `nowMs`, in order.
    QByteArray take(double nowMs);
    // Milliseconds until take() has bytes again; -1 when nothing is on its way.
    int msUntilDue(double nowMs) const;
    bool empty() const { return bytes.empty(); }
    void clear();

private:
    struct Byte {
        char value;
        double arrivesMs;  // when it has crossed the line into the adapter
    };
    double dueMs() const;

    AdapterModel adapter;
    std::deque<Byte> bytes;
    double lineFreeMs = 0;  // when the line can take the meter's next byte
    std::minstd_rand jitter{612};
};

} // namespace metersim
