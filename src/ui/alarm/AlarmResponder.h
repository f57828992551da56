#pragma once
// What the program does at each alarm event, as the user chose in Real Time >
// Alarms...: a desktop notification at each beginning and end, a sound at
// each beginning, the user's program at each beginning and end (run by the
// program runner that tq612-cli live --on-alarm uses too).

#include "alarm/AlarmActions.h"
#include "alarm/AlarmEvent.h"

#include <QObject>
#include <functional>
#include <memory>

class AlarmNotifier;
class ProgramRunner;

class AlarmResponder : public QObject {
    Q_OBJECT
public:
    // Seconds the user's program may take before it is ended.
    static constexpr int ProgramTimeoutSeconds = 30;

    AlarmResponder(AlarmNotifier& notifier, std::function<void()> sound, QObject* parent = nullptr);
    ~AlarmResponder() override;

    void setActions(const AlarmActions& actions);
    const AlarmActions& actions() const { return chosen; }
    void respond(const AlarmEvent& event);

signals:
    // The program could not run, failed or was ended; for the status bar.
    void problem(const QString& text);

private:
    AlarmNotifier& notifier;
    std::function<void()> sound;
    AlarmActions chosen;
    std::unique_ptr<ProgramRunner> program;
};
