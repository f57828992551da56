// The meter link against the simulated meter over real pseudo-terminals.
#include "LinkTestSupport.h"
#include "MeterSim.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using metersim::BadIdentify;
using metersim::MeterSim;

metersim::Options simOptions(int model = 612, int rateMs = 0)
{
    metersim::Options o;
    o.model = model;
    o.rateMs = rateMs;
    o.registerPort = false;
    return o;
}

std::unique_ptr<MeterSim> startSim(metersim::Options o)
{
    auto sim = std::make_unique<MeterSim>(std::move(o));
    EXPECT_TRUE(sim->start());
    return sim;
}

// ---- Probe ---------------------------------------------------------------------

struct ProbeCase {
    const char* name;
    QList<metersim::Options> meters;  // one simulated device per port, in list order
    bool missingPortFirst;            // a port entry that cannot be opened, before the others
    int storedPort, storedModel;
    bool connected;
    int model, port;                  // expected MeterModel and LastConnectedPort
};

void PrintTo(const ProbeCase& c, std::ostream* os)
{
    *os << c.name;
}

metersim::Options withReply(const QByteArray& reply)
{
    auto o = simOptions();
    o.identifyReply = reply;
    return o;
}

metersim::Options withBadIdentify(BadIdentify bad)
{
    auto o = simOptions();
    o.badIdentify = bad;
    return o;
}

class Probe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Probe, FindsTheMeter)
{
    const ProbeCase c = GetParam();
    LinkFixture f;
    f.settings.LastConnectedPort = c.storedPort;
    f.settings.LastConnectedModel = c.storedModel;
    std::vector<std::unique_ptr<MeterSim>> sims;
    if (c.missingPortFirst)
        f.host.ports << QStringLiteral("/dev/no-such-meter");
    for (const auto& o : c.meters) {
        sims.push_back(startSim(o));
        f.host.ports << sims.back()->portPath();
    }

    f.link.ProbePorts();

    EXPECT_EQ(f.link.Connected, c.connected);
    EXPECT_EQ(f.link.MeterModel, c.model);
    EXPECT_EQ(f.settings.LastConnectedPort, c.port);
    EXPECT_EQ(f.host.ports.size(), qsizetype(c.meters.size()));  // the missing one is gone
    EXPECT_EQ(f.host.statusText, c.connected ? QStringLiteral("On Connection") : QStringLiteral("Off Connection"));
    EXPECT_EQ(f.host.noConnectionVisible, !c.connected);
    EXPECT_EQ(f.host.enabled[LinkControl::btnRun], c.connected);
    EXPECT_EQ(f.host.enabled[LinkControl::Run1], c.connected);
    EXPECT_FALSE(f.host.enabled[LinkControl::btnStop]);
    if (c.connected)
        EXPECT_EQ(f.settings.LastConnectedModel, c.model);
    // Every device was asked once; Comm1 ends open on the chosen port with the start request sent.
    for (int i = 0; i < int(sims.size()); ++i) {
        const bool chosen = i == c.port;
        if (i <= c.port || !c.connected)
            EXPECT_EQ(sims[i]->commandCount('K'), 1) << "port " << i;
        EXPECT_TRUE(waitUntil([&] { return sims[i]->commandCount('a') == (chosen ? 1 : 0); }, chosen ? 2000 : 50))
            << "port " << i;
    }
    EXPECT_EQ(f.host.statusDevice, f.link.Comm1.DeviceName());
    EXPECT_EQ(f.link.Comm1.DeviceName(), f.host.ports.value(c.port));
    EXPECT_TRUE(f.link.Comm1.hasOnRxChar());
}

