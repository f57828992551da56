#pragma once
// What the Load command needs of the meter link: the connection state, the
// busy marks, MainTimer and the two ports. The main window adapts its
// `Comm1`, `Comm2` and link supervision to this; tests record the calls.

#include "logger/DownloadPort.h"

class LoggerLink {
public:
    virtual ~LoggerLink() = default;

    virtual bool Connected() const = 0;
    virtual bool MeterRecording() const = 0;   // REC shown in the live frames
    virtual bool InMainTimer() const = 0;
    virtual bool InReceive() const = 0;
    virtual void setMainTimerEnabled(bool enabled) = 0;

    // Closes `Comm1` and `Comm2` where open; failures are ignored.
    virtual void closePorts() = 0;
    // Opens `Comm2` on `Comm1`'s device without a receive handler, DTR off and
    // RTS on. Null when it could not be opened. The port stays the link's.
    virtual DownloadPort* openDownloadPort() = 0;
    // Attaches `Comm1RxChar` to `Comm1`, opens it (failure ignored) and clears its input.
    virtual void reopenLivePort() = 0;

    // WaitMs: waits while window messages are processed.
    virtual void waitMs(int ms) = 0;
    // One round of window messages.
    virtual void processMessages() = 0;
};
