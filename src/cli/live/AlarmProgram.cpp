#include "AlarmProgram.h"

#include "Console.h"

#include <csignal>
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr int GraceMs = 2000;

} // namespace

AlarmProgram::AlarmProgram(const QString& program, int timeoutSeconds)
    : program(program)
    , timeoutSeconds(timeoutSeconds)
{
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &AlarmProgram::timedOut);
    grace.setSingleShot(true);
    connect(&grace, &QTimer::timeout, this, [this] { killGroup(SIGKILL); });
}

AlarmProgram::~AlarmProgram()
{
    if (running) {
        // Ending with the run: nothing of ours is left behind.
        running->disconnect(this);
        killGroup(SIGKILL);
        running->waitForFinished(GraceMs);
    }
}

void AlarmProgram::run(const QStringList& arguments)
{
    waiting.push_back(arguments);
    if (waiting.size() > MaxWaiting) {
        waiting.pop_front();
        error(QStringLiteral("the --on-alarm program %1 is still busy; an earlier alarm event was not given to it")
                  .arg(program));
    }
    if (!running)
        startNext();
}

void AlarmProgram::startNext()
{
    if (waiting.empty())
        return;
    runningArguments = waiting.front();
    waiting.pop_front();
    timedOutOnce = false;
    running = std::make_unique<QProcess>();
    running->setProgram(program);
    running->setArguments(runningArguments);
    running->setStandardInputFile(QProcess::nullDevice());
    running->setProcessChannelMode(QProcess::ForwardedChannels);
    const pid_t parent = ::getpid();
    running->setChildProcessModifier([parent] {
        // Its own process group, so that a time-out ends whatever it started too.
        ::setpgid(0, 0);
        // A killed tq612-cli ends it too.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
        // Its standard output onto our standard error.
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        // Nothing else of ours: a program that lingers must not hold the
        // broker's connection, the meter's port or the recovery file's lock.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    });
    connect(running.get(), &QProcess::finished, this, &AlarmProgram::ended);
    connect(running.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            failedToStart();
    });
    running->start();
    if (running)
        deadline.start(timeoutSeconds * 1000);
}

QString AlarmProgram::what() const
{
    return QStringLiteral("the --on-alarm program %1 (%2)").arg(program, runningArguments.mid(0, 3).join(QLatin1Char(' ')));
}

void AlarmProgram::ended(int exitCode, QProcess::ExitStatus status)
{
    if (timedOutOnce)
        error(QStringLiteral("%1 did not end within %2 s; it was ended").arg(what()).arg(timeoutSeconds));
    else if (status == QProcess::CrashExit)
        error(QStringLiteral("%1 was ended by a signal").arg(what()));
    else if (exitCode != 0)
        error(QStringLiteral("%1 failed with exit code %2").arg(what()).arg(exitCode));
    done();
}

void AlarmProgram::failedToStart()
{
    error(QStringLiteral("%1 could not be started: %2").arg(what(), running->errorString()));
    done();
}

void AlarmProgram::timedOut()
{
    timedOutOnce = true;
    killGroup(SIGTERM);
    grace.start(GraceMs);
}

void AlarmProgram::killGroup(int signal)
{
    if (running && running->processId() > 0)
        ::kill(-pid_t(running->processId()), signal);
}

void AlarmProgram::done()
{
    deadline.stop();
    grace.stop();
    // Deleted later: this may run inside the process's own signal.
    running.release()->deleteLater();
    startNext();
    if (idle())
        emit becameIdle();
}

} // namespace cli
