#include "link/SystemView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool isPid(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isDigit(); });
}

QString readLink(const QString& path)
{
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
    return n > 0 ? QFile::decodeName(QByteArray(target, int(n))) : QString();
}

// The N of a pseudo-terminal's /dev/pts/N, from its device number; -1 for any other port.
int ptyIndexOf(const struct stat& st)
{
    // The kernel numbers the terminal sides of pseudo-terminals under the
    // majors 136 to 143, 256 to a major.
    constexpr unsigned FirstMajor = 136, LastMajor = 143;
    if (!S_ISCHR(st.st_mode))
        return -1;
    const unsigned major = ::major(st.st_rdev);
    return major >= FirstMajor && major <= LastMajor ? int((major - FirstMajor) * 256 + ::minor(st.st_rdev)) : -1;
}

// A descriptor opened on the multiplexer that hands out pseudo-terminal masters.
bool isPtyMaster(const QString& target)
{
    return target == QLatin1String("/dev/ptmx") || target == QLatin1String("/dev/pts/ptmx");
}

// The terminal a master descriptor belongs to: the "tty-index:" line of its
// /proc/PID/fdinfo entry; -1 when there is none.
int ttyIndexOf(const QString& fdinfo)
{
    QFile f(fdinfo);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    // Files in /proc tell no size, so read until a line comes back empty.
    for (int lines = 0; lines < 32; ++lines) {
        const QByteArray line = f.readLine(256).trimmed();
        if (line.isEmpty())
            break;
        if (line.startsWith("tty-index:")) {
            bool ok = false;
            const int index = line.mid(10).trimmed().toInt(&ok);
            return ok ? index : -1;
        }
    }
    return -1;
}

} // namespace

SystemView::SystemView(QString root)
{
    // Canonical, so that canonical paths of the files below it start with it.
    const QString canonical = QFileInfo(root).canonicalFilePath();
    rootDir = QDir::cleanPath(canonical.isEmpty() ? root : canonical);
}

QString SystemView::underRoot(const QString& path) const
{
    return isLiveSystem() ? path : rootDir + path;
}

QString SystemView::readLine(const QString& path) const
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readLine()).trimmed();
}

QStringList SystemView::serialPortNames() const
{
    QStringList names;
    const QDir tty(underRoot(QStringLiteral("/sys/class/tty")));
    for (const QString& name : tty.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
        const QFileInfo driver(tty.filePath(name + QStringLiteral("/device/driver")));
        if (driver.exists() && QFileInfo(driver.canonicalFilePath()).fileName() != QLatin1String("serial8250"))
            names << name;
    }
    return names;
}

QList<UsbDevice> SystemView::usbDevices() const
{
    QList<UsbDevice> devices;
    const QDir bus(underRoot(QStringLiteral("/sys/bus/usb/devices")));
    for (const QString& name : bus.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
        const QString dir = QFileInfo(bus.filePath(name)).canonicalFilePath();
        const QString vendor = readLine(dir + QStringLiteral("/idVendor"));
        if (dir.isEmpty() || vendor.isEmpty())
            continue;  // an interface, not a device
        devices << UsbDevice{dir, vendor, readLine(dir + QStringLiteral("/idProduct")),
                             readLine(dir + QStringLiteral("/product"))};
    }
    return devices;
}

SerialPortFacts SystemView::inspect(const QString& port, qint64 ownPid) const
{
    SerialPortFacts facts;
    QString path = underRoot(port.startsWith(QLatin1Char('/')) ? port : QStringLiteral("/dev/") + port);
    // A /dev/serial/by-id link (or another name in /dev) leads to the
    // terminal's own node, whose name sysfs knows.
    const QString devDir = underRoot(QStringLiteral("/dev/"));
    for (int hops = 0; hops < 8; ++hops) {
        const QFileInfo link(path);
        if (!link.isSymLink())
            break;
        const QString target = link.symLinkTarget();
        if (!target.startsWith(devDir) || target.startsWith(underRoot(QStringLiteral("/dev/pts/"))))
            break;
        path = target;
    }
    facts.openPath = path;
    facts.name = QFileInfo(path).fileName();
    facts.device = isLiveSystem() ? path : path.mid(rootDir.size());

    struct stat st{};
    facts.exists = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    if (facts.exists) {
        facts.ownerId = st.st_uid;
        facts.groupId = st.st_gid;
        facts.mode = st.st_mode;
        facts.ptyIndex = ptyIndexOf(st);
    }

    const QDir byId(underRoot(QStringLiteral("/dev/serial/by-id")));
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QString& name : byId.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QFileInfo link(byId.filePath(name));
        if (link.symLinkTarget() == path || (!canonical.isEmpty() && link.canonicalFilePath() == canonical)) {
            facts.byIdName = name;
            break;
        }
    }
    readSysfs(facts);
    if (facts.exists)
        findHolders(facts, ownPid);
    return facts;
}

