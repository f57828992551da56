#pragma once
// The front panel's keys reach the meter through the live link on Comm1.

#include "link/MeterLink.h"
#include "panel/PanelLink.h"

class MeterPanelLink : public PanelLink {
public:
    explicit MeterPanelLink(MeterLink& link) : link(link) {}

    // Keys go out only while the live link runs: not while the meter setup
    // holds Comm1 with the frame receiver detached, where a key command would
    // land in the middle of a setup exchange.
    bool connected() const override { return link.Connected && link.Comm1.hasOnRxChar(); }
    bool sendingCommand() const override { return link.SendingCommand; }
    bool inReceive() const override { return link.InReceive; }
    void waitMs(int ms) override { MeterLink::WaitMs(ms); }
    bool writeCommand(const QByteArray& tenBytes) override
    {
        TCommandFrame frame;
        frame.setCommand(tenBytes.mid(1, TCommandFrame::Size - 2));
        try {
            link.SendFrame(frame);
            return link.Comm1.Active();
        } catch (const EComAbort&) {
            return false;
        }
    }

private:
    MeterLink& link;
};
