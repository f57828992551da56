#include "link/MeterLink.h"

#include "app/Clock.h"
#include "link/LinkLog.h"
#include "link/PortAccess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {

const QString OnConnection = QStringLiteral("On Connection");
const QString OffConnection = QStringLiteral("Off Connection");

// Bytes taken from the driver per receive event; the rest waits for the next one.
constexpr int ReceiveBlockSize = 256;
// The identify reply buffer; only its first four bytes are looked at.
constexpr int ReplyBufferSize = 8;

// Keeps the drift-corrected interval sane even when the wall clock jumps.
constexpr int ShortestTickMs = 500;
constexpr int LongestTickMs = 1500;

// Sets a busy flag for a scope; clears it on every way out, exceptions included.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag(flag) { flag = true; }
    ~FlagGuard() { flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag;
};

void processEventsBriefly()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::usleep(500);
}

void configureLine(TComPort& port, TDTRControl dtr)
{
    port.BaudRate = TBaudRate::br9600;
    port.DataBits = TDataBits::db8;
    port.Parity = TParity::paNone;
    port.StopBits = TStopBits::sb1;
    port.FlowControl.DTR = dtr;
    port.FlowControl.RTS = TRTSControl::rcEnable;
}

} // namespace

MeterLink::MeterLink(LinkHost& linkHost, AppSettings& appSettings, QTimer& timer, QObject* parent)
    : QObject(parent)
    , host(linkHost)
    , settings(appSettings)
    , mainTimer(timer)
{
    configureLine(Comm1, TDTRControl::dcEnable);
    configureLine(Comm2, TDTRControl::dcDisable);
    Comm1.OnError = [this](TComPort& p, const EComError& e, TComAction& a) { Comm1Error(p, e, a); };
    Comm2.OnError = [this](TComPort& p, const EComError& e, TComAction& a) { Comm2Error(p, e, a); };
    connect(&mainTimer, &QTimer::timeout, this, &MeterLink::MainTimerTimer);
}

MeterLink::~MeterLink() = default;

void MeterLink::WaitMs(int ms)
{
    // Messages are handled at least every 2 ms; in between the thread sleeps,
    // so a long wait (a whole download is made of them) costs no CPU.
    constexpr qint64 SliceMs = 2;
    const qint64 start = Clock::current().tickMs();
    for (;;) {
        QCoreApplication::processEvents();
        const qint64 elapsed = Clock::current().tickMs() - start;
        if (elapsed > ms)
            return;
        QThread::msleep(std::min(ms - elapsed + 1, SliceMs));
    }
}

void MeterLink::WaitUntilIdle(int limitMs)
{
    const qint64 start = Clock::current().tickMs();
    while ((InMainTimer || InReceive) && (limitMs < 0 || Clock::current().tickMs() - start <= limitMs))
        processEventsBriefly();
}

void MeterLink::Comm1Error(TComPort&, const EComError& error, TComAction& action)
{
    lastComm1Error = error.code();
    lastComm1Text = error.message();
    action = TComAction::caAbort;
}

void MeterLink::Comm2Error(TComPort& port, const EComError& error, TComAction& action)
{
    qCDebug(downloadLog).noquote() << "port" << port.DeviceName() << "failed:" << error.message();
    action = TComAction::caAbort;
}

void MeterLink::attachReceiver()
{
    try {
        Comm1.setOnRxChar([this](TComPort&) { Comm1RxChar(); });
    } catch (const EComAbort&) {
        // No event thread: the watchdog will report the silence.
    }
}

void MeterLink::detachReceiver()
{
    Comm1.setOnRxChar(nullptr);
}

bool MeterLink::tryOpenComm1()
{
    try {
        Comm1.Open();
    } catch (const EComAbort&) {
    }
    return Comm1.Active();
}

void MeterLink::closeComm1Quietly()
{
    Comm1.Close();  // closing a descriptor cannot fail in a way worth reporting
}

void MeterLink::SendCommand(char letter)
{
    if (!Comm1.Active())
        return;
    CommandFrame.setLetter(letter);
    // The keep-alive "X" of every tick would crowd the frames and events out of the kept lines.
    if (letter != 'X')
        qCDebug(linkLog).noquote() << "sent:" << LinkLog::hex(CommandFrame.data(), TCommandFrame::Size);
    Comm1.Write(CommandFrame.data(), TCommandFrame::Size);
}

