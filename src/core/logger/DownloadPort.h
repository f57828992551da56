#pragma once
// The serial port as the download sees it: a polled byte queue. The program
// wraps the download port `Comm2`; tests put a scripted meter behind it.

#include <QByteArray>
#include <stdexcept>

class DownloadPort {
public:
    virtual ~DownloadPort() = default;

    // Count of received bytes waiting in the input queue.
    virtual int inputCount() = 0;
    // Reads `count` bytes; the download never asks for more than are waiting.
    virtual QByteArray read(int count) = 0;
    // Sends without waiting for the line.
    virtual void write(const QByteArray& bytes) = 0;
    // Discards the input queue.
    virtual void clearInput() = 0;

    // Returns once at least `wanted` bytes are waiting or about `maxMs` have
    // passed, whichever comes first, without spinning the processor. The
    // download calls it between polls and processes window messages after it.
    virtual void waitForInput(int wanted, int maxMs) = 0;
    // True when the last waitForInput() ended because input arrived while it
    // waited: the wake-up is then the arrival's time, if the thread ran at
    // once (wakeUpDelayNs() tells). Input that was already there leaves the
    // arrival's time unknown.
    virtual bool arrivalTimed() const { return true; }
    // Nanoseconds the calling thread spent waiting, ready to run, for a
    // processor during the last waitForInput(); 0 where nobody counts them.
    virtual qint64 wakeUpDelayNs() const { return 0; }
};

// A port failure ends the running operation without a message: the caller
// restores what it changed and stops.
class PortAborted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
