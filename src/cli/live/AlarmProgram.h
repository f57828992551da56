#pragma once
// The --on-alarm program: the shared program runner, its reports on standard
// error. Run without a shell, once per alarm event, one at a time in the
// order of the events, beside the samples and never in their way.

#include "Console.h"
#include "launch/ProgramRunner.h"

namespace cli {

class AlarmProgram : public ProgramRunner {
public:
    AlarmProgram(const QString& program, int timeoutSeconds)
        : ProgramRunner(QStringLiteral("the --on-alarm program"), program, timeoutSeconds)
    {
        connect(this, &ProgramRunner::problem, this, [](const QString& text) { error(text); });
    }
};

} // namespace cli
