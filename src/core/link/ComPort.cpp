#include "link/ComPort.h"

#include "app/Settings.h"
#include "link/ComThread.h"
#include "link/LinkLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

const char* const ClosedPortText = "Can't perform this operation on a closed port";
const char* const OpenPortText = "Can't perform this operation on an open port";
const char* const NoThreadText = "Can't create thread";
const char* const TimeoutText = "Timeout";

// How long a write waits for the bytes of the previous one to leave.
constexpr int PreviousWriteWaitMs = 1000;

speed_t speedOf(TBaudRate rate)
{
    switch (rate) {
    case TBaudRate::br50: return B50;
    case TBaudRate::br75: return B75;
    case TBaudRate::br110: return B110;
    case TBaudRate::br150: return B150;
    case TBaudRate::br300: return B300;
    case TBaudRate::br600: return B600;
    case TBaudRate::br1200: return B1200;
    case TBaudRate::br1800: return B1800;
    case TBaudRate::br2400: return B2400;
    case TBaudRate::br4800: return B4800;
    case TBaudRate::br9600: return B9600;
    case TBaudRate::br19200: return B19200;
    case TBaudRate::br38400: return B38400;
    case TBaudRate::br57600: return B57600;
    case TBaudRate::br115200: return B115200;
    case TBaudRate::br230400: return B230400;
    case TBaudRate::brDefault: break;
    }
    return B0;
}

tcflag_t sizeOf(TDataBits bits)
{
    switch (bits) {
    case TDataBits::db5: return CS5;
    case TDataBits::db6: return CS6;
    case TDataBits::db7: return CS7;
    default: return CS8;
    }
}

// Modem-line ioctls do not apply to every terminal (a pseudo-terminal has no
// DTR or RTS); those refusals are not failures of the port.
bool notApplicable(int code)
{
    return code == ENOTTY || code == EINVAL || code == ENOTSUP;
}

} // namespace

EComError::EComError(int code, const QString& message)
    : std::runtime_error(message.toStdString())
    , errorCode(code)
{
}

TComPort::TComPort(QObject* parent)
    : QObject(parent)
{
}

TComPort::~TComPort()
{
    stopThread();
    closeHandle();
}

void TComPort::raise(const EComError& error)
{
    TComAction action = TComAction::caFail;
    if (OnError)
        OnError(*this, error, action);
    if (action == TComAction::caAbort)
        throw EComAbort();
    throw error;
}

void TComPort::raiseErrno(int code)
{
    raise(EComError(code, QString::fromStdString(std::system_category().message(code))));
}

void TComPort::requireOpen()
{
    if (!Active())
        raise(EComError(0, QString::fromLatin1(ClosedPortText)));
    raiseDeferredError();
}

void TComPort::raiseDeferredError()
{
    if (deferredError != 0)
        raiseErrno(std::exchange(deferredError, 0));
}

bool TComPort::isFreeSerialTerminal(int fd, QString* why)
{
    const auto refuse = [why](const char* text) {
        if (why)
            *why = QString::fromLatin1(text);
        return false;
    };
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !::isatty(fd))
        return refuse("not a terminal");
    // /dev/tty (the opener's own terminal), /dev/console, /dev/ptmx and the
    // virtual consoles are terminals, never serial ports.
    const unsigned deviceMajor = major(st.st_rdev);
    const unsigned deviceMinor = minor(st.st_rdev);
    if (deviceMajor == 5 || (deviceMajor == 4 && deviceMinor < 64))
        return refuse("a console or the controlling terminal");
    // Nor is a terminal that some process has as its controlling terminal:
    // a user's shell or a login line.
    QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!pid.front().isDigit())
            continue;
        QFile status(proc.filePath(pid + QStringLiteral("/stat")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid pgrp session tty_nr ...; comm may hold blanks and parentheses.
        const QByteArray line = status.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 4 && fields[4].toLongLong() == qint64(st.st_rdev) && st.st_rdev != 0)
            return refuse("the terminal of a running session");
    }
    return true;
}

