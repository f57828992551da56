#pragma once
// "Why is the meter not found?" in one report: for every serial port its
// device and /dev/serial/by-id name, the USB adapter and driver behind it,
// whether this account may use it and why not, which process holds it (and,
// on a pseudo-terminal, which one is the line's other end), whether brltty
// or ModemManager would take it, and whether a meter answers the identify
// command there; then a verdict. Every problem comes with the
// command that fixes it.
//
// The system is read through a SystemView, so tests point the check at a
// small tree of files instead of the machine's /dev, /sys, /proc and /etc.

#include "link/MeterIdentify.h"
#include "link/PortPermission.h"
#include "link/SystemView.h"

#include <QString>
#include <QStringList>
#include <functional>

struct ConnectionReport {
    QStringList lines;
    QString meterDevice;  // where a meter answered, empty when none did
    int model = 0;
    bool meterAnswered() const { return model != 0; }
    QString text() const { return lines.join(QLatin1Char('\n')) + QLatin1Char('\n'); }
};

class ConnectionCheck {
public:
    // `ownAccount`: `account` is this process's, so access() has the last word
    // (ACLs included) and this process is left out of the port's holders.
    ConnectionCheck(SystemView system, Account account, bool ownAccount);

    // The ports checked when none is named: the serial terminals sysfs lists
    // and, on the live system, every port the program lists.
    QStringList portsToCheck() const;
    // Checks `ports` (kernel names, /dev or /dev/serial/by-id paths).
    ConnectionReport run(const QStringList& ports) const;

    // The port this program's own live link holds open (a path), and the
    // model answering there (0: none). That port cannot be asked again while
    // it is held; the link's state stands in for the answer.
    QString ownLinkDevice;
    int ownLinkModel = 0;

    // Asks a device for the meter's model (0: no answer); `openError` gets errno.
    std::function<int(const QString& device, int* openError)> identify =
        [](const QString& device, int* openError) { return MeterIdentify::askModel(device, MeterIdentify::ReplyMs, openError); };

private:
    // Appends the lines of one port; returns the model that answered there (0: none)
    // and counts the problems it found.
    int checkPort(const QString& port, const QStringList& commands, QStringList& lines, int& problems) const;
    void describeAccess(const SerialPortFacts& facts, const AccessVerdict& verdict, QStringList& lines) const;
    // Adapters plugged in that got no serial port at all.
    void checkPortlessAdapters(const QStringList& commands, QStringList& lines, int& problems) const;

    SystemView system;
    Account account;
    bool ownAccount;
};
