// The serial port component on real pseudo-terminals.
#include "LinkTestSupport.h"
#include "link/ComPort.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

void abortOnError(TComPort& port)
{
    port.OnError = [](TComPort&, const EComError&, TComAction& a) { a = TComAction::caAbort; };
}

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
    auto pty = std::make_unique<RawPty>();
    TComPort port;
    port.setDeviceName(pty->path);
    QList<int> errors;
    port.OnError = [&](TComPort&, const EComError& e, TComAction& a) {
        errors << e.code();
        a = TComAction::caAbort;
    };
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
