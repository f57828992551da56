#include "logger/MeterLoggerLink.h"

#include "link/LinkLog.h"
#include "link/MeterLink.h"

#include <QCoreApplication>
#include <QTimer>

MeterLoggerLink::MeterLoggerLink(MeterLink& meterLink, QTimer& timer)
    : link(meterLink)
    , mainTimer(timer)
    , downloadPort(meterLink.Comm2)
{
}

bool MeterLoggerLink::Connected() const
{
    return link.Connected && link.Comm1.hasOnRxChar();
}

bool MeterLoggerLink::MeterRecording() const
{
    return link.MeterRecording;
}

bool MeterLoggerLink::InMainTimer() const
{
    return link.InMainTimer;
}

bool MeterLoggerLink::InReceive() const
{
    return link.InReceive;
}

void MeterLoggerLink::setMainTimerEnabled(bool enabled)
{
    if (enabled)
        mainTimer.start();
    else
        mainTimer.stop();
}

void MeterLoggerLink::closePorts()
{
    link.Comm1.Close();
    link.Comm2.Close();
}

DownloadPort* MeterLoggerLink::openDownloadPort()
{
    TComPort& comm2 = link.Comm2;
    comm2.setDeviceName(link.Comm1.DeviceName());
    comm2.setOnRxChar(nullptr);  // the transfer is polled
    try {
        comm2.Open();
    } catch (const EComAbort&) {
        // Not opened: the command ends as after any port failure.
    }
    qCDebug(downloadLog).noquote() << "port" << comm2.DeviceName() << (comm2.Active() ? "open" : "does not open");
    return comm2.Active() ? &downloadPort : nullptr;
}

void MeterLoggerLink::reopenLivePort()
{
    link.attachReceiver();
    try {
        link.Comm1.Open();
    } catch (const EComAbort&) {
        // The watchdog reports a port that stays closed.
    }
    link.Comm1.ClearInput();
}

void MeterLoggerLink::waitMs(int ms)
{
    MeterLink::WaitMs(ms);
}

void MeterLoggerLink::processMessages()
{
    QCoreApplication::processEvents();
}
