// tq612-cli ports: every port the program would list, and what answers there.
#include "Commands.h"
#include "Console.h"
#include "MeterConnection.h"

#include "link/CommandFrame.h"
#include "link/MeterLink.h"

namespace cli {

namespace {

constexpr int ReplyMs = 300;  // as long as the program's probe waits for the reply

// The model of the meter on `device`, 0 when nothing answers as a meter.
int identify(const QString& device)
{
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
        port.ClearInput();
        const TCommandFrame identify('K');
        port.Write(identify.data(), TCommandFrame::Size);
        MeterLink::WaitMs(ReplyMs);
        char reply[8];
        const int got = port.Read(reply, std::min(port.InputCount(), int(sizeof reply)));
        return MeterLink::modelFromIdentity(QByteArray(reply, got));
    } catch (const EComError&) {
        return 0;
    }
}

} // namespace

int runPorts(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("ports takes no arguments"));
        return Usage;
    }
    const QStringList ports = MeterConnection::programPorts();
    if (ports.isEmpty()) {
        error(QStringLiteral("no serial port found"));
        return NoMeter;
    }
    bool meterFound = false;
    for (const QString& name : ports) {
        const QString device = TComPort::devicePathFor(name);
        if (!MeterConnection::checkUsable(device)) {
            out(device + QStringLiteral("\tnot usable"));
            continue;
        }
        const int model = identify(device);
        meterFound = meterFound || model != 0;
        out(device + (model ? QStringLiteral("\tmeter %1").arg(model) : QStringLiteral("\tno meter")));
    }
    return meterFound ? Done : NoMeter;
}

} // namespace cli