INSTANTIATE_TEST_SUITE_P(Meters, Probe, ::testing::Values(
    ProbeCase{"612", {simOptions(612)}, false, 0, 612, true, 612, 0},
    ProbeCase{"618", {simOptions(618)}, false, 0, 612, true, 618, 0},
    ProbeCase{"612 and 618 in the reply", {withReply("612618")}, false, 0, 618, true, 612, 0},
    ProbeCase{"short and wrong replies skipped",
              {withBadIdentify(BadIdentify::Short), withBadIdentify(BadIdentify::Wrong), simOptions(618)}, false, 0, 612,
              true, 618, 2},
    ProbeCase{"a port that fails to open is removed", {simOptions(612)}, true, 0, 618, true, 612, 0},
    ProbeCase{"none answers: stored port 5 of 3 gives entry 0, model 700 gives 618",
              {withBadIdentify(BadIdentify::Wrong), withBadIdentify(BadIdentify::Short), withBadIdentify(BadIdentify::Wrong)},
              false, 5, 700, false, 618, 0},
    ProbeCase{"none answers: stored port -1 gives entry 0", {withBadIdentify(BadIdentify::Short)}, false, -1, 612, false,
              612, 0},
    ProbeCase{"none answers: stored port 1 is kept", {withBadIdentify(BadIdentify::Short), withBadIdentify(BadIdentify::Short)},
              false, 1, 612, false, 612, 1}),
    [](const auto& info) {
        QString n = QString::fromLatin1(info.param.name);
        n.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        return n.toStdString();
    });

// The port last used, remembered by name, is asked first wherever the
// system has put it in the list this time.
struct RememberedCase {
    const char* name;
    QList<metersim::Options> meters;  // one simulated device per port, in list order
    int remembered;                   // the port whose name is stored, -1 none
    bool byId;                        // stored as a /dev/serial/by-id link's path, else as the device path
    bool connected;
    int model, port;                  // expected MeterModel and LastConnectedPort
};

