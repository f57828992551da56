#pragma once
// A download port with the simulated meter directly behind it: what the
// program writes goes to a DownloadServer, its answers wait in the input
// queue as soon as a command could cross a real line and be answered.
// Waiting moves the fake clock instead of real time.

#include "DownloadServer.h"
#include "QueuedDownloadPort.h"
#include "support/FakeClock.h"

class FakeMeterPort : public QueuedDownloadPort {
public:
    FakeMeterPort(metersim::DownloadServer& meter, FakeClock& clock)
        : meter(meter)
        , clock(clock)
    {
    }

    // The command and the first byte of the answer at 9600 baud.
    static constexpr int AnswerAfterMs = 12;

    void deliverDue() override
    {
        if (!answer.isEmpty() && clock.tick >= answerDue) {
            input += answer;
            answer.clear();
        }
    }
    void write(const QByteArray& bytes) override
    {
        written += bytes;
        inputCount();
        QByteArray reply = held;
        held.clear();
        const QByteArray meterReply = meter.onBytes(bytes);
        if (meter.commandsSeen.size() - 1 == lateReplyTo)
            held = meterReply;  // comes only with the next command's answer
        else
            reply += meterReply;
        if (!reply.isEmpty()) {
            answer += reply;
            answerDue = clock.tick + AnswerAfterMs;
        }
    }
    void clearInput() override
    {
        inputCount();
        input.clear();
        ++clears;
        clearsAfterCommands << meter.commandsSeen.size();
    }
    void waitForInput(int wanted, int maxMs) override
    {
        if (inputCount() >= wanted)
            return;
        const bool answerComing = !answer.isEmpty() && answerDue - clock.tick < maxMs;
        clock.advance(answerComing ? std::max<qint64>(answerDue - clock.tick, 1) : maxMs);
        inputCount();
    }

    metersim::DownloadServer& meter;
    FakeClock& clock;
    QByteArray written;
    int clears = 0;
    qsizetype lateReplyTo = -1;  // index of the command whose answer comes late
    QByteArray held;
    QByteArray answer;  // on its way until answerDue
    qint64 answerDue = 0;
    QList<qsizetype> clearsAfterCommands;  // how many commands the meter had seen at each clear
};
