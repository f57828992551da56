#pragma once
// The four persistent settings, kept in ~/.config/TQ612/TQ612.ini.

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

struct AppSettings {
    int RealTimeRate = 2;          // sampling interval in timer ticks (seconds)
    int LastConnectedPort = 0;     // index into the port list
    int LastConnectedModel = 612;  // model code of the meter last connected
    int AnnoColor = 0;             // Windows colour value 0x00BBGGRR of graph marks
    // The port of LastConnectedPort by name: its /dev/serial/by-id path, which
    // stays with the adapter when the ports are numbered anew, or its device
    // path when it has none. Empty until a port was used.
    QString LastConnectedPortName;

    // Each value is read on its own; a missing or non-integer value keeps its default.
    static AppSettings load();
    // Writes all four, in the order RealTimeRate, LastConnectedPort,
    // LastConnectedModel, AnnoColor, then LastConnectedPortName when there is
    // one; returns false when the file could not be written.
    bool save() const;

    // The settings file, opened in the XDG configuration folder.
    static std::unique_ptr<QSettings> open();
    // The virtual serial ports registered in the settings' [SerialComm] group, in key order.
    static QStringList registeredSerialPorts();
};
