// The serial port component on real pseudo-terminals.
#include "LinkTestSupport.h"
#include "link/ComPort.h"

#include <QSettings>
#include <csignal>
#include <sys/file.h>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace {

void abortOnError(TComPort& port)
{
    port.OnError = [](TComPort&, const EComError&, TComAction& a) { a = TComAction::caAbort; };
}

// A port on a pseudo-terminal that notes the code of each error it reports
// and aborts the failed operation.
struct PortOnPty {
    std::unique_ptr<RawPty> pty = std::make_unique<RawPty>();
    TComPort port;
    QList<int> errors;

    PortOnPty()
    {
        port.setDeviceName(pty->path);
        port.OnError = [this](TComPort&, const EComError& e, TComAction& a) {
            errors << e.code();
            a = TComAction::caAbort;
        };
    }
};

TEST(ComPort, DevicePathOfAPortName)
{
    EXPECT_EQ(TComPort::devicePathFor(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(TComPort::devicePathFor(QStringLiteral("/dev/pts/7")), QStringLiteral("/dev/pts/7"));
}

TEST(ComPort, OpeningAMissingDeviceFailsWithErrnoAndStaysClosed)
{
    TComPort port;
    port.setDeviceName(QStringLiteral("/dev/no-such-meter"));
    try {
        port.Open();
        FAIL() << "opened a missing device";
    } catch (const EComError& e) {
        EXPECT_EQ(e.code(), ENOENT);
    }
    EXPECT_FALSE(port.Active());

    abortOnError(port);
    EXPECT_THROW(port.Open(), EComAbort);
    EXPECT_FALSE(port.Active());
}

TEST(ComPort, OperationsOnAClosedPortRaiseTheComponentsMessage)
{
    TComPort port;
    const auto expectClosed = [](const std::function<void()>& op) {
        try {
            op();
            FAIL() << "no error";
        } catch (const EComError& e) {
            EXPECT_EQ(e.code(), 0);
            EXPECT_EQ(e.message(), QStringLiteral("Can't perform this operation on a closed port"));
        }
    };
    char buf[4];
    expectClosed([&] { port.Write("x", 1); });
    expectClosed([&] { port.Read(buf, 1); });
    expectClosed([&] { port.InputCount(); });
    port.ClearInput();   // nothing to do on a closed port
    port.ClearOutput();
}

TEST(ComPort, DeviceNameCannotChangeWhileOpen)
{
    RawPty pty;
    TComPort port;
    port.setDeviceName(pty.path);
    port.Open();
    port.setDeviceName(pty.path);  // the same name is fine
    try {
        port.setDeviceName(QStringLiteral("/dev/null"));
        FAIL() << "changed the device of an open port";
    } catch (const EComError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Can't perform this operation on an open port"));
    }
    EXPECT_EQ(port.DeviceName(), pty.path);
}

TEST(ComPort, ReadsWritesAndCountsBytes)
{
    RawPty pty;
    TComPort port;
    port.BaudRate = TBaudRate::br9600;
    port.DataBits = TDataBits::db8;
    port.Parity = TParity::paNone;
    port.StopBits = TStopBits::sb1;
    port.FlowControl = {TDTRControl::dcEnable, TRTSControl::rcEnable};  // not applicable on a pty: ignored
    port.setDeviceName(pty.path);
    port.Open();
    ASSERT_TRUE(port.Active());

    {
        QByteArray shortLived("\x02K\0\0\0\0\0\0\0\x03", 10);
        port.Write(shortLived.constData(), 10);
        shortLived.fill('!');  // the port keeps its own copy
    }
    QByteArray written;
    waitUntil([&] {
        written += pty.readAll();
        return written.size() >= 10;
    });
    EXPECT_EQ(written.toHex(), QByteArray("\x02K\0\0\0\0\0\0\0\x03", 10).toHex());

    pty.write("hello");
    ASSERT_TRUE(waitUntil([&] { return port.InputCount() == 5; }));
    char buf[8];
    EXPECT_EQ(port.Read(buf, 5), 5);
    EXPECT_EQ(QByteArray(buf, 5), "hello");

    pty.write("stale");
    ASSERT_TRUE(waitUntil([&] { return port.InputCount() == 5; }));
    port.ClearInput();
    EXPECT_EQ(port.InputCount(), 0);
}

TEST(ComPort, AWriteLargerThanTheDeviceTakesLosesNothing)
{
    RawPty pty;
    TComPort port;
    port.setDeviceName(pty.path);
    port.Open();
    QByteArray data;
    for (int i = 0; i < 200000; ++i)
        data.append(char('a' + i % 26));
    port.Write(data);
    EXPECT_GT(port.PendingOutput(), 0);  // the terminal could not take it all at once
    QByteArray arrived;
    EXPECT_TRUE(waitUntil([&] {
        arrived += pty.readAll();
        return arrived.size() >= data.size();
    }, 5000));
    EXPECT_EQ(arrived, data);
}

TEST(ComPort, RxCharArrivesOnTheMainThreadOnlyWhileAssigned)
{
    RawPty pty;
    TComPort port;
    port.setDeviceName(pty.path);
    QByteArray got;
    bool onMainThread = true;
    port.setOnRxChar([&](TComPort& p) {
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        char buf[64];
        got.append(buf, p.Read(buf, std::min(p.InputCount(), 64)));
    });
    port.Open();  // assigned before opening: the event thread starts now
    pty.write("abc");
    EXPECT_TRUE(waitUntil([&] { return got == "abc"; }));
    EXPECT_TRUE(onMainThread);

    port.setOnRxChar(nullptr);
    pty.write("def");
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(got, "abc");
    EXPECT_EQ(port.InputCount(), 3);  // stays in the queue
}

TEST(ComPort, ClosingWhileTheEventThreadWaitsForTheMainThreadDoesNotHang)
{
    RawPty pty;
    TComPort port;
    port.setDeviceName(pty.path);
    int calls = 0;
    port.setOnRxChar([&](TComPort&) { ++calls; });
    port.Open();
    pty.write("x");
    QThread::msleep(100);  // the event thread is now blocked handing us the event
    QElapsedTimer t;
    t.start();
    port.Close();
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_FALSE(port.Active());
    QCoreApplication::processEvents();  // the queued event finds the port closed
    EXPECT_EQ(calls, 0);

    // And it opens again at once: the descriptor was really let go.
    port.Open();
    EXPECT_TRUE(port.Active());
}

TEST(ComPort, ClosingFromInsideTheHandler)
{
    RawPty pty;
    TComPort port;
    port.setDeviceName(pty.path);
    int calls = 0;
    port.setOnRxChar([&](TComPort& p) {
        ++calls;
        p.Close();
    });
    port.Open();
    pty.write("x");
    EXPECT_TRUE(waitUntil([&] { return !port.Active(); }));
    EXPECT_EQ(calls, 1);
}

TEST(ComPort, ADeviceThatDisappearsEndsTheThreadAndClosesThePort)
{
    PortOnPty p;
    auto& [pty, port, errors] = p;
    port.setOnRxChar([](TComPort&) {});
    port.Open();
    pty->hangUp();
    EXPECT_TRUE(waitUntil([&] { return !port.Active(); }));
    EXPECT_EQ(errors, QList<int>{EIO});
    // Writing now is the closed-port error, turned into a silent abort.
    EXPECT_THROW(port.Write("X", 1), EComAbort);
    // Reopening the vanished device fails quietly as well.
    EXPECT_THROW(port.Open(), EComAbort);
    EXPECT_FALSE(port.Active());
}

// A pseudo-terminal with the settings a fresh terminal has (echo, lines).
struct CookedPty {
    CookedPty()
    {
        char name[256] = {};
        ::openpty(&master, &slave, name, nullptr, nullptr);
        path = QString::fromLocal8Bit(name);
    }
    ~CookedPty()
    {
        ::close(slave);
        ::close(master);
    }
    tcflag_t localFlags() const
    {
        termios tio{};
        ::tcgetattr(slave, &tio);
        return tio.c_lflag;
    }
    int master = -1, slave = -1;
    QString path;
};

// A child process in a session of its own with `path` as its controlling
// terminal, as a shell has its terminal.
class SessionOnTerminal {
public:
    explicit SessionOnTerminal(const QString& path)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        const QByteArray device = path.toLocal8Bit();
        child = ::fork();
        if (child == 0) {
            ::setsid();
            const int fd = ::open(device.constData(), O_RDWR);  // a session leader's first terminal becomes its own
            const char ok = fd >= 0 ? 'y' : 'n';
            [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        char ok = 'n';
        [[maybe_unused]] auto n = ::read(ready[0], &ok, 1);
        started = ok == 'y';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~SessionOnTerminal()
    {
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }
    bool started = false;

private:
    pid_t child = -1;
};

TEST(ComPort, NeverTakesOverATerminalInUse)
{
    CookedPty shell;
    SessionOnTerminal session(shell.path);
    ASSERT_TRUE(session.started);
    const tcflag_t before = shell.localFlags();
    ASSERT_TRUE(before & ICANON);
    // The user's own terminal, by its alias and as a terminal of a running session.
    for (const QString& device : {QStringLiteral("/dev/tty"), shell.path}) {
        SCOPED_TRACE(device.toStdString());
        TComPort port;
        abortOnError(port);
        port.setDeviceName(device);
        EXPECT_THROW(port.Open(), EComAbort);
        EXPECT_FALSE(port.Active());
    }
    EXPECT_EQ(shell.localFlags(), before) << "the terminal keeps its settings";
}

TEST(ComPort, RefusesConsolesByTheirDeviceNumber)
{
    // A pseudo-terminal master is a terminal that no session has as its own,
    // so only its device number tells it from a serial port.
    TComPort master;
    abortOnError(master);
    master.setDeviceName(QStringLiteral("/dev/ptmx"));
    EXPECT_THROW(master.Open(), EComAbort);
    EXPECT_FALSE(master.Active());

    // /dev/tty names the opener's own terminal; the tests have none, so a child
    // in a session of its own takes a pseudo-terminal as its terminal first.
    CookedPty terminal;
    const QByteArray device = terminal.path.toLocal8Bit();
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const int own = ::open(device.constData(), O_RDWR);
        const int alias = ::open("/dev/tty", O_RDWR | O_NOCTTY);
        if (own < 0 || alias < 0)
            ::_exit(2);
        ::_exit(TComPort::isFreeSerialTerminal(alias) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "the child could not open its terminal as /dev/tty";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "/dev/tty was taken for a serial port";
}

TEST(ComPort, APortLockedByAnotherProgramIsRefusedAsBusy)
{
    // Another program holds the lock but not the exclusive mode, which does
    // not hold against root anyway: the lock alone must keep us out.
    PortOnPty p;
    const int other = ::open(p.pty->path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_THROW(p.port.Open(), EComAbort);
    EXPECT_FALSE(p.port.Active());
    EXPECT_EQ(p.errors, QList<int>{EBUSY});
    ::close(other);
    p.errors.clear();
    EXPECT_NO_THROW(p.port.Open()) << "free again once the other program lets go";
    EXPECT_TRUE(p.port.Active());
}

TEST(ComPort, ClosingGivesTheDeviceItsSettingsBack)
{
    CookedPty device;  // a terminal nobody has as controlling terminal, like a virtual serial port
    const tcflag_t before = device.localFlags();
    TComPort port;
    port.setDeviceName(device.path);
    port.BaudRate = TBaudRate::br9600;
    port.Open();
    EXPECT_FALSE(device.localFlags() & (ICANON | ECHO)) << "raw while open";
    port.Close();
    EXPECT_EQ(device.localFlags(), before);
}

TEST(ComPort, AFailedBackgroundWriteIsReportedByTheNextOperation)
{
    PortOnPty p;
    auto& [pty, port, errors] = p;
    port.Open();
    port.Write(QByteArray(200000, 'x'));
    ASSERT_GT(port.PendingOutput(), 0);
    pty->hangUp();
    ASSERT_TRUE(waitUntil([&] { return port.PendingOutput() == 0; }));
    EXPECT_TRUE(errors.isEmpty()) << "nothing to report to until the next operation";
    EXPECT_THROW(port.WaitForInput(0), EComAbort);
    EXPECT_EQ(errors, QList<int>{EIO});
}

TEST(ComPort, ListPortsAppendsRegisteredVirtualPorts)
{
    auto settings = AppSettings::open();
    settings->setValue(QStringLiteral("SerialComm/zzz-test"), QStringLiteral("/dev/pts/99"));
    settings->sync();
    QStringList ports{QStringLiteral("kept")};
    TComPort::ListPorts(ports);
    EXPECT_EQ(ports.first(), QStringLiteral("kept"));
    EXPECT_EQ(ports.last(), QStringLiteral("/dev/pts/99"));
    settings->remove(QStringLiteral("SerialComm/zzz-test"));
}

} // namespace
