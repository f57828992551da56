#include "launch/ProgramRunner.h"

#include <csignal>
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int GraceMs = 2000;

} // namespace

ProgramRunner::ProgramRunner(const QString& label, const QString& program, int timeoutSeconds, QObject* parent)
    : QObject(parent)
    , label(label)
    , path(program)
    , timeoutSeconds(timeoutSeconds)
{
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &ProgramRunner::timedOut);
    grace.setSingleShot(true);
    connect(&grace, &QTimer::timeout, this, [this] { killGroup(SIGKILL); });
}

ProgramRunner::~ProgramRunner()
{
    if (running) {
        // Ending with its owner: nothing of ours is left behind.
        running->disconnect(this);
        killGroup(SIGKILL);
        running->waitForFinished(GraceMs);
    }
}

void ProgramRunner::run(const QStringList& arguments)
{
    waiting.push_back(arguments);
    if (waiting.size() > MaxWaiting) {
        waiting.pop_front();
        emit problem(QStringLiteral("%1 %2 is still busy; an earlier alarm event was not given to it").arg(label, path));
    }
    if (!running)
        startNext();
}

void ProgramRunner::startNext()
{
    if (waiting.empty())
        return;
    runningArguments = waiting.front();
    waiting.pop_front();
    timedOutOnce = false;
    running = std::make_unique<QProcess>();
    running->setProgram(path);
    running->setArguments(runningArguments);
    running->setStandardInputFile(QProcess::nullDevice());
    running->setProcessChannelMode(QProcess::ForwardedChannels);
    const pid_t parent = ::getpid();
    running->setChildProcessModifier([parent] {
        // Its own process group, so that a time-out ends whatever it started too.
        ::setpgid(0, 0);
        // A killed parent ends it too.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
        // Its standard output onto our standard error.
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        // Nothing else of ours: a program that lingers must not hold the
        // broker's connection, the meter's port or the recovery file's lock.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    });
    connect(running.get(), &QProcess::finished, this, &ProgramRunner::ended);
    connect(running.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            failedToStart();
    });
    running->start();
    if (running)
        deadline.start(timeoutSeconds * 1000);
}

QString ProgramRunner::what() const
{
    return QStringLiteral("%1 %2 (%3)").arg(label, path, runningArguments.mid(0, 3).join(QLatin1Char(' ')));
}

void ProgramRunner::ended(int exitCode, QProcess::ExitStatus status)
{
    if (timedOutOnce)
        emit problem(QStringLiteral("%1 did not end within %2 s; it was ended").arg(what()).arg(timeoutSeconds));
    else if (status == QProcess::CrashExit)
        emit problem(QStringLiteral("%1 was ended by a signal").arg(what()));
    else if (exitCode != 0)
        emit problem(QStringLiteral("%1 failed with exit code %2").arg(what()).arg(exitCode));
    done();
}

void ProgramRunner::failedToStart()
{
    emit problem(QStringLiteral("%1 could not be started: %2").arg(what(), running->errorString()));
    done();
}

void ProgramRunner::timedOut()
{
    timedOutOnce = true;
    killGroup(SIGTERM);
    grace.start(GraceMs);
}

void ProgramRunner::killGroup(int signal)
{
    if (running && running->processId() > 0)
        ::kill(-pid_t(running->processId()), signal);
}

void ProgramRunner::done()
{
    deadline.stop();
    grace.stop();
    // Deleted later: this may run inside the process's own signal.
    running.release()->deleteLater();
    startNext();
    if (idle())
        emit becameIdle();
}
