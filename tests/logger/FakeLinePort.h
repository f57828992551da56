#pragma once
// A download port with the simulated meter behind a line that takes its time,
// on the fake clock: the command crosses the 9600-baud line before the meter
// has it, the answer comes back byte by byte at that pace (or all at once,
// unpaced) and, with an adapter model, in chunks on its latency timer.
// Waiting moves the clock to the next delivery, so a whole download runs in
// a moment and its program time can be read off the clock.

#include "AdapterLine.h"
#include "DownloadServer.h"
#include "QueuedDownloadPort.h"
#include "support/FakeClock.h"

#include <algorithm>

class FakeLinePort : public QueuedDownloadPort {
public:
    FakeLinePort(metersim::DownloadServer& meter, FakeClock& clock, metersim::AdapterModel adapter, bool paced)
        : meter(meter)
        , clock(clock)
        , line(adapter)
        , paced(paced)
    {
    }

    void deliverDue() override { input += line.take(double(clock.tick)); }
    void write(const QByteArray& bytes) override
    {
        sent << Sent{bytes.size() > 1 ? bytes.at(1) : '\0', clock.tick};
        const QByteArray reply = meter.onBytes(bytes);
        if (!reply.isEmpty()) {
            const double heardAfter = double(bytes.size()) * metersim::DownloadServer::ByteTimeMs;
            line.send(reply, double(clock.tick), paced, heardAfter + meter.answerDelayMs());
        }
    }
    void clearInput() override
    {
        inputCount();
        input.clear();
    }
    void waitForInput(int wanted, int maxMs) override
    {
        const qint64 end = clock.tick + std::max(maxMs, 1);
        while (inputCount() < wanted && clock.tick < end) {
            const int due = line.msUntilDue(double(clock.tick));
            clock.advance(std::clamp<qint64>(due < 0 ? end - clock.tick : due, 1, end - clock.tick));
        }
    }

    struct Sent {
        char letter;
        qint64 atMs;
    };
    QList<Sent> sent;

private:
    metersim::DownloadServer& meter;
    FakeClock& clock;
    metersim::AdapterLine line;
    const bool paced;
};
