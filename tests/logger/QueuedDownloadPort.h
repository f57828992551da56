#pragma once
// A test's download port whose input is a byte queue: the line model behind
// it moves what has arrived into the queue (deliverDue), and the download
// reads from its front.

#include "logger/DownloadPort.h"

class QueuedDownloadPort : public DownloadPort {
public:
    int inputCount() override
    {
        deliverDue();
        return int(input.size());
    }
    QByteArray read(int count) override
    {
        deliverDue();
        const QByteArray bytes = input.left(count);
        input.remove(0, count);
        return bytes;
    }

    QByteArray input;

protected:
    // Moves the bytes whose time has come into `input`.
    virtual void deliverDue() {}
};
