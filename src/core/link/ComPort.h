#pragma once
// TComPort: the serial port component over a POSIX terminal device.
//
// It opens a device exclusively, configures the line in raw mode, tells how
// many received bytes wait, reads and writes without blocking, and turns the
// arrival of bytes into an OnRxChar event. An event thread (TComThread)
// poll()s the descriptor; with SynchronizeEvents (the default) it hands every
// event to the main thread by a blocking queued call and waits for it.
//
// Errors: every failed system call becomes an EComError carrying errno.
// Before it propagates, OnError runs with Action = caFail; a handler that sets
// caAbort turns it into EComAbort, the silent abort that callers catch where
// an operation simply ends.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>

class QSocketNotifier;
struct termios;

// A failure of the serial component. `code` is errno, or 0 for the
// component's own errors.
class EComError : public std::runtime_error {
public:
    EComError(int code, const QString& message);
    int code() const { return errorCode; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    int errorCode;
};

// The silent abort: a port error that the error handler chose not to show.
class EComAbort : public std::exception {
public:
    const char* what() const noexcept override { return "silent abort"; }
};

enum class TComAction { caFail, caAbort };

// Each enumeration's Default member leaves the driver's current setting alone.
enum class TBaudRate {
    brDefault, br50, br75, br110, br150, br300, br600, br1200, br1800, br2400,
    br4800, br9600, br19200, br38400, br57600, br115200, br230400
};
enum class TDataBits { dbDefault, db5, db6, db7, db8 };
enum class TParity { paDefault, paNone, paOdd, paEven, paMark, paSpace };
enum class TStopBits { sbDefault, sb1, sb2 };
enum class TDTRControl { dcDefault, dcDisable, dcEnable };
enum class TRTSControl { rcDefault, rcDisable, rcEnable };

struct TFlowControl {
    TDTRControl DTR = TDTRControl::dcDefault;
    TRTSControl RTS = TRTSControl::rcDefault;
};

class TComThread;
struct ComThreadShared;

class TComPort : public QObject {
    Q_OBJECT
public:
    using RxCharHandler = std::function<void(TComPort& sender)>;
    using ErrorHandler = std::function<void(TComPort& port, const EComError& error, TComAction& action)>;

    explicit TComPort(QObject* parent = nullptr);
    ~TComPort() override;  // closes the port

    // ---- Properties -----------------------------------------------------------
    bool Active() const { return fd >= 0; }
    // Opens or closes the port; a failure to open raises (through OnError).
    void setActive(bool active);
    void Open() { setActive(true); }
    void Close() { setActive(false); }

    TBaudRate BaudRate = TBaudRate::brDefault;
    TDataBits DataBits = TDataBits::dbDefault;
    TParity Parity = TParity::paDefault;
    TStopBits StopBits = TStopBits::sbDefault;
    TFlowControl FlowControl;
    // Line settings changed on an open port take effect with applyLineSettings().
    void applyLineSettings();

    QString DeviceName() const { return deviceName; }
    // Raises "Can't perform this operation on an open port" when changed while open.
    void setDeviceName(const QString& name);

    bool SynchronizeEvents() const { return synchronizeEvents; }
    void setSynchronizeEvents(bool value);

    // ---- Events ---------------------------------------------------------------
    // Assigning or clearing OnRxChar on an open port starts or stops the event thread.
    void setOnRxChar(RxCharHandler handler);
    bool hasOnRxChar() const { return static_cast<bool>(onRxChar); }
    ErrorHandler OnError;

    // ---- Operations -----------------------------------------------------------
    // Bytes waiting in the input queue.
    int InputCount();
    // Sleeps until received bytes wait or `timeoutMs` has passed; true when
    // bytes wait. For ports that are polled instead of served by OnRxChar.
    bool WaitForInput(int timeoutMs);
    // Reads up to `count` waiting bytes without blocking; returns how many were read.
    int Read(char* buffer, int count, bool waitOnCompletion = false);
    // Writes the bytes; they are copied, so the caller's buffer may go at once.
    // What the device cannot take now is queued and sent in the background;
    // the next write first waits (up to a second) for that queue to drain.
    void Write(const char* buffer, int count, bool waitOnCompletion = false);
    void Write(const QByteArray& bytes, bool waitOnCompletion = false) { Write(bytes.constData(), int(bytes.size()), waitOnCompletion); }
    // Discard the input or output queue; nothing happens on a closed port.
    void ClearInput();
    void ClearOutput();
    // Bytes accepted by Write that still wait to go out.
    int PendingOutput() const { return int(pendingOutput.size()); }

    // Whether `fd` may be used as a serial port: a terminal that is not the
    // controlling terminal of any process (so never /dev/tty, a console or a
    // user's terminal). On refusal `why` says what it is.
    static bool isFreeSerialTerminal(int fd, QString* why = nullptr);

    // Appends the serial ports present: the system's, then the registered virtual ones.
    static void ListPorts(QStringList& ports);
    // The device path of a port name: "/dev/" + name, or the name as is when it starts with "/".
    static QString devicePathFor(const QString& portName);

private:
    friend class TComThread;

    [[noreturn]] void raise(const EComError& error);
    [[noreturn]] void raiseErrno(int code);
    void requireOpen();
    void closeHandle();
    void startThread();
    void stopThread();
    void setModemLine(int line, bool on);
    bool flushPending(int timeoutMs);
    void onWritable();
    // Called on the main thread when the event thread ends because the device failed.
    void threadFailed(int code);
    void deliverRxChar();
    // Raises the failure of a background write, once, on the next operation.
    void raiseDeferredError();

    int fd = -1;
    // The device's settings before we opened it, put back when we close it.
    std::unique_ptr<termios> savedSettings;
    int deferredError = 0;  // errno of a failed background write, not yet reported
    QString deviceName = QStringLiteral("/dev/ttyS0");
    bool synchronizeEvents = true;
    RxCharHandler onRxChar;
    std::shared_ptr<ComThreadShared> thread;
    QByteArray pendingOutput;
    std::unique_ptr<QSocketNotifier> writeNotifier;
};