void PrintTo(const RememberedCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProbeRemembered : public ::testing::TestWithParam<RememberedCase> {};

TEST_P(ProbeRemembered, AsksThatPortFirst)
{
    const RememberedCase c = GetParam();
    QTemporaryDir root;  // the system's /dev/serial/by-id
    LinkFixture f;
    f.link.PortNames = SystemView(root.path());
    f.settings.LastConnectedPort = 0;  // the index from another numbering of the ports
    std::vector<std::unique_ptr<MeterSim>> sims;
    for (const auto& o : c.meters) {
        sims.push_back(startSim(o));
        f.host.ports << sims.back()->portPath();
    }
    const QString byIdPath = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_D30A1B2C-if00-port0");
    if (c.remembered >= 0) {
        const QString device = f.host.ports[c.remembered];
        f.settings.LastConnectedPortName = c.byId ? byIdPath : device;
        if (c.byId) {
            ASSERT_TRUE(QDir().mkpath(root.path() + QStringLiteral("/dev/serial/by-id")));
            ASSERT_TRUE(QFile::link(device, root.path() + byIdPath));
        }
    }

    f.link.ProbePorts();

    EXPECT_EQ(f.link.Connected, c.connected);
    EXPECT_EQ(f.link.MeterModel, c.model);
    EXPECT_EQ(f.settings.LastConnectedPort, c.port);
    EXPECT_EQ(f.link.Comm1.DeviceName(), f.host.ports.value(c.port));
    if (c.remembered >= 0)
        EXPECT_EQ(sims[c.remembered]->commandCount('K'), 1) << "the remembered port is asked";
    // The order of asking: the remembered port, then the list's order; none after the meter.
    QList<int> order;
    for (int i = 0; i < int(sims.size()); ++i)
        order << i;
    if (c.remembered >= 0)
        order.move(c.remembered, 0);
    for (int i = 0; i < int(sims.size()); ++i) {
        const bool asked = !c.connected || order.indexOf(i) <= order.indexOf(c.port);
        EXPECT_EQ(sims[i]->commandCount('K'), asked ? 1 : 0) << "port " << i;
    }
    if (c.connected) {
        const bool storedById = c.byId && c.port == c.remembered;
        EXPECT_EQ(f.settings.LastConnectedPortName, storedById ? byIdPath : f.host.ports[c.port]);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, ProbeRemembered, ::testing::Values(
    RememberedCase{"by-id link, third of three", {simOptions(612), simOptions(612), simOptions(618)}, 2, true, true, 618, 2},
    RememberedCase{"device path, second of two", {simOptions(612), simOptions(618)}, 1, false, true, 618, 1},
    RememberedCase{"nothing remembered: the list's order", {simOptions(618), simOptions(612)}, -1, false, true, 618, 0},
    RememberedCase{"the remembered port is silent: then the list's order",
                   {simOptions(612), withBadIdentify(BadIdentify::Wrong), simOptions(618)}, 1, true, true, 612, 0},
    RememberedCase{"none answers: the remembered port is selected",
                   {withBadIdentify(BadIdentify::Wrong), withBadIdentify(BadIdentify::Short), withBadIdentify(BadIdentify::Wrong)},
                   2, true, false, 612, 2}),
    [](const auto& info) {
        QString n = QString::fromLatin1(info.param.name);
        n.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        return n.toStdString();
    });

TEST(PortChange, RemembersTheNameOfAPortThatOpens)
{
    auto sim = startSim(simOptions());
    LinkFixture f;
    f.link.ComboBoxDeviceNameChange(sim->portPath(), 0);
    EXPECT_EQ(f.settings.LastConnectedPortName, sim->portPath());
    f.link.ComboBoxDeviceNameChange(QStringLiteral("ttyNo"), -1);  // half typed
    EXPECT_EQ(f.settings.LastConnectedPortName, sim->portPath());
}

TEST(ProbeWithoutPorts, RunsWithoutAMeter)
{
    LinkFixture f;
    f.link.ProbePorts();
    EXPECT_FALSE(f.link.Connected);
    EXPECT_FALSE(f.link.Comm1.Active());
    EXPECT_EQ(f.host.statusText, QStringLiteral("Off Connection"));
}

// ---- Live frames and the watchdog -------------------------------------------------

class ConnectedLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = startSim(simOptions(612, 0));
        f.host.ports << sim->portPath();
        f.link.ProbePorts();
        ASSERT_TRUE(f.link.Connected);
        ASSERT_TRUE(waitUntil([&] { return sim->commandCount('a') == 1; }));
        sim->clearCommands();
    }

    // The meter sends one frame and the link has handled it.
    void frameArrives()
    {
        const int before = int(f.host.frames.size());
        sim->sendLiveFrame();
        ASSERT_TRUE(waitUntil([&] { return f.host.frames.size() > before; }));
    }

    LinkFixture f;
    std::unique_ptr<MeterSim> sim;
};

TEST_F(ConnectedLink, FramesUpdateReadingsAndTheKeepAliveFollows)
{
    frameArrives();
    const metersim::MeterState shown = sim->snapshot();
    EXPECT_NEAR(f.link.LatestReadings[0], shown.shown[0], 0.051);
    EXPECT_NEAR(f.link.LatestReadings[2], shown.shown[2], 0.051);  // negative, sign and magnitude
    EXPECT_TRUE(f.link.FrameSeen);
    f.link.MainTimerTimer();
    EXPECT_FALSE(f.link.FrameSeen);
    EXPECT_TRUE(waitUntil([&] { return sim->commandCount('X') == 1; }));
    EXPECT_FALSE(f.link.SendingCommand);
    EXPECT_FALSE(f.link.InMainTimer);
}

TEST_F(ConnectedLink, KeyCommandsShowInLaterFramesAndHoldIsPassedOn)
{
    f.link.SendFrame(TCommandFrame('H'));
    f.link.SendFrame(TCommandFrame('E'));
    ASSERT_TRUE(waitUntil([&] { return sim->snapshot().hold; }));
    frameArrives();
    frameArrives();
    EXPECT_TRUE(f.host.frames.last().Hold);
    EXPECT_TRUE(f.link.MeterRecording);
    EXPECT_EQ(f.host.previousHolds, (QList<bool>{false, true}));
    EXPECT_TRUE(f.link.PreviousHold);
}