void MeterLink::SendFrame(const TCommandFrame& frame)
{
    if (!Comm1.Active())
        return;
    qCDebug(linkLog).noquote() << "sent:" << LinkLog::hex(frame.data(), TCommandFrame::Size);
    Comm1.Write(frame.data(), TCommandFrame::Size);
}

void MeterLink::selectPortForComm1(int index)
{
    host.selectPort(index);
    const QString text = index >= 0 && index < host.portCount() ? host.portText(index) : QString();
    Comm1.setDeviceName(text.isEmpty() ? QString() : TComPort::devicePathFor(text));
    comm1Adapter.clear();
}

int MeterLink::modelFromIdentity(const QByteArray& reply)
{
    if (reply.size() < 4)
        return 0;
    const QByteArray identity = reply.left(4);
    if (identity.contains("612"))
        return 612;
    return identity.contains("618") ? 618 : 0;
}

void MeterLink::ProbePorts()
{
    CommandFrame.setLetter('K');
    detachReceiver();  // replies stay in the input queue
    Connected = false;
    // The list order, except that the port last used is asked first even when
    // the system has numbered the ports anew.
    QStringList order;
    for (int i = 0; i < host.portCount(); ++i)
        order << host.portText(i);
    if (const int remembered = rememberedPortIndex(); remembered > 0)
        order.move(remembered, 0);
    qCDebug(linkLog).noquote() << "probe: asking" << (order.isEmpty() ? QStringLiteral("no port") : order.join(QStringLiteral(", ")));
    QList<LinkHost::UnopenedPort> unopened;
    QString portInUse;  // a port another program holds: likely the meter, tried again later
    for (const QString& text : std::as_const(order)) {
        const int portIndex = indexOfPort(text);  // ports that failed to open have left the list
        selectPortForComm1(portIndex);
        lastComm1Error = 0;
        if (!tryOpenComm1()) {
            qCDebug(linkLog).noquote() << "probe:" << Comm1.DeviceName() << "does not open:"
                                       << lastComm1Text;
            const bool inUse = PortAccess::isInUse(lastComm1Error);
            if (inUse || PortAccess::isPermissionDenied(lastComm1Error))
                unopened.append({Comm1.DeviceName(), lastComm1Error});
            if (inUse && portInUse.isEmpty())
                portInUse = text;
            if (!inUse)
                host.removePort(portIndex);
            continue;
        }
        QByteArray reply;
        try {
            Comm1.Write(CommandFrame.data(), TCommandFrame::Size);
            WaitMs(ProbeReplyMs);
            char buffer[ReplyBufferSize];
            const int waiting = std::min(Comm1.InputCount(), ReplyBufferSize);
            reply = QByteArray(buffer, Comm1.Read(buffer, waiting));
        } catch (const EComAbort&) {
            // A port that fails while asked is simply not the meter.
        }
        qCDebug(linkLog).noquote() << "probe:" << Comm1.DeviceName() << "answers"
                                   << (reply.isEmpty() ? QStringLiteral("nothing") : LinkLog::hex(reply));
        if (const int model = modelFromIdentity(reply)) {
            host.setControlEnabled(LinkControl::btnRun, true);
            host.setControlEnabled(LinkControl::Run1, true);
            host.setControlEnabled(LinkControl::btnStop, false);
            host.setControlEnabled(LinkControl::Stop1, false);
            MeterModel = model;
            Connected = true;
            settings.LastConnectedPort = portIndex;
            settings.LastConnectedPortName = PortNames.stablePortName(Comm1.DeviceName());
            break;
        }
        closeComm1Quietly();
    }

    attachReceiver();
    if (Connected) {
        qCDebug(linkLog).noquote() << "probe: meter" << MeterModel << "on" << Comm1.DeviceName();
        settings.LastConnectedModel = MeterModel;
        host.setNoConnectionVisible(false);
        host.setStatus(Comm1.DeviceName(), OnConnection);
    } else {
        qCDebug(linkLog) << "probe: no meter answered";
        MeterModel = settings.LastConnectedModel == 612 ? 612 : 618;
        // The port last used keeps its place by name; else a stored index
        // outside the list (also a negative one) falls back to entry 0.
        if (const int remembered = rememberedPortIndex(); remembered >= 0)
            settings.LastConnectedPort = remembered;
        else if (settings.LastConnectedPort >= host.portCount() || settings.LastConnectedPort < 0)
            settings.LastConnectedPort = 0;
        // A port held by another program stays Comm1's: the link's restarts
        // open it once it is free, and a meter there is found.
        selectPortForComm1(portInUse.isEmpty() ? settings.LastConnectedPort : indexOfPort(portInUse));
        host.setNoConnectionVisible(true);
        host.setStatus(Comm1.DeviceName(), OffConnection);
        if (!unopened.isEmpty())
            host.portsNotOpened(unopened);
    }

    closeComm1Quietly();
    openComm1Noting();
    Comm1.ClearInput();
    try {
        SendCommand('a');
    } catch (const EComAbort&) {
    }
}

