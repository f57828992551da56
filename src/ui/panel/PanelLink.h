#pragma once
// What the front panel needs of the meter link: the link state that decides
// whether and when a key command may go out, the message-processing wait, and
// the write of one 10-byte command frame on Comm1.

#include <QByteArray>

class PanelLink {
public:
    virtual ~PanelLink() = default;

    virtual bool connected() const = 0;       // a meter answers on Comm1
    virtual bool sendingCommand() const = 0;  // the main timer is writing a command
    virtual bool inReceive() const = 0;       // the live-frame receiver is running
    // Waits at least `ms` milliseconds while window messages are processed.
    virtual void waitMs(int ms) = 0;
    // Writes the frame on Comm1 without waiting; false when the write failed
    // (failures are silent: the user only misses the beep).
    virtual bool writeCommand(const QByteArray& tenBytes) = 0;
};

// The stand-in while no meter link is attached: never connected, sends nothing.
class NoPanelLink : public PanelLink {
public:
    bool connected() const override { return false; }
    bool sendingCommand() const override { return false; }
    bool inReceive() const override { return false; }
    void waitMs(int ms) override;
    bool writeCommand(const QByteArray&) override { return false; }
};
