// tq612-cli check and the connection check behind it, against small system
// trees: /dev nodes that are links to real pseudo-terminals (one with the
// simulated meter behind it), sysfs folders of USB serial adapters, /proc
// entries of processes and an /etc/group. One row per problem a user meets
// when the meter is not found; the report must name it and its fix.
#include "../link/LinkTestSupport.h"
#include "CliRun.h"
#include "MeterSim.h"

#include "link/ConnectionCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The tree a check reads instead of /: written file by file, links included.
class SystemTree {
public:
    QString root() const { return dir.path(); }

    void file(const QString& path, const QByteArray& content, mode_t mode = 0644)
    {
        QDir().mkpath(QFileInfo(root() + path).path());
        QFile f(root() + path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        ::chmod(QFile::encodeName(root() + path).constData(), mode);
    }
    void link(const QString& path, const QString& target)
    {
        QDir().mkpath(QFileInfo(root() + path).path());
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(root() + path).constData()), 0);
    }
    // A USB serial adapter laid out as sysfs does: the USB device, its
    // interface, the terminal below it with its driver, and the class link.
    void usbAdapter(const QString& usbId, const QByteArray& product, const QString& driver, const QString& tty = {})
    {
        const QString device = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2");
        file(device + QStringLiteral("/idVendor"), usbId.section(QLatin1Char(':'), 0, 0).toLatin1() + '\n');
        file(device + QStringLiteral("/idProduct"), usbId.section(QLatin1Char(':'), 1, 1).toLatin1() + '\n');
        file(device + QStringLiteral("/product"), product + '\n');
        link(QStringLiteral("/sys/bus/usb/devices/1-2"), QStringLiteral("../../../devices/pci0000:00/0000:00:14.0/usb1/1-2"));
        QDir().mkpath(root() + QStringLiteral("/sys/bus/usb-serial/drivers/") + driver);
        if (tty.isEmpty())
            return;  // no driver made a port of it
        const QString port = device + QStringLiteral("/1-2:1.0/") + tty;
        QDir().mkpath(root() + port);
        link(port + QStringLiteral("/driver"), root() + QStringLiteral("/sys/bus/usb-serial/drivers/") + driver);
        link(QStringLiteral("/sys/class/tty/") + tty + QStringLiteral("/device"), root() + port);
    }
    void process(int pid, const QByteArray& command, const QStringList& openDevices = {})
    {
        const QString dir = QStringLiteral("/proc/%1").arg(pid);
        file(dir + QStringLiteral("/comm"), command + '\n');
        QDir().mkpath(root() + dir + QStringLiteral("/fd"));
        link(dir + QStringLiteral("/fd/0"), QStringLiteral("/dev/null"));
        for (int i = 0; i < openDevices.size(); ++i)
            link(dir + QStringLiteral("/fd/%1").arg(i + 3), openDevices[i]);
    }
    // Process `pid` also holds the master of pseudo-terminal `index`, as a
    // simulator or a bridge does; its fdinfo names the terminal.
    void holdsPtyMaster(int pid, int index)
    {
        link(QStringLiteral("/proc/%1/fd/20").arg(pid), QStringLiteral("/dev/ptmx"));
        file(QStringLiteral("/proc/%1/fdinfo/20").arg(pid),
             "pos:\t0\nflags:\t02100002\nmnt_id:\t24\nino:\t2\ntty-index:\t" + QByteArray::number(index) + '\n');
    }

private:
    QTemporaryDir dir;
};

// What a row puts behind the tree's device nodes.
struct Bench {
    SystemTree tree;
    std::unique_ptr<metersim::MeterSim> meter;
    std::unique_ptr<RawPty> silentPort;

