#include "alarm/AlarmResponder.h"

#include "alarm/AlarmNotifier.h"
#include "alarm/AlarmWording.h"
#include "launch/ProgramRunner.h"

AlarmResponder::AlarmResponder(AlarmNotifier& alarmNotifier, std::function<void()> playSound, QObject* parent)
    : QObject(parent)
    , notifier(alarmNotifier)
    , sound(std::move(playSound))
{
}

AlarmResponder::~AlarmResponder() = default;

void AlarmResponder::setActions(const AlarmActions& actions)
{
    if (actions.program != chosen.program || actions.program.isEmpty())
        program.reset();   // a program still running is ended
    chosen = actions;
    if (!chosen.program.isEmpty() && !program) {
        program = std::make_unique<ProgramRunner>(QStringLiteral("the alarm program"), chosen.program,
                                                  ProgramTimeoutSeconds);
        connect(program.get(), &ProgramRunner::problem, this, &AlarmResponder::problem);
    }
}

void AlarmResponder::respond(const AlarmEvent& event)
{
    if (chosen.notify)
        notifier.notify(AlarmWording::summary(event), AlarmWording::body(event), event.begins);
    if (chosen.sound && event.begins && sound)
        sound();
    if (program)
        program->run(AlarmWording::programArguments(event));
}
