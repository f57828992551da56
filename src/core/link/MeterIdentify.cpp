#include "link/MeterIdentify.h"

#include "link/ComPort.h"
#include "link/CommandFrame.h"
#include "link/MeterLink.h"

#include <algorithm>

namespace MeterIdentify {

int askModel(const QString& device, int replyMs, int* openError)
{
    if (openError)
        *openError = 0;
    TComPort port;
    port.setDeviceName(device);
    port.BaudRate = TBaudRate::br9600;
    port.DataBits = TDataBits::db8;
    port.Parity = TParity::paNone;
    port.StopBits = TStopBits::sb1;
    port.FlowControl.DTR = TDTRControl::dcEnable;
    port.FlowControl.RTS = TRTSControl::rcEnable;
    try {
        port.Open();
    } catch (const EComError& e) {
        if (openError)
            *openError = e.code();
        return 0;
    }
    try {
        port.ClearInput();
        const TCommandFrame identify('K');
        port.Write(identify.data(), TCommandFrame::Size);
        MeterLink::WaitMs(replyMs);
        char reply[8];
        const int got = port.Read(reply, std::min(port.InputCount(), int(sizeof reply)));
        return MeterLink::modelFromIdentity(QByteArray(reply, got));
    } catch (const EComError&) {
        return 0;  // a port that fails while asked is simply not the meter
    }
}

} // namespace MeterIdentify