    // /dev/ttyUSB0 with a meter answering behind it.
    void meterOnTtyUsb0()
    {
        metersim::Options o;
        o.registerPort = false;
        o.rateMs = 0;
        meter = std::make_unique<metersim::MeterSim>(o);
        ASSERT_TRUE(meter->start());
        tree.link(QStringLiteral("/dev/ttyUSB0"), meter->portPath());
    }
    // /dev/ttyUSB0 with nothing answering.
    void silentTtyUsb0()
    {
        silentPort = std::make_unique<RawPty>();
        tree.link(QStringLiteral("/dev/ttyUSB0"), silentPort->path);
    }
    // /dev/ttyUSB0 as a plain node whose owner is this process's user, in a group the tree calls dialout.
    void guardedTtyUsb0(mode_t mode, const QByteArray& dialoutMembers)
    {
        tree.file(QStringLiteral("/dev/ttyUSB0"), {}, mode);
        tree.file(QStringLiteral("/etc/group"), "dialout:x:" + QByteArray::number(::getgid()) + ':' + dialoutMembers + '\n');
        tree.file(QStringLiteral("/etc/passwd"), "owner:x:" + QByteArray::number(::getuid()) + ":0::/:/bin/sh\n");
    }
    // The meter's own pseudo-terminal, /dev/pts/N, as the port (the tree's
    // /dev/pts/N leads to it): what the check is asked about a simulated meter.
    void meterOnItsPseudoTerminal()
    {
        meterOnTtyUsb0();
        tree.link(meterPts(), meter->portPath());
    }
    QString meterPts() const { return meter->portPath(); }
    int meterPtyIndex() const { return meterPts().section(QLatin1Char('/'), -1).toInt(); }
    void ftdiAdapter() { tree.usbAdapter(QStringLiteral("0403:6015"), "FT230X Basic UART", QStringLiteral("ftdi_sio"), QStringLiteral("ttyUSB0")); }
    void ch340Adapter() { tree.usbAdapter(QStringLiteral("1a86:7523"), "USB Serial", QStringLiteral("ch341-uart"), QStringLiteral("ttyUSB0")); }
};

// An account that is neither this process's user nor root: the tree's
// permissions judged for someone else.
Account stranger()
{
    Account a;
    a.name = QStringLiteral("alice");
    a.uid = ::getuid() + 1000;
    a.gid = ::getgid() + 1000;
    return a;
}

struct CheckCase {
    const char* name;
    std::function<void(Bench&)> build;
    QStringList args;                 // tq612-cli check's options (--root is added)
    bool asStranger;                  // run the check in-process for stranger() instead of tq612-cli
    QStringList expected;             // texts the report must hold
    QStringList absent;               // texts it must not hold
    int exitCode;
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.name;
}

const QStringList OnlyTtyUsb0{QStringLiteral("--port"), QStringLiteral("ttyUSB0")};
// Stands for the meter's /dev/pts/N in a row's arguments.
const QString MeterPts = QStringLiteral("<the meter's /dev/pts/N>");
const QStringList OnlyMeterPts{QStringLiteral("--port"), MeterPts};

