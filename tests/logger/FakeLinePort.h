#pragma once
// A download port with the simulated meter behind a line that takes its time,
// on the fake clock: the command crosses the 9600-baud line before the meter
// has it, the answer comes back byte by byte at that pace (or all at once,
// unpaced), with the meter's own pauses and, with an adapter model, in chunks
// on its latency timer. Waiting moves the clock to the next delivery, so a
// whole download runs in a moment and its program time can be read off the
// clock.
//
// A busy machine can be played too: the program's wake-up after a chosen
// delivery comes late, kept waiting for a processor, and the port tells how
// long, as the system's run-queue count does for the real one.

#include "AdapterLine.h"
#include "DownloadServer.h"
#include "QueuedDownloadPort.h"
#include "support/FakeClock.h"

#include <algorithm>
#include <map>

class FakeLinePort : public QueuedDownloadPort {
public:
    FakeLinePort(metersim::DownloadServer& meter, FakeClock& clock, metersim::AdapterModel adapter, bool paced)
        : meter(meter)
        , clock(clock)
        , line(adapter)
        , paced(paced)
    {
    }

    void deliverDue() override
    {
        const QByteArray bytes = line.take(double(clock.tick));
        input += bytes;
        answerBytes += int(bytes.size());
    }
    void write(const QByteArray& bytes) override
    {
        const char letter = bytes.size() > 1 ? bytes.at(1) : '\0';
        sent << Sent{letter, clock.tick};
        ++commandsSent[letter];
        lastCommand = letter;
        inputCount();
        answerBytes = 0;
        const QByteArray reply = meter.onBytes(bytes);
        if (!reply.isEmpty()) {
            const double heardAfter = double(bytes.size()) * metersim::DownloadServer::ByteTimeMs;
            line.send(reply, double(clock.tick), paced, heardAfter + meter.answerDelayMs(), meter.answerPauses());
        }
    }
    void clearInput() override
    {
        inputCount();
        input.clear();
    }
    void waitForInput(int wanted, int maxMs) override
    {
        timed = false;
        wakeUpDelay = 0;
        if (inputCount() >= wanted)
            return;  // it came before the wait: when is not known
        const qint64 end = clock.tick + std::max(maxMs, 1);
        while (inputCount() < wanted && clock.tick < end) {
            const int due = line.msUntilDue(double(clock.tick));
            clock.advance(std::clamp<qint64>(due < 0 ? end - clock.tick : due, 1, end - clock.tick));
        }
        timed = int(input.size()) >= wanted;
        if (timed)
            wakeLateIfPlanned();
    }
    bool arrivalTimed() const override { return timed; }
    qint64 wakeUpDelayNs() const override { return wakeUpDelay; }

    struct Sent {
        char letter;
        qint64 atMs;
    };
    QList<Sent> sent;

    // The program wakes `ms` late, kept off the processor, once the answer
    // to the `nth` command `letter` (counted from 1) has brought `bytes` bytes.
    struct LateWake {
        char letter;
        int nth;
        int bytes;
        int ms;
    };
    std::vector<LateWake> lateWakes;

private:
    void wakeLateIfPlanned()
    {
        for (auto w = lateWakes.begin(); w != lateWakes.end(); ++w) {
            if (w->letter == lastCommand && commandsSent[w->letter] == w->nth && answerBytes >= w->bytes) {
                clock.advance(w->ms);
                wakeUpDelay = qint64(w->ms) * 1'000'000;
                lateWakes.erase(w);
                return;
            }
        }
    }

    metersim::DownloadServer& meter;
    FakeClock& clock;
    metersim::AdapterLine line;
    const bool paced;
    bool timed = false;
    qint64 wakeUpDelay = 0;
    char lastCommand = '\0';
    std::map<char, int> commandsSent;
    int answerBytes = 0;  // delivered since the latest command
};
