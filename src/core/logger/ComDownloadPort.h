#pragma once
// The download port `Comm2` as the download sees it: a polled byte queue on a
// TComPort without a receive handler. Port failures, which Comm2Error turns
// into silent aborts, end the download as PortAborted.
//
// Received bytes are moved out of the port into a queue of our own as they
// are counted, so that waiting for input sleeps until the next byte arrives
// instead of waking at once for bytes already there.

#include "logger/DownloadPort.h"
#include "logger/RunQueueDelay.h"

class TComPort;

class ComDownloadPort : public DownloadPort {
public:
    explicit ComDownloadPort(TComPort& port) : port(port) {}

    int inputCount() override;
    QByteArray read(int count) override;
    void write(const QByteArray& bytes) override;
    void clearInput() override;
    void waitForInput(int wanted, int maxMs) override;
    bool arrivalTimed() const override { return timed; }
    qint64 wakeUpDelayNs() const override { return wakeUpDelay; }

private:
    // Moves what the port has received into `arrived`.
    void takeArrived();

    TComPort& port;
    QByteArray arrived;
    RunQueueDelay runQueueDelay;
    bool timed = false;
    qint64 wakeUpDelay = 0;
};
