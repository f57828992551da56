#pragma once
// The Load command's view of the live link: its connection state and busy
// marks, MainTimer, and the two ports. The download talks on `Comm2`, opened
// on `Comm1`'s device without a receive handler (MeterLink set it up for
// 9600 8N1, DTR off, RTS on, with Comm2Error making port errors silent
// aborts). The program and the command-line program both load through it.

#include "logger/ComDownloadPort.h"
#include "logger/LoggerLink.h"

class MeterLink;
class QTimer;

class MeterLoggerLink : public LoggerLink {
public:
    MeterLoggerLink(MeterLink& link, QTimer& mainTimer);

    // Not while the meter setup holds Comm1 with the frame receiver detached.
    bool Connected() const override;
    bool MeterRecording() const override;
    bool InMainTimer() const override;
    bool InReceive() const override;
    void setMainTimerEnabled(bool enabled) override;
    void closePorts() override;
    DownloadPort* openDownloadPort() override;
    void reopenLivePort() override;
    void waitMs(int ms) override;
    void processMessages() override;

private:
    MeterLink& link;
    QTimer& mainTimer;
    ComDownloadPort downloadPort;
};
