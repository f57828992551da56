#pragma once
// A download port with the simulated meter directly behind it: what the
// program writes goes to a DownloadServer, its answers wait in the input
// queue at once. Waiting moves the fake clock instead of real time.

#include "DownloadServer.h"
#include "logger/DownloadPort.h"
#include "support/FakeClock.h"

class FakeMeterPort : public DownloadPort {
public:
    FakeMeterPort(metersim::DownloadServer& meter, FakeClock& clock)
        : meter(meter)
        , clock(clock)
    {
    }

    int inputCount() override { return int(input.size()); }
    QByteArray read(int count) override
    {
        const QByteArray bytes = input.left(count);
        input.remove(0, count);
        return bytes;
    }
    void write(const QByteArray& bytes) override
    {
        written += bytes;
        input += held;
        held.clear();
        const QByteArray reply = meter.onBytes(bytes);
        if (meter.commandsSeen.size() - 1 == lateReplyTo)
            held = reply;  // comes only with the next command's answer
        else
            input += reply;
    }
    void clearInput() override
    {
        input.clear();
        ++clears;
        clearsAfterCommands << meter.commandsSeen.size();
    }
    void waitForInput(int wanted, int maxMs) override
    {
        if (inputCount() < wanted)
            clock.advance(maxMs);
    }

    metersim::DownloadServer& meter;
    FakeClock& clock;
    QByteArray input;
    QByteArray written;
    int clears = 0;
    qsizetype lateReplyTo = -1;  // index of the command whose answer comes late
    QByteArray held;
    QList<qsizetype> clearsAfterCommands;  // how many commands the meter had seen at each clear
};
