// The link log: quiet by default; switched on, it tells which ports the
// probe asked, why one did not open and what each one answered.
#include "LinkTestSupport.h"
#include "MeterSim.h"
#include "support/LogCapture.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QLatin1String(context.category) == QLatin1String("tq612.link"))
        captured << message;
}

// Collects the link log's messages while it lives.
class LinkLogCapture {
public:
    LinkLogCapture() : previous(qInstallMessageHandler(capture)) { captured.clear(); }
    ~LinkLogCapture()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QStringLiteral("tq612.link.debug=false"));
    }

private:
    QtMessageHandler previous;
};

QStringList probeAMissingPortAndAMeter(metersim::MeterSim& sim)
{
    LinkFixture f;
    f.host.ports << QStringLiteral("/dev/no-such-meter") << sim.portPath();
    captured.clear();
    f.link.ProbePorts();
    EXPECT_TRUE(f.link.Connected);
    return captured;
}

} // namespace

TEST(LinkLog, TellsWhatTheProbeAskedAndHeardWhenSwitchedOn)
{
    metersim::Options o;
    o.registerPort = false;
    o.rateMs = 0;
    metersim::MeterSim sim(o);
    ASSERT_TRUE(sim.start());
    LinkLogCapture log;

    EXPECT_TRUE(probeAMissingPortAndAMeter(sim).isEmpty()) << "quiet unless asked for";

    QLoggingCategory::setFilterRules(QStringLiteral("tq612.link.debug=true"));
    const QString lines = probeAMissingPortAndAMeter(sim).join(QLatin1Char('\n'));
    for (const QString& expected : {QStringLiteral("probe: asking /dev/no-such-meter, ") + sim.portPath(),
                                    QStringLiteral("probe: /dev/no-such-meter does not open: No such file or directory"),
                                    QStringLiteral("probe: ") + sim.portPath() + QStringLiteral(" answers 02 36 31 32"),
                                    QStringLiteral("probe: meter 612 on ") + sim.portPath()})
        EXPECT_TRUE(lines.contains(expected)) << "missing: " << expected.toStdString() << "\n" << lines.toStdString();
}

namespace {

// The live link's events: bytes from the port (some that make no frame, then
// a frame), a command sent, and the device going away.
QStringList liveLinkEvents(const QString& rules, const QByteArray& received)
{
    RawPty pty;
    LinkFixture f;
    f.link.Comm1.setDeviceName(pty.path);
    f.link.Comm1.Open();
    f.link.attachReceiver();
    const LogCapture log(rules);
    f.link.handleReceived(received.constData(), int(received.size()));
    f.link.SendCommand('a');
    pty.hangUp();
    waitUntil([&] { return !f.link.Comm1.Active(); });
    EXPECT_FALSE(f.link.Comm1.Active()) << "the port closed itself";
    return log.captured();
}

} // namespace

TEST(LinkLog, ShowsTheLiveFramesAndCommandsInHexAndThePortsFailureWhenSwitchedOn)
{
    const QByteArray junk("\x11\x22\x33\x44\x55", 5);
    const QByteArray frame = liveFrame(0x08, 0, {215, 220});
    const QByteArray received = junk + frame;

    EXPECT_EQ(liveLinkEvents(QString(), received), QStringList()) << "quiet unless asked for";

    const QStringList lines = liveLinkEvents(QStringLiteral("tq612.link.debug=true"), received);
    const QString text = lines.join(QLatin1Char('\n'));
    for (const QString& expected :
         {"tq612.link: frame: " + QString::fromLatin1(frame.toHex(' ')),
          "tq612.link: link: 5 bytes make no frame; received " + QString::fromLatin1(received.toHex(' ')),
          QStringLiteral("tq612.link: sent: 02 61 00 00 00 00 00 00 00 03"),
          QStringLiteral("tq612.link: port /dev/pts/")})
        EXPECT_TRUE(text.contains(expected)) << "missing: " << expected.toStdString() << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String(" failed: "))) << text.toStdString();
}