int MeterLink::rememberedPortIndex() const
{
    if (settings.LastConnectedPortName.isEmpty())
        return -1;
    for (int i = 0; i < host.portCount(); ++i) {
        if (PortNames.namesPort(settings.LastConnectedPortName, TComPort::devicePathFor(host.portText(i))))
            return i;
    }
    return -1;
}

int MeterLink::indexOfPort(const QString& text) const
{
    for (int i = 0; i < host.portCount(); ++i) {
        if (host.portText(i) == text)
            return i;
    }
    return -1;
}

void MeterLink::FrameSeenStep()
{
    FrameSeen = true;
    if (Connected)
        return;
    qCDebug(linkLog).noquote() << "link: frames from" << Comm1.DeviceName();
    host.setControlEnabled(LinkControl::btnDataLogger, true);
    host.setControlEnabled(LinkControl::DataLogger1, true);
    host.setStatus(Comm1.DeviceName(), OnConnection);
    host.setNoConnectionVisible(false);
    if (host.realTimeRunning()) {
        host.setControlEnabled(LinkControl::btnRun, false);
        host.setControlEnabled(LinkControl::btnStop, true);
        host.setControlEnabled(LinkControl::Stop1, true);
        host.setClearButtonEnabled(false);
    } else {
        host.setControlEnabled(LinkControl::btnRun, true);
        host.setControlEnabled(LinkControl::Run1, true);
        host.setControlEnabled(LinkControl::btnStop, false);
        host.setControlEnabled(LinkControl::Stop1, false);
        host.setClearButtonEnabled(true);
    }
    Connected = true;
}

void MeterLink::sendFromTimer(char letter)
{
    FlagGuard sending(SendingCommand);
    try {
        SendCommand(letter);
    } catch (const EComAbort&) {
        // A vanished port: the watchdog shows it.
    }
}

void MeterLink::MainTimerTimer()
{
    FlagGuard busy(InMainTimer);
    const QDateTime tickTime = Clock::current().now();
    ++RateTicks;
    if (FrameSeen) {
        FrameSeen = false;
        MissedTicks = 0;
        if (host.realTimeRunning() && RateTicks >= settings.RealTimeRate) {
            RateTicks = 0;
            host.takeSample(DateTime::fromQDateTime(tickTime), LatestReadings);
        }
        host.frameTick(DateTime::fromQDateTime(tickTime));
        if (Comm1.Active())
            sendFromTimer('X');
    } else if (++MissedTicks >= MissLimit) {
        linkLost();
    }
    correctDrift(tickTime);
}

bool MeterLink::openComm1Noting()
{
    if (!tryOpenComm1())
        return false;
    comm1Adapter = PortNames.stablePortName(Comm1.DeviceName());
    return true;
}

bool MeterLink::reopenComm1()
{
    // Comm1's old name leads to another adapter now when the adapter's by-id
    // link leads elsewhere or is gone (the adapter is away).
    const bool sameAdapter = !comm1Adapter.startsWith(QLatin1String("/dev/serial/by-id/"))
                             || PortNames.namesPort(comm1Adapter, Comm1.DeviceName());
    if (sameAdapter && tryOpenComm1())
        return true;
    if (!sameAdapter)
        qCDebug(linkLog).noquote() << "link:" << Comm1.DeviceName() << "is no longer" << comm1Adapter;
    return followReplugged(comm1Adapter) || followReplugged(settings.LastConnectedPortName);
}

bool MeterLink::followReplugged(const QString& lasting)
{
    if (!lasting.startsWith(QLatin1String("/dev/serial/by-id/")))
        return false;
    const QString device = QFileInfo(PortNames.underRoot(lasting)).canonicalFilePath();
    if (device.isEmpty() || device == QFileInfo(Comm1.DeviceName()).canonicalFilePath())
        return false;
    qCDebug(linkLog).noquote() << "link:" << lasting << "is now" << device;
    Comm1.setDeviceName(device);
    return openComm1Noting();
}

