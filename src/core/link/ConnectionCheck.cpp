#include "link/ConnectionCheck.h"

#include "link/AdapterIds.h"
#include "link/ComPort.h"
#include "link/PortAccess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

const QString Indent = QStringLiteral("  ");
const QString FixIndent = QStringLiteral("    fix: ");
const QString NoteIndent = QStringLiteral("    ");

// The mode as ls shows it: crw-rw----.
QString modeText(mode_t mode)
{
    QString text = S_ISCHR(mode) ? QStringLiteral("c") : S_ISLNK(mode) ? QStringLiteral("l") : QStringLiteral("-");
    const mode_t bits[] = {S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP, S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
    const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        text += (mode & bits[i]) ? QLatin1Char(letters[i]) : QLatin1Char('-');
    return text;
}

QString holderText(const PortHolder& h)
{
    return QStringLiteral("PID %1 (%2)").arg(h.pid).arg(h.command.isEmpty() ? QStringLiteral("?") : h.command);
}

QString holdersText(const QList<PortHolder>& holders)
{
    QStringList texts;
    for (const PortHolder& h : holders)
        texts << holderText(h);
    return texts.join(QStringLiteral(", "));
}

// The udev match of a USB adapter.
QString usbMatch(const SerialPortFacts& f)
{
    return QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\"").arg(f.vendorId, f.productId);
}

} // namespace

ConnectionCheck::ConnectionCheck(SystemView systemView, Account who, bool whoIsThisProcess)
    : system(std::move(systemView))
    , account(std::move(who))
    , ownAccount(whoIsThisProcess)
{
}

QStringList ConnectionCheck::portsToCheck() const
{
    QStringList ports = system.serialPortNames();
    if (system.isLiveSystem()) {
        QStringList listed;
        TComPort::ListPorts(listed);
        for (const QString& port : std::as_const(listed)) {
            if (!ports.contains(port))
                ports << port;
        }
    }
    return ports;
}

ConnectionReport ConnectionCheck::run(const QStringList& ports) const
{
    ConnectionReport report;
    const QStringList commands = system.runningCommands();
    int problems = 0;
    for (const QString& port : ports) {
        const int model = checkPort(port, commands, report.lines, problems);
        if (model && !report.meterAnswered()) {
            report.model = model;
            report.meterDevice = system.inspect(port).device;
        }
    }
    checkPortlessAdapters(commands, report.lines, problems);

    if (report.meterAnswered()) {
        report.lines << QStringLiteral("verdict: the meter answers on %1 (model %2)").arg(report.meterDevice).arg(report.model);
    } else if (ports.isEmpty() && problems == 0) {
        report.lines << QStringLiteral("verdict: no serial port found; plug the meter's cable in "
                                       "(lsusb should then list its USB serial adapter)");
    } else if (problems > 0) {
        report.lines << QStringLiteral("verdict: no meter answered; do what the \"fix:\" lines above say, then check again");
    } else {
        report.lines << QStringLiteral("verdict: no meter answered; is the meter switched on and its cable "
                                       "plugged in at both ends?");
    }
    return report;
}