const CheckCase Cases[] = {
    {"NotInTheGroup",
     [](Bench& b) {
         b.guardedTtyUsb0(0660, "bob");
         b.ftdiAdapter();
     },
     OnlyTtyUsb0, true,
     {"owner owner, group dialout, mode -rw-rw----", "alice may NOT read and write it", "alice is not in the group dialout",
      "fix: sudo usermod -aG dialout $USER, then log out and in", "meter: not asked"},
     {"(/etc/group)"}, 2},
    {"InTheGroupButNotInThisLogin",
     [](Bench& b) {
         b.guardedTtyUsb0(0660, "bob,alice");
         b.ftdiAdapter();
     },
     OnlyTtyUsb0, true,
     {"alice may NOT read and write it", "alice is in the group dialout (/etc/group), but not in this login",
      "fix: log out and in"},
     {"usermod"}, 2},
    {"ModeForTheOwnerOnly",
     [](Bench& b) { b.guardedTtyUsb0(0600, "alice"); },
     OnlyTtyUsb0, true,
     {"mode -rw-------", "lets only its owner read and write it", "fix: a udev rule giving it GROUP=\"dialout\", MODE=\"0660\""},
     {}, 2},
    {"HeldByAnotherProgramIsNotAsked",  // the meter is there, but minicom has the port
     [](Bench& b) {
         b.meterOnTtyUsb0();
         b.ftdiAdapter();
         b.tree.process(4242, "minicom", {QStringLiteral("/dev/ttyUSB0")});
     },
     OnlyTtyUsb0, false,
     {"in use: held open by PID 4242 (minicom)", "fix: end that program (kill 4242)",
      "meter: not asked while PID 4242 (minicom) holds the port"},
     {"answers"}, 2},
    {"BrlttyWithACh340",
     [](Bench& b) {
         b.silentTtyUsb0();
         b.ch340Adapter();
         b.tree.process(812, "brltty");
     },
     OnlyTtyUsb0, false,
     {"adapter: USB 1a86:7523 (CH340) \"USB Serial\", driver ch341-uart",
      "brltty: running, and its udev rules claim USB 1a86:7523",
      "fix: sudo apt remove brltty", "/usr/lib/udev/rules.d/85-brltty.rules"},
     {"ModemManager"}, 2},
    {"BrlttyTookTheCh340sPort",  // the usual case: no ttyUSB0 left at all
     [](Bench& b) {
         b.tree.usbAdapter(QStringLiteral("1a86:7523"), "USB Serial", QStringLiteral("ch341-uart"));
         b.tree.process(812, "brltty");
     },
     {}, false,
     {"USB 1a86:7523 (CH340) \"USB Serial\": a serial adapter without a serial port", "brltty: running",
      "it took the port", "fix: sudo apt remove brltty",
      "verdict: no meter answered; do what the \"fix:\" lines above say"},
     {"/dev/ttyUSB0"}, 2},
    {"ModemManagerRunning",
     [](Bench& b) {
         b.silentTtyUsb0();
         b.ftdiAdapter();
         b.tree.process(640, "ModemManager");
         b.tree.process(812, "brltty");  // an FT230X is none of brltty's
     },
     OnlyTtyUsb0, false,
     {"ModemManager: running; it may probe new USB serial ports",
      "fix: a udev rule in /etc/udev/rules.d/99-tq612.rules: ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6015\", "
      "ENV{ID_MM_DEVICE_IGNORE}=\"1\""},
     {"brltty:"}, 2},
    {"MeterAnswers",
     [](Bench& b) {
         b.meterOnTtyUsb0();
         b.ftdiAdapter();
         b.tree.link(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_D30A1B2C-if00-port0"),
                     QStringLiteral("../../ttyUSB0"));
         b.tree.process(77, "bash", {QStringLiteral("/dev/pts/0"), QStringLiteral("/dev/ttyUSB1")});
     },
     {}, false,  // found without --port: sysfs lists the port
     {"/dev/ttyUSB0 (/dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_D30A1B2C-if00-port0)",
      "adapter: USB 0403:6015 (FT-X) \"FT230X Basic UART\", driver ftdi_sio",
      "in use: no other process holds it open", "meter: model 612 answers the identify command",
      "verdict: the meter answers on /dev/ttyUSB0 (model 612)"},
     {"fix:"}, 0},
    {"PortNamedByItsByIdLink",
     [](Bench& b) {
         b.meterOnTtyUsb0();
         b.ftdiAdapter();
         b.tree.link(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_D30A1B2C-if00-port0"),
                     QStringLiteral("../../ttyUSB0"));
     },
     {QStringLiteral("--port"), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_D30A1B2C-if00-port0")}, false,
     {"/dev/ttyUSB0 (/dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_D30A1B2C-if00-port0)",
      "adapter: USB 0403:6015 (FT-X) \"FT230X Basic UART\", driver ftdi_sio",
      "verdict: the meter answers on /dev/ttyUSB0 (model 612)"},
     {}, 0},
    {"TheSimulatorIsTheOtherEndOfItsPseudoTerminal",  // it keeps the terminal's side open too
     [](Bench& b) {
         b.meterOnItsPseudoTerminal();
         b.tree.process(3024, "tq612-metersim", {b.meterPts()});
         b.tree.holdsPtyMaster(3024, b.meterPtyIndex());
     },
     OnlyMeterPts, false,
     {"in use: no other process holds it open; the other end of this pseudo-terminal is PID 3024 (tq612-metersim)",
      "meter: model 612 answers the identify command", "verdict: the meter answers on /dev/pts/"},
     {"held open by", "kill", "fix:"}, 0},
    {"ASecondHolderOfThePseudoTerminalCompetes",
     [](Bench& b) {
         b.meterOnItsPseudoTerminal();
         b.tree.process(3024, "tq612-metersim", {b.meterPts()});
         b.tree.holdsPtyMaster(3024, b.meterPtyIndex());
         b.tree.process(4242, "minicom", {b.meterPts()});
     },
     OnlyMeterPts, false,
     {"in use: held open by PID 4242 (minicom); the other end of this pseudo-terminal is PID 3024 (tq612-metersim)",
      "fix: end that program (kill 4242)", "meter: not asked while PID 4242 (minicom) holds the port"},
     {"kill 3024", "answers"}, 2},
    {"TheMasterOfAnotherTerminalIsNoOtherEnd",  // a terminal emulator whose shell has the port open
     [](Bench& b) {
         b.meterOnItsPseudoTerminal();
         b.tree.process(500, "xterm", {b.meterPts()});
         b.tree.holdsPtyMaster(500, b.meterPtyIndex() + 1);
     },
     OnlyMeterPts, false,
     {"in use: held open by PID 500 (xterm)", "meter: not asked while PID 500 (xterm) holds the port"},
     {"other end", "answers"}, 2},
    {"NoMeterAnswers",
     [](Bench& b) {
         b.silentTtyUsb0();
         b.ftdiAdapter();
     },
     OnlyTtyUsb0, false,
     {"/dev/ttyUSB0 (no /dev/serial/by-id name)", "meter: no answer to the identify command",
      "verdict: no meter answered; is the meter switched on and its cable plugged in at both ends?"},
     {"fix:"}, 2},
    {"NoSuchPort",
     [](Bench&) {},
     {QStringLiteral("--port"), QStringLiteral("ttyUSB3")}, false,
     {"/dev/ttyUSB3", "missing: there is no such device", "verdict: no meter answered"},
     {}, 2},
};

class Check : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Check, NamesTheProblemAndItsFix)
{
    const CheckCase& c = GetParam();
    Bench bench;
    c.build(bench);
    QStringList args = c.args;
    if (bench.meter)
        args.replaceInStrings(MeterPts, bench.meterPts());
    QString report;
    int exitCode = -1;
    if (c.asStranger) {
        const ConnectionCheck check(SystemView(bench.tree.root()), stranger(), false);
        const ConnectionReport r = check.run(args.isEmpty() ? check.portsToCheck() : args.mid(1));
        report = r.text();
        exitCode = r.meterAnswered() ? 0 : 2;  // as tq612-cli check ends
    } else {
        const CliRun run = runCli(QStringList{QStringLiteral("check"), QStringLiteral("--root"), bench.tree.root()} + args);
        report = run.out;
        exitCode = run.exitCode;
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    for (const QString& text : c.expected)
        EXPECT_TRUE(report.contains(text)) << "missing: " << text.toStdString() << "\n" << report.toStdString();
    for (const QString& text : c.absent)
        EXPECT_FALSE(report.contains(text)) << "unexpected: " << text.toStdString() << "\n" << report.toStdString();
    EXPECT_TRUE(report.trimmed().section(QLatin1Char('\n'), -1).startsWith(QLatin1String("verdict: ")))
        << "the verdict comes last";
    EXPECT_EQ(exitCode, c.exitCode) << report.toStdString();
    if (bench.meter && c.exitCode != 0)
        EXPECT_EQ(bench.meter->commandCount('K'), 0) << "a port held by another program is left alone";
}

INSTANTIATE_TEST_SUITE_P(Problems, Check, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckCommand, ARootThatIsNoFolderIsAUsageError)
{
    const CliRun run = runCli({QStringLiteral("check"), QStringLiteral("--root"), QStringLiteral("/no/such/root")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("--root /no/such/root: there is no such folder"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

// The program's own connection check: the port its live link holds is not
// opened a second time; the link's model stands in for the answer.
TEST(CheckFromTheProgram, ThePortOfItsOwnLinkIsNotAskedAgain)
{
    Bench bench;
    bench.meterOnTtyUsb0();
    bench.ftdiAdapter();
    ConnectionCheck check(SystemView(bench.tree.root()), Account::ofThisProcess(), true);
    check.ownLinkDevice = bench.meter->portPath();
    check.ownLinkModel = 618;
    const ConnectionReport report = check.run(check.portsToCheck());
    EXPECT_TRUE(report.text().contains(QLatin1String("meter: model 618, connected to this program"))) << report.text().toStdString();
    EXPECT_EQ(report.model, 618);
    EXPECT_EQ(report.meterDevice, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(bench.meter->commandCount('K'), 0);
}

// On this machine, with the project's simulator as a program of its own, as
// ./run starts it: the check looks through its pseudo-terminal to the meter,
// and a second program with the terminal open is named as the one in the way.
TEST(CheckOnThisSystem, TheSimulatorIsTheOtherEndAndASecondHolderCompetes)
{
    QProcess simulator;
    simulator.start(QStringLiteral(TQ612_METERSIM), {QStringLiteral("--no-register")});
    ASSERT_TRUE(simulator.waitForStarted(10000));
    ASSERT_TRUE(simulator.waitForReadyRead(10000)) << "the simulator prints its terminal";
    const QString port = QString::fromLocal8Bit(simulator.readLine()).trimmed();
    ASSERT_TRUE(port.startsWith(QLatin1String("/dev/pts/"))) << port.toStdString();
    const QString otherEnd = QStringLiteral("the other end of this pseudo-terminal is PID %1 (tq612-metersim)")
                                 .arg(simulator.processId());

    const CliRun alone = runCli({QStringLiteral("check"), QStringLiteral("--port"), port});
    EXPECT_EQ(alone.exitCode, 0) << alone.out.toStdString() << alone.err.toStdString();
    EXPECT_TRUE(alone.out.contains(QStringLiteral("in use: no other process holds it open; ") + otherEnd))
        << alone.out.toStdString();
    EXPECT_TRUE(alone.out.contains(QLatin1String("meter: model 612 answers the identify command"))) << alone.out.toStdString();

    // A second program opens the terminal's side: it stands in the way, the simulator still does not.
    QProcess holder;
    holder.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec sleep 60 < \"$1\""), QStringLiteral("sh"), port});
    ASSERT_TRUE(holder.waitForStarted(10000));
    const QString holderComm = QStringLiteral("/proc/%1/comm").arg(holder.processId());
    QElapsedTimer waited;
    waited.start();
    const auto holderRuns = [&] {
        QFile comm(holderComm);
        return comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "sleep";
    };
    while (!holderRuns() && waited.elapsed() < 10000)
        QThread::msleep(20);
    ASSERT_TRUE(holderRuns());
    const QString sleeper = QStringLiteral("PID %1 (sleep)").arg(holder.processId());

    const CliRun shared = runCli({QStringLiteral("check"), QStringLiteral("--port"), port});
    EXPECT_EQ(shared.exitCode, 2) << shared.out.toStdString();
    EXPECT_TRUE(shared.out.contains(QStringLiteral("in use: held open by %1; %2").arg(sleeper, otherEnd)))
        << shared.out.toStdString();
    EXPECT_TRUE(shared.out.contains(QStringLiteral("meter: not asked while %1 holds the port").arg(sleeper)))
        << shared.out.toStdString();

    holder.kill();
    holder.waitForFinished();
    simulator.terminate();
    EXPECT_TRUE(simulator.waitForFinished(10000));
}

// access() knows the access control lists the mode bits do not show: its
// answer wins, and the verdict says which way the list went.
TEST(CheckAccess, AnAccessControlListOverridesTheMode)
{
    SerialPortFacts device;
    device.ownerId = 0;
    device.groupId = 20;
    Account member = stranger();
    member.activeGroups = {20};
    const std::optional<GroupEntry> dialout = GroupEntry{QStringLiteral("dialout"), 20, {member.name}};
    const struct {
        mode_t mode;
        std::optional<bool> accessAnswer;
        bool allowed, grantedByAcl;
        AccessProblem problem;
    } rows[] = {
        {S_IFCHR | 0660, std::nullopt, true, false, AccessProblem::None},
        {S_IFCHR | 0660, false, false, false, AccessProblem::AclDenies},
        {S_IFCHR | 0600, true, true, true, AccessProblem::None},  // a desktop seat's ACL
        {S_IFCHR | 0600, false, false, false, AccessProblem::ModeTooNarrow},
    };
    for (const auto& row : rows) {
        device.mode = row.mode;
        const AccessVerdict v = judgeAccess(device, member, dialout, row.accessAnswer);
        EXPECT_EQ(v.allowed, row.allowed) << std::oct << row.mode;
        EXPECT_EQ(v.grantedByAcl, row.grantedByAcl) << std::oct << row.mode;
        EXPECT_EQ(v.problem, row.problem) << std::oct << row.mode;
    }
}

} // namespace
