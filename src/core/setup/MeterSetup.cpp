#include "setup/MeterSetup.h"

#include "app/Clock.h"
#include "app/DateTime.h"
#include "app/Regional.h"
#include "link/LinkHost.h"
#include "link/LinkLog.h"
#include "link/MeterLink.h"
#include "setup/SetupReplies.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace {

constexpr int IdleLimitMs = 2500;     // longest wait for the link's handlers to finish
constexpr int AllStepPauseMs = 1300;  // the meter's rest between the steps of ALL

const QString Ok = QStringLiteral("OK");
const QString Fail = QStringLiteral("fail");

// A frame of its own: 0x02, the command word and its parameters, 0x00 padding, 0x03.
TCommandFrame frameOf(const QByteArray& wordAndParameters)
{
    TCommandFrame frame;
    frame.setCommand(wordAndParameters);
    return frame;
}

// Overwrites command bytes 1.. of `frame` with `bytes`; the rest stays.
void setBytes(TCommandFrame& frame, const QByteArray& bytes)
{
    QByteArray command = frame.toByteArray().mid(1, TCommandFrame::Size - 2);
    command.replace(0, bytes.size(), bytes);
    frame.setCommand(command);
}

void logOutcome(const char* operation, bool ok, int errorCode = 0)
{
    if (ok)
        qCDebug(setupLog) << operation << "done";
    else if (errorCode != 0)
        qCDebug(setupLog) << operation << "failed with error code" << errorCode;
    else
        qCDebug(setupLog) << operation << "failed";
}

// Byte `i` of a reply, 0 when the reply is shorter.
char byteAt(const QByteArray& reply, int i)
{
    return i < reply.size() ? reply[i] : '\0';
}

} // namespace

// Command mode for one operation run alone: entered on construction, left on
// destruction whatever happened in between.
class MeterSetup::CommandMode {
public:
    CommandMode(MeterSetup& setup, bool alone) : setup(setup), alone(alone)
    {
        if (alone)
            entered = setup.EnterCommandMode();
    }
    ~CommandMode()
    {
        if (alone)
            setup.LeaveCommandMode();
    }
    CommandMode(const CommandMode&) = delete;
    CommandMode& operator=(const CommandMode&) = delete;

    // The operation may talk to the meter: not alone, or alone and entered.
    bool ready() const { return !alone || entered; }

private:
    MeterSetup& setup;
    bool alone;
    bool entered = false;
};

// Marks the setup busy while an operation started by the user runs; another
// one started from a handler inside its waits is refused. The steps of ALL
// (not alone) run inside ALL's own mark.
class MeterSetup::Running {
public:
    Running(bool& busy, bool alone) : busy(busy), refused(alone && busy), owner(alone && !busy)
    {
        if (owner)
            busy = true;
    }
    ~Running()
    {
        if (owner)
            busy = false;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    bool refusedStart() const { return refused; }

private:
    bool& busy;
    bool refused;
    bool owner;
};

MeterSetup::MeterSetup(MeterLink& link, LinkHost& host, QTimer& mainTimer)
    : SetupFrame('c'), link(link), host(host), mainTimer(mainTimer)
{
}

void MeterSetup::changed()
{
    if (displayChanged)
        displayChanged();
}

void MeterSetup::message(const QString& text)
{
    if (showMessage)
        showMessage(text);
}

void MeterSetup::setLabel(QString& label, bool ok)
{
    label = ok ? Ok : Fail;
    changed();
}

// ---- Talking on Comm1 --------------------------------------------------------------

int MeterSetup::waitForInput(int count)
{
    // The wait ends by its time-out whatever arrives; the bytes stay in the
    // port's input, which the driver bounds. Window messages keep flowing:
    // the receiver is detached and MainTimer is off, so no handler reads
    // Comm1 meanwhile, and the busy mark refuses a second operation.
    const qint64 start = Clock::current().tickMs();
    int waiting = link.Comm1.InputCount();
    while (waiting < count && Clock::current().tickMs() - start < ReplyTimeout) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
        waiting = link.Comm1.InputCount();
    }
    if (waiting < count)
        qCDebug(setupLog) << "time-out:" << waiting << "of" << count << "reply bytes within" << ReplyTimeout << "ms";
    return waiting;
}

void MeterSetup::write(const TCommandFrame& frame)
{
    write(frame.toByteArray());
}

void MeterSetup::write(const QByteArray& frame)
{
    qCDebug(setupLog).noquote() << "sent:" << LinkLog::hex(frame);
    link.Comm1.Write(frame);
}

QByteArray MeterSetup::read(int count)
{
    QByteArray bytes(count, '\0');
    bytes.truncate(link.Comm1.Read(bytes.data(), count));
    qCDebug(setupLog).noquote() << "reply:" << LinkLog::hex(bytes);
    return bytes;
}