QString TComPort::devicePathFor(const QString& portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

void TComPort::setDeviceName(const QString& name)
{
    if (name == deviceName)
        return;
    if (Active())
        raise(EComError(0, QString::fromLatin1(OpenPortText)));
    deviceName = name;
}

void TComPort::setSynchronizeEvents(bool value)
{
    if (value == synchronizeEvents)
        return;
    if (Active())
        raise(EComError(0, QString::fromLatin1(OpenPortText)));
    synchronizeEvents = value;
}

void TComPort::setActive(bool active)
{
    if (active == Active())
        return;
    if (!active) {
        stopThread();
        closeHandle();
        return;
    }
    const int handle = ::open(deviceName.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        raiseErrno(errno);
    fd = handle;
    deferredError = 0;
    try {
        QString refusal;
        if (!isFreeSerialTerminal(fd, &refusal))
            raise(EComError(ENOTTY, deviceName + QStringLiteral(": ") + refusal));
        if (::ioctl(fd, TIOCEXCL) != 0)
            raiseErrno(errno);
        // The exclusive mode does not hold against root; the lock does, so a
        // second program on the same port is refused instead of garbling
        // the first one's frames.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            raiseErrno(errno == EWOULDBLOCK ? EBUSY : errno);
        // Whoever used the device before us gets its settings back when we close it.
        auto saved = std::make_unique<termios>();
        if (::tcgetattr(fd, saved.get()) != 0)
            raiseErrno(errno);
        savedSettings = std::move(saved);
        ::tcflush(fd, TCIOFLUSH);
        applyLineSettings();
        if (onRxChar)
            startThread();
    } catch (...) {
        stopThread();
        closeHandle();
        throw;
    }
}

void TComPort::applyLineSettings()
{
    if (!Active())
        return;
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        raiseErrno(errno);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (BaudRate != TBaudRate::brDefault) {
        ::cfsetispeed(&tio, speedOf(BaudRate));
        ::cfsetospeed(&tio, speedOf(BaudRate));
    }
    if (DataBits != TDataBits::dbDefault) {
        tio.c_cflag &= ~CSIZE;
        tio.c_cflag |= sizeOf(DataBits);
    }
    switch (Parity) {
    case TParity::paDefault: break;
    case TParity::paNone: tio.c_cflag &= ~(PARENB | PARODD | CMSPAR); break;
    case TParity::paOdd: tio.c_cflag = (tio.c_cflag & ~CMSPAR) | PARENB | PARODD; break;
    case TParity::paEven: tio.c_cflag = (tio.c_cflag & ~(CMSPAR | PARODD)) | PARENB; break;
    case TParity::paMark: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case TParity::paSpace: tio.c_cflag = (tio.c_cflag & ~PARODD) | PARENB | CMSPAR; break;
    }
    if (StopBits == TStopBits::sb1)
        tio.c_cflag &= ~CSTOPB;
    else if (StopBits == TStopBits::sb2)
        tio.c_cflag |= CSTOPB;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        raiseErrno(errno);
    if (FlowControl.DTR != TDTRControl::dcDefault)
        setModemLine(TIOCM_DTR, FlowControl.DTR == TDTRControl::dcEnable);
    if (FlowControl.RTS != TRTSControl::rcDefault)
        setModemLine(TIOCM_RTS, FlowControl.RTS == TRTSControl::rcEnable);
}

void TComPort::setModemLine(int line, bool on)
{
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0 && !notApplicable(errno))
        raiseErrno(errno);
}

void TComPort::closeHandle()
{
    writeNotifier.reset();
    pendingOutput.clear();
    if (fd >= 0) {
        if (savedSettings)
            ::tcsetattr(fd, TCSANOW, savedSettings.get());
        // Give up exclusivity first: the flag outlives our descriptor while
        // anyone else holds the terminal open, and would bar our next open.
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        fd = -1;
    }
    savedSettings.reset();
}

void TComPort::setOnRxChar(RxCharHandler handler)
{
    onRxChar = std::move(handler);
    if (!Active())
        return;
    if (onRxChar && !thread)
        startThread();
    else if (!onRxChar)
        stopThread();
}

void TComPort::startThread()
{
    try {
        auto shared = std::make_shared<ComThreadShared>(this, fd, synchronizeEvents);
        TComThread::start(shared);
        thread = std::move(shared);
    } catch (const std::system_error&) {
        raise(EComError(0, QString::fromLatin1(NoThreadText)));
    }
}

void TComPort::stopThread()
{
    if (!thread)
        return;
    thread->stop();
    thread.reset();
}

void TComPort::deliverRxChar()
{
    if (onRxChar && Active())
        onRxChar(*this);
    // The receive thread waits for the handler to take the bytes before it polls again.
    if (thread)
        thread->wake();
}

void TComPort::threadFailed(int code)
{
    // The device is gone (or failed for good): the port counts as closed, so
    // a later open can find the device again.
    thread.reset();
    closeHandle();
    qCDebug(linkLog).noquote() << "port" << deviceName << "failed:"
                               << QString::fromStdString(std::system_category().message(code));
    try {
        raiseErrno(code);
    } catch (const EComAbort&) {
        // Silent by the error handler's choice.
    } catch (const EComError&) {
        // Nobody to tell on the receive thread's behalf but the log.
    }
}

int TComPort::InputCount()
{
    requireOpen();
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0)
        raiseErrno(errno);
    return count;
}

