#include "MeterConnection.h"

#include "Console.h"
#include "link/PortAccess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>

namespace {
constexpr int TickMs = 1000;
const QString OnConnection = QStringLiteral("On Connection");
} // namespace

void ConsoleHost::setStatus(const QString& deviceName, const QString& text)
{
    if (text == connectionText)
        return;
    if (!connectionText.isEmpty()) {
        if (text == OnConnection)
            cli::error(QStringLiteral("the meter on %1 answers again").arg(deviceName));
        else
            cli::error(QStringLiteral("no live frames from the meter on %1; asking it to start again").arg(deviceName));
        if (onLinkChange)
            onLinkChange(text == OnConnection);
    }
    connectionText = text;
}

void ConsoleHost::showLiveFrame(const LiveFrame& frame, bool)
{
    lastFrame = frame;
    ++framesSeen;
}

void ConsoleHost::takeSample(TDateTime tickTime, const std::array<float, 4>&)
{
    if (onSample)
        onSample(tickTime);
}

MeterConnection::MeterConnection(const QString& port)
    : requestedPort(port)
    , appSettings(AppSettings::load())
    , meterLink(console, appSettings, timer)
{
    timer.setInterval(TickMs);
    // A coarse timer may tick 5 % early: two samples would share a printed second.
    timer.setTimerType(Qt::PreciseTimer);
}

MeterConnection::~MeterConnection()
{
    timer.stop();
    meterLink.detachReceiver();
    meterLink.Comm1.Close();
    meterLink.Comm2.Close();
}

QStringList MeterConnection::programPorts()
{
    QStringList ports;
    TComPort::ListPorts(ports);
    return ports;
}

bool MeterConnection::checkUsable(const QString& device)
{
    TComPort port;
    try {
        port.setDeviceName(device);
        port.Open();
        return true;
    } catch (const EComError& e) {
        if (PortAccess::isPermissionDenied(e.code()))
            cli::error(PortAccess::permissionHint(device));
        else if (PortAccess::isInUse(e.code()))
            cli::error(PortAccess::inUseText(device));
        else if (e.code() == ENOENT)
            cli::error(QStringLiteral("there is no serial port %1").arg(device));
        else
            cli::error(QStringLiteral("the serial port %1 cannot be opened: %2").arg(device, e.message()));
        return false;
    }
}

int MeterConnection::connect()
{
    console.ports = requestedPort.isEmpty() ? programPorts() : QStringList{requestedPort};
    // Ports that cannot be opened are named with the reason; the probe skips them.
    QStringList usable;
    for (const QString& port : std::as_const(console.ports)) {
        if (checkUsable(TComPort::devicePathFor(port)))
            usable << port;
    }
    if (usable.isEmpty()) {
        if (console.ports.isEmpty())
            cli::error(QStringLiteral("no serial port found"));
        return cli::NoMeter;
    }
    console.ports = usable;

    meterLink.ProbePorts();
    if (!meterLink.Connected) {
        if (requestedPort.isEmpty())
            cli::error(QStringLiteral("no meter answered on %1").arg(usable.join(QStringLiteral(", "))));
        else
            cli::error(QStringLiteral("no meter answered on %1").arg(TComPort::devicePathFor(requestedPort)));
        return cli::NoMeter;
    }
    timer.start();
    return cli::Done;
}

bool MeterConnection::waitForFrame(int ms)
{
    const int before = console.framesSeen;
    QElapsedTimer waited;
    waited.start();
    while (console.framesSeen == before && waited.elapsed() < ms)
        MeterLink::WaitMs(10);
    return console.framesSeen != before;
}