void MeterLink::linkLost()
{
    for (LinkControl c : {LinkControl::btnRun, LinkControl::Run1, LinkControl::btnDataLogger, LinkControl::DataLogger1})
        host.setControlEnabled(c, false);
    // A run goes on without the meter (its samples wait for it): it can still be stopped.
    const bool running = host.realTimeRunning();
    host.setControlEnabled(LinkControl::btnStop, running);
    host.setControlEnabled(LinkControl::Stop1, running);
    host.setStatus(Comm1.DeviceName(), OffConnection);
    host.setNoConnectionVisible(true);
    qCDebug(linkLog).noquote() << "link:" << MissedTicks << "ticks without a frame on" << Comm1.DeviceName()
                               << "- asking the meter to start again";
    if (Connected)
        Receiver.clear();
    Connected = false;
    // A port that closed itself because its device went away is reopened on
    // the same name, so a meter plugged back in is found again; an adapter
    // that came back as another device is followed by its lasting name.
    if (!Comm1.Active() && reopenComm1())
        Comm1.ClearInput();
    if (Comm1.Active())
        sendFromTimer('a');
    RateTicks = 0;
    MissedTicks = 0;
}

void MeterLink::correctDrift(const QDateTime& tickTime)
{
    if (previousTickTime) {
        const qint64 latenessMs = previousTickTime->msecsTo(tickTime) - 1000;
        const qint64 interval = std::clamp<qint64>(mainTimer.interval() - latenessMs, ShortestTickMs, LongestTickMs);
        mainTimer.setInterval(int(interval));
    }
    previousTickTime = tickTime;
}

void MeterLink::ComboBoxDeviceNameChange(const QString& text, int index)
{
    // Keystrokes handled inside the wait below ask for later names: only the
    // latest change may open its port, or an earlier, half-typed name would
    // win when the waits unwind.
    const int change = ++portChanges;
    while (InMainTimer)
        processEventsBriefly();
    if (change != portChanges)
        return;
    closeComm1Quietly();
    Comm1.setDeviceName(text.isEmpty() ? QString() : TComPort::devicePathFor(text));
    comm1Adapter.clear();
    lastComm1Text.clear();
    if (openComm1Noting())
        settings.LastConnectedPortName = comm1Adapter;
    else
        qCDebug(linkLog).noquote() << "port change:" << Comm1.DeviceName() << "does not open:"
                                   << lastComm1Text;
    settings.LastConnectedPort = index;
}

void MeterLink::Comm1RxChar()
{
    FlagGuard busy(InReceive);
    try {
        const int n = std::min(Comm1.InputCount(), ReceiveBlockSize);
        if (n <= 0)
            return;
        char block[ReceiveBlockSize];
        handleReceived(block, Comm1.Read(block, n));
    } catch (const EComAbort&) {
        // The port failed; the watchdog reports the silence.
    }
}

void MeterLink::handleReceived(const char* bytes, int count)
{
    const int before = Receiver.size();
    int framed = 0;
    Receiver.append(bytes, count);
    while (const auto frame = Receiver.takeFrame()) {
        qCDebug(linkLog).noquote() << "frame:" << LinkLog::hex(reinterpret_cast<const char*>(frame->data()), int(frame->size()));
        framed += int(frame->size());
        FrameSeenStep();
        decodeFrame(*frame);
    }
    // Bytes that make no frame tell of another device or another speed on the port.
    if (linkLog().isDebugEnabled()) {
        if (const int dropped = before + count - framed - Receiver.size(); dropped > 0)
            qCDebug(linkLog).noquote() << "link:" << dropped << "bytes make no frame; received" << LinkLog::hex(bytes, count);
    }
}

void MeterLink::decodeFrame(const LiveFrameBytes& bytes)
{
    const LiveFrame frame = DecodeLiveFrame(bytes.data(), MeterModel);
    MeterRecording = frame.Recording;
    LatestReadings = {frame.T1, frame.T2, frame.T3, frame.T4};
    OverRangeFlags = frame.OverRange;
    host.showLiveFrame(frame, PreviousHold);
    PreviousHold = frame.Hold;
}