void SystemView::readSysfs(SerialPortFacts& facts) const
{
    const QString device = QFileInfo(underRoot(QStringLiteral("/sys/class/tty/") + facts.name + QStringLiteral("/device")))
                               .canonicalFilePath();
    if (device.isEmpty())
        return;  // a pseudo-terminal or another port without hardware
    const QString driver = QFileInfo(device + QStringLiteral("/driver")).canonicalFilePath();
    if (!driver.isEmpty())
        facts.driver = QFileInfo(driver).fileName();
    // The USB device is the nearest folder above that has a vendor id.
    const QString sys = underRoot(QStringLiteral("/sys")) + QLatin1Char('/');
    for (QString dir = device; dir.startsWith(sys); dir = QFileInfo(dir).path()) {
        const QString vendor = readLine(dir + QStringLiteral("/idVendor"));
        if (vendor.isEmpty())
            continue;
        facts.vendorId = vendor;
        facts.productId = readLine(dir + QStringLiteral("/idProduct"));
        facts.usbProduct = readLine(dir + QStringLiteral("/product"));
        facts.usbDevicePath = dir;
        break;
    }
}

void SystemView::findHolders(SerialPortFacts& facts, qint64 ownPid) const
{
    const QString canonical = QFileInfo(facts.openPath).canonicalFilePath();
    const QDir proc(underRoot(QStringLiteral("/proc")));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!isPid(pid) || pid.toLongLong() == ownPid)
            continue;
        const QString fdDir = proc.filePath(pid + QStringLiteral("/fd"));
        DIR* dir = ::opendir(QFile::encodeName(fdDir).constData());
        if (!dir) {
            if (errno == EACCES || errno == EPERM)
                facts.holdersIncomplete = true;
            continue;
        }
        bool holdsPort = false;
        bool holdsMaster = false;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            const QString fd = QFile::decodeName(entry->d_name);
            // The links name the device as the system sees it (/dev/ttyUSB0).
            const QString target = readLink(fdDir + QLatin1Char('/') + fd);
            if (!target.startsWith(QLatin1String("/dev/")))
                continue;
            if (facts.ptyIndex >= 0 && isPtyMaster(target)) {
                holdsMaster = holdsMaster
                              || ttyIndexOf(proc.filePath(pid + QStringLiteral("/fdinfo/") + fd)) == facts.ptyIndex;
            } else if (target == facts.device || QFileInfo(underRoot(target)).canonicalFilePath() == canonical) {
                holdsPort = true;
            }
            if (holdsMaster)
                break;  // whatever else it holds, it is the line's other end
        }
        ::closedir(dir);
        if (!holdsMaster && !holdsPort)
            continue;
        const PortHolder holder{pid.toLongLong(), readLine(proc.filePath(pid + QStringLiteral("/comm")))};
        (holdsMaster ? facts.otherEnd : facts.holders) << holder;
    }
}

QString SystemView::usbDeviceOfPort(const QString& name) const
{
    SerialPortFacts facts;
    facts.name = name;
    readSysfs(facts);
    return facts.usbDevicePath;
}

QString SystemView::stablePortName(const QString& devicePath) const
{
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    const QString folder = QStringLiteral("/dev/serial/by-id");
    const QDir byId(underRoot(folder));
    for (const QString& name : byId.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!device.isEmpty() && QFileInfo(byId.filePath(name)).canonicalFilePath() == device)
            return folder + QLatin1Char('/') + name;
    }
    return devicePath;
}

bool SystemView::namesPort(const QString& stableName, const QString& devicePath) const
{
    if (stableName == devicePath)
        return true;
    if (!stableName.startsWith(QLatin1String("/dev/serial/by-id/")))
        return false;
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    return !device.isEmpty() && QFileInfo(underRoot(stableName)).canonicalFilePath() == device;
}

QStringList SystemView::runningCommands() const
{
    QStringList commands;
    const QDir proc(underRoot(QStringLiteral("/proc")));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (isPid(pid))
            commands << readLine(proc.filePath(pid + QStringLiteral("/comm")));
    }
    return commands;
}

QList<GroupEntry> SystemView::groups() const
{
    QList<GroupEntry> entries;
    QFile f(underRoot(QStringLiteral("/etc/group")));
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    while (!f.atEnd()) {
        // name:password:gid:member,member
        const QStringList fields = QString::fromUtf8(f.readLine()).trimmed().split(QLatin1Char(':'));
        bool ok = false;
        const gid_t id = fields.value(2).toUInt(&ok);
        if (fields.size() < 4 || !ok)
            continue;
        entries << GroupEntry{fields[0], id, fields[3].split(QLatin1Char(','), Qt::SkipEmptyParts)};
    }
    return entries;
}

std::optional<GroupEntry> SystemView::group(gid_t id) const
{
    for (const GroupEntry& g : groups()) {
        if (g.id == id)
            return g;
    }
    // Groups from a directory service are not in /etc/group.
    if (isLiveSystem()) {
        if (const struct group* g = ::getgrgid(id)) {
            GroupEntry entry{QString::fromLocal8Bit(g->gr_name), id, {}};
            for (char** m = g->gr_mem; m && *m; ++m)
                entry.members << QString::fromLocal8Bit(*m);
            return entry;
        }
    }
    return std::nullopt;
}

QString SystemView::userName(uid_t id) const
{
    QFile f(underRoot(QStringLiteral("/etc/passwd")));
    if (f.open(QIODevice::ReadOnly)) {
        while (!f.atEnd()) {
            const QStringList fields = QString::fromUtf8(f.readLine()).split(QLatin1Char(':'));
            bool ok = false;
            if (fields.size() > 2 && fields[2].toUInt(&ok) == id && ok)
                return fields[0];
        }
    }
    if (isLiveSystem()) {
        if (const struct passwd* p = ::getpwuid(id))
            return QString::fromLocal8Bit(p->pw_name);
    }
    return QString::number(id);
}