TEST_F(ConnectedLink, TwoSilentTicksKeepTheLinkThreeDropItAndSendTheStartRequest)
{
    frameArrives();
    f.link.MainTimerTimer();
    f.link.MainTimerTimer();  // silent
    f.link.MainTimerTimer();  // silent
    EXPECT_TRUE(f.link.Connected);
    frameArrives();
    f.link.MainTimerTimer();  // a frame on the third tick: still connected
    EXPECT_TRUE(f.link.Connected);
    EXPECT_EQ(f.link.MissedTicks, 0);
    EXPECT_EQ(f.host.statusText, QStringLiteral("On Connection"));

    f.link.Receiver.append("\x02partial", 8);
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();
    EXPECT_FALSE(f.link.Connected);
    EXPECT_EQ(f.host.statusText, QStringLiteral("Off Connection"));
    EXPECT_TRUE(f.host.noConnectionVisible);
    EXPECT_EQ(f.link.Receiver.size(), 0);
    for (auto [control, on] : f.host.enabled)
        EXPECT_FALSE(on) << int(control);
    ASSERT_TRUE(waitUntil([&] { return sim->commandCount('a') == 1; }));
    const QList<QByteArray> sent = sim->commands();
    EXPECT_EQ(sent.last(), QByteArray("\x02" "a\0\0\0\0\0\0\0\x03", 10));
    EXPECT_EQ(sim->commandCount('X'), 2);

    // Still silent: the start request goes out every third tick.
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();
    EXPECT_TRUE(waitUntil([&] { return sim->commandCount('a') == 2; }));
}

TEST_F(ConnectedLink, FirstFrameAfterALossRestoresTheControls)
{
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();
    ASSERT_FALSE(f.link.Connected);

    frameArrives();
    EXPECT_TRUE(f.link.Connected);
    EXPECT_EQ(f.host.statusText, QStringLiteral("On Connection"));
    EXPECT_FALSE(f.host.noConnectionVisible);
    EXPECT_TRUE(f.host.enabled[LinkControl::btnRun]);
    EXPECT_TRUE(f.host.enabled[LinkControl::Run1]);
    EXPECT_FALSE(f.host.enabled[LinkControl::btnStop]);
    EXPECT_TRUE(f.host.enabled[LinkControl::btnDataLogger]);
    EXPECT_TRUE(f.host.enabled[LinkControl::DataLogger1]);
    EXPECT_TRUE(f.host.clearEnabled);
}

TEST_F(ConnectedLink, ALossDuringARunLeavesOnlyStop)
{
    f.host.running = true;
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();
    ASSERT_FALSE(f.link.Connected);
    for (auto [control, on] : f.host.enabled) {
        const bool stop = control == LinkControl::btnStop || control == LinkControl::Stop1;
        EXPECT_EQ(on, stop) << int(control);
    }
}

TEST_F(ConnectedLink, FirstFrameDuringARunEnablesStopOnly)
{
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();
    f.host.running = true;
    frameArrives();
    EXPECT_FALSE(f.host.enabled[LinkControl::btnRun]);
    EXPECT_FALSE(f.host.enabled[LinkControl::Run1]);
    EXPECT_TRUE(f.host.enabled[LinkControl::btnStop]);
    EXPECT_TRUE(f.host.enabled[LinkControl::Stop1]);
    EXPECT_TRUE(f.host.enabled[LinkControl::btnDataLogger]);
    EXPECT_FALSE(f.host.clearEnabled);
}

TEST_F(ConnectedLink, SamplesEveryRealTimeRateTicksThatFollowAFrame)
{
    f.settings.RealTimeRate = 2;
    f.host.running = true;
    f.link.RateTicks = f.settings.RealTimeRate;  // a run starts: first sample on the next tick
    for (int tick = 0; tick < 5; ++tick) {
        frameArrives();
        f.link.MainTimerTimer();
    }
    ASSERT_EQ(f.host.samples.size(), 3);  // ticks 1, 3, 5
    EXPECT_EQ(f.host.samples.last().second, f.link.LatestReadings);
}

