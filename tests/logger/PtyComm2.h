#pragma once
// `Comm2` as the program sets it up for a download, opened on a pty: 9600
// 8N1, DTR off, RTS on, no receive handler, port errors as silent aborts.

#include "link/ComPort.h"
#include "logger/ComDownloadPort.h"

#include <QString>

class PtyComm2 {
public:
    PtyComm2()
    {
        port.BaudRate = TBaudRate::br9600;
        port.DataBits = TDataBits::db8;
        port.Parity = TParity::paNone;
        port.StopBits = TStopBits::sb1;
        port.FlowControl.DTR = TDTRControl::dcDisable;
        port.FlowControl.RTS = TRTSControl::rcEnable;
        port.OnError = [](TComPort&, const EComError&, TComAction& action) { action = TComAction::caAbort; };
    }
    // False when the device cannot be opened (or is held by someone else).
    bool open(const QString& device)
    {
        port.setDeviceName(device);
        try {
            port.Open();
        } catch (const EComAbort&) {
        }
        return port.Active();
    }
    void close() { port.Close(); }

    TComPort port;
    ComDownloadPort download{port};
};