// ---- Command mode ------------------------------------------------------------------

bool MeterSetup::EnterCommandMode()
{
    qCDebug(setupLog).noquote() << "command mode on" << link.Comm1.DeviceName();
    host.setNoConnectionVisible(true);
    const auto waitWhile = [](const bool& flag) {
        const qint64 start = Clock::current().tickMs();
        while (flag && Clock::current().tickMs() - start <= IdleLimitMs)
            MeterLink::WaitMs(1);
    };
    waitWhile(link.InMainTimer);
    mainTimer.stop();
    waitWhile(link.InReceive);
    try {
        // The opening command is always "c"; bytes 2 and 3 keep what the
        // last command left in the frame.
        SetupFrame.setLetter('c');
        write(SetupFrame);
        MeterLink::WaitMs(100);  // the live receiver may still take the answer
        link.detachReceiver();
        MeterLink::WaitMs(200);
        // What the receiver left (the opening answer, the last live frames)
        // is no answer to the commands that follow.
        link.Comm1.ClearInput();
        return true;
    } catch (const EComAbort&) {
        qCDebug(setupLog) << "command mode: the port failed";
        return false;
    } catch (const EComError& error) {
        qCDebug(setupLog) << "command mode: the port failed:" << error.what();
        return false;
    }
}

void MeterSetup::LeaveCommandMode()
{
    qCDebug(setupLog) << "command mode left";
    link.attachReceiver();
    MeterLink::WaitMs(200);
    mainTimer.start();
}

// ---- The clock ---------------------------------------------------------------------

int MeterSetup::clockExchange(QByteArray& confirmReply)
{
    int step = NoAccessReply;
    try {
        MeterLink::WaitMs(300);
        link.Comm1.ClearInput();
        MeterLink::WaitMs(200);

        setBytes(SetupFrame, QByteArrayLiteral("rtc"));
        write(SetupFrame);
        if (waitForInput(10) != 10)
            return NoAccessReply;
        if (byteAt(read(10), 1) != 'r')
            return WrongAccessReply;

        step = NoSetClockReply;
        link.Comm1.ClearInput();
        link.Comm1.ClearOutput();
        // The computer's time as late as possible, so the meter starts on it.
        QByteArray setClock;
        for (const std::uint8_t b : SetupReplies::clockBytes(Clock::current().now()))
            setClock.append(char(b));
        setClock.append(char(0x08));
        write(frameOf(setClock));
        if (waitForInput(10) != 10)
            return NoSetClockReply;
        read(10);

        step = NoConfirmReply;
        setBytes(SetupFrame, QByteArrayLiteral("ti"));
        write(SetupFrame);
        if (waitForInput(8) != 8)
            return NoConfirmReply;
        confirmReply = read(8);
        return ClockOk;
    } catch (const EComAbort&) {
        return step;
    } catch (const EComError&) {
        return step;
    }
}

bool MeterSetup::AdjustMeterTime(bool alone)
{
    const Running run(busy, alone);
    if (run.refusedStart())
        return false;
    display.lblsetuptime.clear();
    changed();

    QByteArray confirmReply;
    const CommandMode mode(*this, alone);
    const int error = mode.ready() ? clockExchange(confirmReply) : ClockOk;
    const bool ok = mode.ready() && error == ClockOk;
    lastClockError = error;
    logOutcome("clock", ok, error);
    setLabel(display.lblsetuptime, ok);
    if (alone) {
        message(ok ? SetupReplies::clockUpdatedMessage(confirmReply)
                                          : QStringLiteral("Meter time updated fail, Error Code is ")
                                                + QString::number(error));
    }
    return ok;
}

// ---- Recording interval --------------------------------------------------------------

bool MeterSetup::intervalExchange(const QByteArray& frame)
{
    try {
        link.Comm1.ClearInput();
        MeterLink::WaitMs(100);
        write(frame);
        if (waitForInput(10) != 10)
            return false;
        return read(10) == frame;
    } catch (const EComAbort&) {
        return false;
    } catch (const EComError&) {
        return false;
    }
}

bool MeterSetup::AdjustRecordingInterval(bool alone, const QString& minutes, const QString& seconds)
{
    const Running run(busy, alone);
    if (run.refusedStart())
        return false;
    display.lblsetupint.clear();
    changed();

    bool ok = false;
    if (const auto interval = SetupReplies::parseInterval(minutes, seconds)) {
        QByteArray command = QByteArrayLiteral("int");
        command.append(char(interval->minutes));
        command.append(char(interval->seconds));
        const QByteArray frame = frameOf(command).toByteArray();
        const CommandMode mode(*this, alone);
        ok = mode.ready() && intervalExchange(frame);
        logOutcome("interval", ok);
        setLabel(display.lblsetupint, ok);
        if (alone)
            message(ok ? QStringLiteral("Recording Interval Setup Successfully")
                                              : QStringLiteral("Recording Interval Setup Fail"));
        return ok;
    }
    // Nothing is sent for an invalid interval.
    setLabel(display.lblsetupint, false);
    if (alone)
        message(QStringLiteral("Recording Interval Setup Fail"));
    return false;
}