TEST_F(ConnectedLink, AVanishedDeviceClosesThePortAndTheProgramCarriesOn)
{
    frameArrives();
    f.link.MainTimerTimer();
    sim->unplug();
    ASSERT_TRUE(waitUntil([&] { return !f.link.Comm1.Active(); }));
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();  // also tries to reopen the vanished device, quietly
    EXPECT_FALSE(f.link.Connected);
    EXPECT_EQ(f.host.statusText, QStringLiteral("Off Connection"));
    EXPECT_FALSE(f.link.Comm1.Active());
    EXPECT_FALSE(f.link.InMainTimer);
}

TEST(Reconnect, AMeterPluggedBackInUnderTheSameNameIsFoundAgain)
{
    // A stable name for a changing device, like /dev/ttyUSB0 for whatever adapter is plugged in.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("ttyMeter"));
    auto first = startSim(simOptions(612, 20));
    ASSERT_TRUE(QFile::link(first->portPath(), name));
    LinkFixture f;
    f.host.ports << name;
    f.link.ProbePorts();
    ASSERT_TRUE(f.link.Connected);
    ASSERT_TRUE(waitUntil([&] { return f.link.FrameSeen; }));

    first->unplug();
    ASSERT_TRUE(waitUntil([&] { return !f.link.Comm1.Active(); }));
    for (int tick = 0; tick < 3; ++tick) {
        f.link.FrameSeen = false;
        f.link.MainTimerTimer();
    }
    ASSERT_FALSE(f.link.Connected);

    auto second = startSim(simOptions(612, 20));
    QFile::remove(name);
    ASSERT_TRUE(QFile::link(second->portPath(), name));
    for (int tick = 0; tick < 3; ++tick)
        f.link.MainTimerTimer();  // the third reopens the port and sends "a"
    EXPECT_TRUE(f.link.Comm1.Active());
    EXPECT_TRUE(waitUntil([&] { return f.link.Connected; }));
    EXPECT_EQ(f.host.statusText, QStringLiteral("On Connection"));
    EXPECT_EQ(second->commandCount('a'), 1);
}

TEST(Reconnect, AnAdapterBackUnderAnotherDeviceNameIsFollowedByItsLastingName)
{
    // /dev/serial/by-id in a folder of the test's own, pointing at the meter's pty.
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("dev/serial/by-id")));
    const QString byId = root.filePath(QStringLiteral("dev/serial/by-id/usb-Meter_4ch-if00-port0"));
    auto first = startSim(simOptions(612, 20));
    ASSERT_TRUE(QFile::link(first->portPath(), byId));
    LinkFixture f;
    f.link.PortNames = SystemView(root.path());
    f.host.ports << first->portPath();
    f.link.ProbePorts();
    ASSERT_TRUE(f.link.Connected);
    EXPECT_EQ(f.settings.LastConnectedPortName, QStringLiteral("/dev/serial/by-id/usb-Meter_4ch-if00-port0"));

    // Unplugged, and back as another device: the by-id link moves with it.
    // (The second is made first, so that it cannot get the first one's name.)
    auto second = startSim(simOptions(612, 20));
    ASSERT_NE(second->portPath(), first->portPath());
    first->unplug();
    ASSERT_TRUE(waitUntil([&] { return !f.link.Comm1.Active(); }));
    QFile::remove(byId);
    ASSERT_TRUE(QFile::link(second->portPath(), byId));
    for (int tick = 0; tick < 3; ++tick) {
        f.link.FrameSeen = false;
        f.link.MainTimerTimer();  // the third declares the link lost and follows the adapter
    }
    EXPECT_EQ(QFileInfo(f.link.Comm1.DeviceName()).canonicalFilePath(), QFileInfo(second->portPath()).canonicalFilePath());
    EXPECT_TRUE(waitUntil([&] { return f.link.Connected; }));
    EXPECT_EQ(second->commandCount('a'), 1);
}

