#pragma once
// Where an alarm's desktop notification goes: the freedesktop notification
// service in the program, a fake in tests.

#include <QString>

class AlarmNotifier {
public:
    virtual ~AlarmNotifier() = default;
    // `urgent`: an alarm that begins; it stays until the user dismisses it.
    virtual void notify(const QString& summary, const QString& body, bool urgent) = 0;
};