// ---- Erasing the memory ----------------------------------------------------------------

bool MeterSetup::eraseExchange()
{
    try {
        const QByteArray frame = frameOf(QByteArrayLiteral("erase")).toByteArray();
        // What an earlier step left is no answer to this one.
        link.Comm1.ClearInput();
        write(frame);
        if (waitForInput(10) != 10)
            return false;
        return read(10).left(7) == frame.left(7);
    } catch (const EComAbort&) {
        return false;
    } catch (const EComError&) {
        return false;
    }
}

bool MeterSetup::EraseMeterMemory(bool alone)
{
    const Running run(busy, alone);
    if (run.refusedStart())
        return false;
    display.lblerase.clear();
    changed();

    const CommandMode mode(*this, alone);
    const bool ok = mode.ready() && eraseExchange();
    logOutcome("erase", ok);
    setLabel(display.lblerase, ok);
    if (alone)
        message(ok ? QStringLiteral("Memory erased successfully")
                                          : QStringLiteral("Memory erased fail"));
    return ok;
}

// ---- Reading the meter's information ------------------------------------------------

bool MeterSetup::readExchange()
{
    try {
        TCommandFrame versionFrame = frameOf(QByteArrayLiteral("V"));
        link.Comm1.ClearInput();
        write(versionFrame);
        if (waitForInput(11) != 11)
            return false;
        display.lblFirmwareVersion = SetupReplies::hex2(std::uint8_t(byteAt(read(11), 0)));
        changed();

        setBytes(versionFrame, QByteArrayLiteral("ti"));
        write(versionFrame);
        if (waitForInput(8) != 8)
            return false;
        const auto clock = SetupReplies::meterClock(read(8));
        if (!clock)
            return false;
        display.lblMeterTime = Regional::dateTimeText(DateTime::fromQDateTime(*clock));
        changed();

        link.Comm1.ClearInput();
        ReplyTimeout = ReadReplyTimeout;
        for (int attempt = 0; attempt < 3; ++attempt) {
            SetupFrame.setLetter('P');
            write(SetupFrame);
            if (waitForInput(10) < 10) {
                link.Comm1.ClearInput();
                continue;
            }
            if (byteAt(read(10), 1) == 'P')
                break;
        }
        const bool blockReceived = waitForInput(65) == 65;
        SetupFrame.setLetter('Q');
        write(SetupFrame);
        if (!blockReceived)
            return false;

        const SetupReplies::FirstBlock block = SetupReplies::readFirstBlock(read(65));
        display.lblDataSets = block.dataSets;
        display.lblInt = block.interval;
        display.lblMemoryAvailable = block.memoryAvailable;
        display.parameters = block.parameters;
        changed();
        return true;
    } catch (const EComAbort&) {
        return false;
    } catch (const EComError&) {
        return false;
    }
}

bool MeterSetup::ReadMeterInformation(bool alone)
{
    const Running run(busy, alone);
    if (run.refusedStart())
        return false;
    for (QString* label : {&display.lblFirmwareVersion, &display.lblMeterTime, &display.lblInt,
                           &display.lblDataSets, &display.lblMemoryAvailable, &display.lblread})
        label->clear();
    display.parameters.fill(QString());
    changed();

    const CommandMode mode(*this, alone);
    const bool ok = mode.ready() && readExchange();
    logOutcome("read", ok);
    setLabel(display.lblread, ok);
    return ok;
}

// ---- ALL -----------------------------------------------------------------------------

void MeterSetup::All(const QString& minutes, const QString& seconds)
{
    const Running run(busy, true);
    if (run.refusedStart())
        return;
    display.lblsetuptime.clear();
    display.lblsetupint.clear();
    display.lblerase.clear();
    display.lblread.clear();
    changed();

    // One command mode for all steps; its result is not examined: each step
    // fails on its own when the port is gone.
    const CommandMode mode(*this, true);
    MeterLink::WaitMs(AllStepPauseMs);
    AdjustMeterTime(false);
    MeterLink::WaitMs(AllStepPauseMs);
    AdjustRecordingInterval(false, minutes, seconds);
    MeterLink::WaitMs(AllStepPauseMs);
    EraseMeterMemory(false);
    MeterLink::WaitMs(AllStepPauseMs);
    ReadMeterInformation(false);
    MeterLink::WaitMs(AllStepPauseMs);
}
