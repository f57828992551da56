#pragma once
// The front panel's keys reach the meter through the live link on Comm1.

#include "link/MeterLink.h"
#include "panel/PanelLink.h"

class MeterPanelLink : public PanelLink {
public:
    explicit MeterPanelLink(MeterLink& link) : link(link) {}

    bool connected() const override { return link.Connected; }
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