int ConnectionCheck::checkPort(const QString& port, const QStringList& commands, QStringList& lines, int& problems) const
{
    const SerialPortFacts f = system.inspect(port, ownAccount && system.isLiveSystem()
                                                       ? QCoreApplication::applicationPid() : -1);
    lines << f.device + (f.byIdName.isEmpty() ? QStringLiteral(" (no /dev/serial/by-id name)")
                                              : QStringLiteral(" (/dev/serial/by-id/%1)").arg(f.byIdName));
    if (!f.exists) {
        lines << Indent + QStringLiteral("missing: there is no such device");
        ++problems;
        return 0;
    }

    if (f.isUsb()) {
        const QString chip = AdapterIds::chipOf(f.usbId());
        lines << Indent + QStringLiteral("adapter: USB %1%2%3, driver %4")
                              .arg(f.usbId(),
                                   chip.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(chip),
                                   f.usbProduct.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(f.usbProduct),
                                   f.driver.isEmpty() ? QStringLiteral("none") : f.driver);
    } else if (!f.driver.isEmpty()) {
        lines << Indent + QStringLiteral("adapter: not USB, driver %1").arg(f.driver);
    } else {
        lines << Indent + QStringLiteral("adapter: none in sysfs (a virtual or pseudo-terminal port)");
    }

    const std::optional<GroupEntry> group = system.group(f.groupId);
    const std::optional<bool> systemAnswer = ownAccount ? std::optional<bool>(mayReadAndWrite(f.openPath)) : std::nullopt;
    const AccessVerdict access = judgeAccess(f, account, group, systemAnswer);
    describeAccess(f, access, lines);
    if (!access.allowed)
        ++problems;

    // A pseudo-terminal's master is the line itself: a simulated meter or a bridge.
    const QString otherEnd =
        f.otherEnd.isEmpty() ? QString()
                             : QStringLiteral("; the other end of this pseudo-terminal is %1").arg(holdersText(f.otherEnd));
    if (f.holders.isEmpty()) {
        lines << Indent + QStringLiteral("in use: no other process holds it open%1%2")
                              .arg(f.holdersIncomplete ? QStringLiteral(" (processes of other accounts show only with sudo)")
                                                       : QString(),
                                   otherEnd);
    } else {
        lines << Indent + QStringLiteral("in use: held open by %1%2").arg(holdersText(f.holders), otherEnd);
        lines << FixIndent + QStringLiteral("end that program (kill %1), or choose another port").arg(f.holders.first().pid);
        ++problems;
    }

    if (f.isUsb() && commands.contains(QLatin1String("brltty")) && AdapterIds::claimedByBrltty(f.usbId())) {
        lines << Indent + QStringLiteral("brltty: running, and its udev rules claim USB %1 for braille displays: "
                                         "it takes the port away when the adapter is plugged in").arg(f.usbId());
        lines << FixIndent + QStringLiteral("sudo apt remove brltty (without a braille display), or remove the line "
                                            "for %1 from its udev rule (/usr/lib/udev/rules.d/85-brltty.rules); "
                                            "then unplug the adapter and plug it in again").arg(f.usbId());
        ++problems;
    }
    if (f.isUsb() && commands.contains(QLatin1String("ModemManager"))) {
        lines << Indent + QStringLiteral("ModemManager: running; it may probe new USB serial ports for modems, "
                                         "holding the port and sending it AT commands for a while");
        lines << FixIndent + QStringLiteral("a udev rule in /etc/udev/rules.d/99-tq612.rules: %1, "
                                            "ENV{ID_MM_DEVICE_IGNORE}=\"1\"; then sudo udevadm control --reload "
                                            "and plug the adapter in again").arg(usbMatch(f));
        ++problems;
    }

    if (!ownLinkDevice.isEmpty() && QFileInfo(ownLinkDevice).canonicalFilePath() == QFileInfo(f.openPath).canonicalFilePath()) {
        if (ownLinkModel)
            lines << Indent + QStringLiteral("meter: model %1, connected to this program").arg(ownLinkModel);
        else
            lines << Indent + QStringLiteral("meter: not asked; this program holds the port and no meter answers there");
        return ownLinkModel;
    }
    if (!access.allowed) {
        lines << Indent + QStringLiteral("meter: not asked; this account may not open the port");
        return 0;
    }
    if (!f.holders.isEmpty()) {
        lines << Indent + QStringLiteral("meter: not asked while %1 holds the port").arg(holderText(f.holders.first()));
        return 0;
    }
    int openError = 0;
    const int model = identify(f.openPath, &openError);
    if (model) {
        lines << Indent + QStringLiteral("meter: model %1 answers the identify command").arg(model);
    } else if (openError == 0) {
        lines << Indent + QStringLiteral("meter: no answer to the identify command");
    } else if (PortAccess::isInUse(openError)) {
        lines << Indent + QStringLiteral("meter: not asked; another program has the port locked");
        ++problems;
    } else {
        lines << Indent + QStringLiteral("meter: not asked; the port does not open: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(openError)));
        ++problems;
    }
    return model;
}

void ConnectionCheck::describeAccess(const SerialPortFacts& f, const AccessVerdict& v, QStringList& lines) const
{
    const std::optional<GroupEntry> group = system.group(f.groupId);
    const QString groupName = group ? group->name : QString::number(f.groupId);
    const QString who = account.name.isEmpty() ? QStringLiteral("uid %1").arg(account.uid) : account.name;
    const QString owned = QStringLiteral("owner %1, group %2, mode %3").arg(system.userName(f.ownerId), groupName, modeText(f.mode));
    if (v.allowed) {
        lines << Indent + QStringLiteral("access: %1; %2 may read and write it%3")
                              .arg(owned, who, v.grantedByAcl ? QStringLiteral(" (granted by an ACL)") : QString());
        return;
    }
    lines << Indent + QStringLiteral("access: %1; %2 may NOT read and write it").arg(owned, who);
    switch (v.problem) {
    case AccessProblem::NotInGroup:
        lines << NoteIndent + QStringLiteral("%1 is not in the group %2").arg(who, groupName);
        lines << FixIndent + QStringLiteral("sudo usermod -aG %1 $USER, then log out and in").arg(groupName);
        break;
    case AccessProblem::GroupNotActive:
        lines << NoteIndent + QStringLiteral("%1 is in the group %2 (/etc/group), but not in this login, "
                                             "which began before it was added").arg(who, groupName);
        lines << FixIndent + QStringLiteral("log out and in (or reboot); \"newgrp %1\" gives one shell the group "
                                            "until then").arg(groupName);
        break;
    case AccessProblem::ModeTooNarrow:
        lines << NoteIndent + QStringLiteral("its mode lets only its owner read and write it");
        lines << FixIndent + QStringLiteral("a udev rule giving it GROUP=\"dialout\", MODE=\"0660\" "
                                            "(sudo chmod 660 %1 lasts until it is plugged in again)").arg(f.device);
        break;
    case AccessProblem::AclDenies:
        lines << NoteIndent + QStringLiteral("its mode allows it, but an access control list or a security module "
                                             "does not (getfacl %1 shows the list)").arg(f.device);
        lines << FixIndent + QStringLiteral("sudo setfacl -b %1, or the rule that sets the list").arg(f.device);
        break;
    case AccessProblem::None:
        break;
    }
}

void ConnectionCheck::checkPortlessAdapters(const QStringList& commands, QStringList& lines, int& problems) const
{
    QSet<QString> withPort;
    for (const QString& name : system.serialPortNames())
        withPort.insert(system.usbDeviceOfPort(name));
    for (const UsbDevice& usb : system.usbDevices()) {
        const QString chip = AdapterIds::chipOf(usb.usbId());
        if (chip.isEmpty() || withPort.contains(usb.path))
            continue;
        lines << QStringLiteral("USB %1 (%2)%3: a serial adapter without a serial port")
                     .arg(usb.usbId(), chip, usb.product.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(usb.product));
        if (commands.contains(QLatin1String("brltty")) && AdapterIds::claimedByBrltty(usb.usbId())) {
            lines << Indent + QStringLiteral("brltty: running, and its udev rules claim USB %1 for braille displays: "
                                             "it took the port").arg(usb.usbId());
            lines << FixIndent + QStringLiteral("sudo apt remove brltty (without a braille display), or remove the line "
                                                "for %1 from its udev rule (/usr/lib/udev/rules.d/85-brltty.rules); "
                                                "then unplug the adapter and plug it in again").arg(usb.usbId());
        } else {
            lines << Indent + QStringLiteral("no driver made a port of it; the kernel log says why");
            lines << FixIndent + QStringLiteral("unplug the adapter, plug it in again and read sudo dmesg | tail");
        }
        ++problems;
    }
}