bool TComPort::WaitForInput(int timeoutMs)
{
    requireOpen();
    pollfd in{fd, POLLIN, 0};
    const int ready = ::poll(&in, 1, std::max(timeoutMs, 0));
    if (ready < 0 && errno != EINTR)
        raiseErrno(errno);
    if (ready <= 0)
        return false;
    if (in.revents & POLLIN)
        return true;
    // Hung up or failed with nothing left to read: the device has gone.
    raiseErrno(EIO);
}

int TComPort::Read(char* buffer, int count, bool /*waitOnCompletion*/)
{
    requireOpen();
    if (count <= 0)
        return 0;
    const ssize_t n = ::read(fd, buffer, size_t(count));
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return 0;
        raiseErrno(errno);
    }
    return int(n);
}

bool TComPort::flushPending(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!pendingOutput.isEmpty()) {
        const ssize_t n = ::write(fd, pendingOutput.constData(), size_t(pendingOutput.size()));
        if (n > 0) {
            pendingOutput.remove(0, n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            raiseErrno(errno);
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0)
            return false;
        pollfd out{fd, POLLOUT, 0};
        ::poll(&out, 1, int(left));
    }
    return true;
}

void TComPort::onWritable()
{
    // A failed background write is reported by the next operation on the port.
    const ssize_t n = pendingOutput.isEmpty()
        ? 0 : ::write(fd, pendingOutput.constData(), size_t(pendingOutput.size()));
    if (n > 0) {
        pendingOutput.remove(0, n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        deferredError = errno;
        pendingOutput.clear();
    }
    if (writeNotifier)
        writeNotifier->setEnabled(!pendingOutput.isEmpty());
}

void TComPort::Write(const char* buffer, int count, bool waitOnCompletion)
{
    requireOpen();
    if (!flushPending(PreviousWriteWaitMs))
        raise(EComError(0, QString::fromLatin1(TimeoutText)));
    if (count <= 0)
        return;
    pendingOutput.append(buffer, count);
    if (!flushPending(waitOnCompletion ? PreviousWriteWaitMs : 0) && waitOnCompletion)
        raise(EComError(0, QString::fromLatin1(TimeoutText)));
    if (pendingOutput.isEmpty())
        return;
    // The device took only part of it: send the rest when it can take more.
    if (!writeNotifier) {
        writeNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(writeNotifier.get(), &QSocketNotifier::activated, this, &TComPort::onWritable);
    }
    writeNotifier->setEnabled(true);
}

void TComPort::ClearInput()
{
    if (Active())
        ::tcflush(fd, TCIFLUSH);
}

void TComPort::ClearOutput()
{
    if (!Active())
        return;
    pendingOutput.clear();
    if (writeNotifier)
        writeNotifier->setEnabled(false);
    ::tcflush(fd, TCOFLUSH);
}

void TComPort::ListPorts(QStringList& ports)
{
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports << info.portName();
    ports << AppSettings::registeredSerialPorts();
}
