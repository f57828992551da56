#include "AdapterLine.h"

#include "DownloadServer.h"

#include <algorithm>
#include <cmath>

namespace metersim {

void AdapterLine::send(const QByteArray& out, double nowMs, bool paced, double delayMs,
                       const std::vector<SendPause>& pauses)
{
    double at = std::max(lineFreeMs, nowMs + delayMs);
    auto pause = pauses.begin();
    std::uniform_real_distribution<double> late(0, adapter.jitterMs);
    for (int i = 0; i < out.size(); ++i) {
        for (; pause != pauses.end() && pause->at <= i; ++pause) {
            if (pause->at == i)
                at += pause->ms;
        }
        if (paced)
            at += DownloadServer::ByteTimeMs;
        double arrives = at;
        if (adapter.jitterMs > 0)
            arrives = std::max(at + late(jitter), bytes.empty() ? 0.0 : bytes.back().arrivesMs);
        bytes.push_back({out.at(i), arrives});
    }
    lineFreeMs = at;
}

double AdapterLine::dueMs() const
{
    if (!adapter.active())
        return bytes.front().arrivesMs;
    // A full chunk goes at once; a partial one when the latency timer of its oldest byte runs out.
    const double timer = bytes.front().arrivesMs + adapter.latencyMs;
    if (bytes.size() >= std::size_t(adapter.chunk))
        return std::min(timer, bytes[std::size_t(adapter.chunk) - 1].arrivesMs);
    return timer;
}

QByteArray AdapterLine::take(double nowMs)
{
    QByteArray out;
    while (!bytes.empty() && dueMs() <= nowMs) {
        const std::size_t limit = adapter.active() ? std::size_t(adapter.chunk) : bytes.size();
        for (std::size_t n = 0; n < limit && !bytes.empty() && bytes.front().arrivesMs <= nowMs; ++n) {
            out.append(bytes.front().value);
            bytes.pop_front();
        }
    }
    return out;
}

int AdapterLine::msUntilDue(double nowMs) const
{
    if (bytes.empty())
        return -1;
    return std::max(0, int(std::ceil(dueMs() - nowMs)));
}

void AdapterLine::clear()
{
    bytes.clear();
}

} // namespace metersim
