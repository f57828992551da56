#pragma once
// The download port `Comm2` as the download sees it: a polled byte queue on a
// TComPort without a receive handler. Port failures, which Comm2Error turns
// into silent aborts, end the download as PortAborted.

#include "logger/DownloadPort.h"

class TComPort;

class ComDownloadPort : public DownloadPort {
public:
    explicit ComDownloadPort(TComPort& port) : port(port) {}

    int inputCount() override;
    QByteArray read(int count) override;
    void write(const QByteArray& bytes) override;
    void clearInput() override;
    void waitForInput(int wanted, int maxMs) override;

private:
    TComPort& port;
};
