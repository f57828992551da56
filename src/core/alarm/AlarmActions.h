#pragma once
// What the program does when an alarm begins or ends: a desktop notification,
// a sound, a program of the user's own. Kept beside the limits in the
// settings file's [Alarms] group.

#include <QString>

class QSettings;

struct AlarmActions {
    bool notify = true;   // a desktop notification at each beginning and end
    bool sound = false;   // the system's sound at each beginning
    QString program;      // run at each beginning and end; empty: none

    // A value that is missing leaves its default.
    static AlarmActions load(QSettings& settings);
    void save(QSettings& settings) const;

    bool operator==(const AlarmActions&) const = default;
};