// Two adapters were unplugged; the other one came back first and took the
// meter's old device name (ttyUSB0, here a name in the fixture root), while
// the meter's by-id link left with its adapter. The restart must not ask the
// other device, and follows the meter's adapter wherever its by-id link leads.
TEST(Reconnect, AnotherAdapterOnTheOldNameIsNotAskedAndTheMetersOwnIsFollowed)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("dev/serial/by-id")));
    const QString oldName = root.filePath(QStringLiteral("dev/ttyUSB0"));
    const QString byIdName = QStringLiteral("/dev/serial/by-id/usb-Meter_4ch-if00-port0");
    const QString byId = root.path() + byIdName;
    const auto point = [](const QString& link, const QString& target) {
        QFile::remove(link);
        return QFile::link(target, link);
    };
    auto meter = startSim(simOptions(612, 20));
    ASSERT_TRUE(point(oldName, meter->portPath()));
    ASSERT_TRUE(point(byId, oldName));
    LinkFixture f;
    f.link.PortNames = SystemView(root.path());
    f.host.ports << oldName;
    f.link.ProbePorts();
    ASSERT_TRUE(f.link.Connected);
    ASSERT_EQ(f.settings.LastConnectedPortName, byIdName);
    const auto loseTheLink = [&] {
        for (int tick = 0; tick < 3; ++tick) {
            f.link.FrameSeen = false;
            f.link.MainTimerTimer();  // the third restarts the link
        }
    };

    // Both unplugged; the other adapter is back on ttyUSB0, the meter's not yet.
    meter->unplug();
    ASSERT_TRUE(waitUntil([&] { return !f.link.Comm1.Active(); }));
    QFile::remove(byId);
    auto other = startSim(simOptions(618, 20));
    ASSERT_TRUE(point(oldName, other->portPath()));
    loseTheLink();
    loseTheLink();
    EXPECT_FALSE(f.link.Comm1.Active());
    QCoreApplication::processEvents();
    EXPECT_EQ(other->commandCount('a'), 0) << "the other adapter is left alone";
    EXPECT_EQ(other->commandCount('X'), 0);

    // The meter's adapter is back as ttyUSB1, its by-id link with it.
    auto meterBack = startSim(simOptions(612, 20));
    const QString newName = root.filePath(QStringLiteral("dev/ttyUSB1"));
    ASSERT_TRUE(point(newName, meterBack->portPath()));
    ASSERT_TRUE(point(byId, newName));
    loseTheLink();
    EXPECT_EQ(QFileInfo(f.link.Comm1.DeviceName()).canonicalFilePath(),
              QFileInfo(meterBack->portPath()).canonicalFilePath());
    EXPECT_TRUE(waitUntil([&] { return f.link.Connected; }));
    EXPECT_EQ(meterBack->commandCount('a'), 1);
    EXPECT_EQ(other->commandCount('a'), 0);
    EXPECT_EQ(f.link.MeterModel, 612);
}

// ---- Through USB serial adapters ----------------------------------------------------

// The identify reply and frames sent back to back reach the link in chunks
// that cut across frames; every frame is still found and decoded.
class LinkThroughAdapter : public ::testing::TestWithParam<metersim::AdapterModel> {};

