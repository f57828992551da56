#pragma once
// What the system tells about serial ports, read from /dev, /sys, /proc and
// /etc through one root folder: "/" on a running system, a small tree of
// files and symbolic links in tests.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

// A process that has a port open.
struct PortHolder {
    qint64 pid = 0;
    QString command;  // its /proc/<pid>/comm
};

// Everything known about one serial port before anyone talks to it.
struct SerialPortFacts {
    QString name;        // the terminal's kernel name: ttyUSB0
    QString device;      // the path as the system shows it: /dev/ttyUSB0
    QString openPath;    // the path to open (under the root)
    QString byIdName;    // its link's name in /dev/serial/by-id, empty when none
    bool exists = false;
    // From sysfs: the driver bound to the terminal's device and, for a USB
    // adapter, the USB device's ids and product text.
    QString driver;
    QString vendorId, productId, usbProduct;
    QString usbDevicePath;  // the USB device's folder in sysfs, empty when not USB
    uid_t ownerId = 0;
    gid_t groupId = 0;
    mode_t mode = 0;
    // The processes that hold the port open and compete for it.
    QList<PortHolder> holders;
    // For a pseudo-terminal: N of its /dev/pts/N (-1 for any other port), and
    // the processes holding its master. They are the other end of the line (a
    // simulated meter, a bridge to a remote serial port), not competitors,
    // even when they keep the terminal's side open too; they are not in `holders`.
    int ptyIndex = -1;
    QList<PortHolder> otherEnd;
    // Some processes' descriptors could not be read (other accounts' processes
    // without root), so a holder may be missing from `holders`.
    bool holdersIncomplete = false;

    bool isUsb() const { return !vendorId.isEmpty(); }
    QString usbId() const { return vendorId + QLatin1Char(':') + productId; }
};

// A USB device as sysfs lists it.
struct UsbDevice {
    QString path;  // its canonical folder
    QString vendorId, productId, product;
    QString usbId() const { return vendorId + QLatin1Char(':') + productId; }
};

struct GroupEntry {
    QString name;
    gid_t id = 0;
    QStringList members;
};

class SystemView {
public:
    explicit SystemView(QString root = QStringLiteral("/"));

    QString root() const { return rootDir; }
    bool isLiveSystem() const { return rootDir == QLatin1String("/"); }
    // `path` (absolute, as on a running system) under the root.
    QString underRoot(const QString& path) const;

    // The serial terminals sysfs lists with a driver, except the legacy
    // serial8250 slots that are there whether or not a port is.
    QStringList serialPortNames() const;
    // Every USB device in sysfs.
    QList<UsbDevice> usbDevices() const;
    // `port`: a kernel name (ttyUSB0), a /dev path or a /dev/serial/by-id path.
    // `ownPid` is left out of the holders (the asking process itself).
    SerialPortFacts inspect(const QString& port, qint64 ownPid = -1) const;
    // The USB device folder of a serial terminal (`name`: ttyUSB0), empty when it has none.
    QString usbDeviceOfPort(const QString& name) const;
    // The name that stays with a port's adapter: "/dev/serial/by-id/<name>"
    // when such a link leads to `devicePath` (a path on the running system),
    // else `devicePath` itself.
    QString stablePortName(const QString& devicePath) const;
    // Whether a name stablePortName() gave leads to `devicePath` now.
    bool namesPort(const QString& stableName, const QString& devicePath) const;
    // The command names of the running processes.
    QStringList runningCommands() const;

    // The group database; user and group names for the report.
    QList<GroupEntry> groups() const;
    std::optional<GroupEntry> group(gid_t id) const;
    QString userName(uid_t id) const;

private:
    void readSysfs(SerialPortFacts& facts) const;
    void findHolders(SerialPortFacts& facts, qint64 ownPid) const;
    QString readLine(const QString& path) const;

    QString rootDir;
};