TEST_P(LinkThroughAdapter, ProbeFindsTheMeterAndEveryFrameArrives)
{
    auto o = simOptions(618, 0);
    o.adapter = GetParam();
    auto sim = startSim(o);
    LinkFixture f;
    f.host.ports << sim->portPath();
    f.link.ProbeReplyMs = 300;  // the program's own wait, longer than any adapter holds a reply
    f.link.ProbePorts();
    ASSERT_TRUE(f.link.Connected);
    EXPECT_EQ(f.link.MeterModel, 618);
    ASSERT_TRUE(waitUntil([&] { return sim->commandCount('a') == 1; }));

    const int before = int(f.host.frames.size());
    for (int i = 0; i < 5; ++i)
        sim->sendLiveFrame();
    ASSERT_TRUE(waitUntil([&] { return f.host.frames.size() >= before + 5; }));
    EXPECT_EQ(f.host.frames.size(), before + 5);
    const metersim::MeterState shown = sim->snapshot();
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(f.link.LatestReadings[c], shown.shown[c], 0.051) << "T" << c + 1;
}

INSTANTIATE_TEST_SUITE_P(Adapters, LinkThroughAdapter,
                         ::testing::Values(metersim::AdapterModel{1, 0}, metersim::AdapterModel{16, 16},
                                           metersim::AdapterModel{7, 30}, metersim::AdapterModel{64, 40}));

// ---- Port change ---------------------------------------------------------------

TEST(PortChange, ReopensComm1OnTheTextAndRemembersTheIndex)
{
    auto sim = startSim(simOptions());
    LinkFixture f;
    f.link.ComboBoxDeviceNameChange(sim->portPath(), 3);
    EXPECT_TRUE(f.link.Comm1.Active());
    EXPECT_EQ(f.link.Comm1.DeviceName(), sim->portPath());
    EXPECT_EQ(f.settings.LastConnectedPort, 3);

    f.link.ComboBoxDeviceNameChange(QStringLiteral("ttyNoSuch"), -1);  // typed, matching no entry
    EXPECT_FALSE(f.link.Comm1.Active());
    EXPECT_EQ(f.link.Comm1.DeviceName(), QStringLiteral("/dev/ttyNoSuch"));
    EXPECT_EQ(f.settings.LastConnectedPort, -1);
    EXPECT_FALSE(f.link.Connected);  // nothing else changes at once
}

TEST(PortChange, TheLastTypedNameCountsWhenKeystrokesMeetATick)
{
    auto sim = startSim(simOptions());
    LinkFixture f;
    // While a tick is handled the change waits; the next keystrokes come in
    // during that wait, and the tick ends after them.
    f.link.InMainTimer = true;
    QTimer::singleShot(0, [&] { f.link.ComboBoxDeviceNameChange(QStringLiteral("ttyNoSu"), -1); });
    QTimer::singleShot(5, [&] { f.link.ComboBoxDeviceNameChange(sim->portPath(), 2); });
    QTimer::singleShot(20, [&] { f.link.InMainTimer = false; });
    f.link.ComboBoxDeviceNameChange(QStringLiteral("ttyNo"), -1);
    EXPECT_EQ(f.link.Comm1.DeviceName(), sim->portPath());
    EXPECT_TRUE(f.link.Comm1.Active());
    EXPECT_EQ(f.settings.LastConnectedPort, 2);
}

// ---- Drift correction ------------------------------------------------------------

TEST(DriftCorrection, KeepsTheAverageTickAtOneSecond)
{
    FakeClock clock;
    ScopedClock use(clock);
    LinkFixture f;
    f.mainTimer.setInterval(1000);
    const auto tickAfter = [&](int ms) {
        clock.advance(ms);
        f.link.MainTimerTimer();
        return f.mainTimer.interval();
    };
    EXPECT_EQ(tickAfter(0), 1000);      // the first tick only remembers its time
    EXPECT_EQ(tickAfter(1030), 970);    // 30 ms late
    EXPECT_EQ(tickAfter(970), 1000);    // 30 ms early
    EXPECT_EQ(tickAfter(4000), 500);    // seconds late: the shortest interval
    EXPECT_EQ(tickAfter(1000), 500);
    clock.current = clock.current.addSecs(-3600);  // the wall clock is put back an hour
    EXPECT_EQ(tickAfter(1000), 1500);   // bounded, so the watchdog keeps running
}

} // namespace
