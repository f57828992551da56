#pragma once
// Runs tq612-cli as a script would: a child process with the tests' scratch
// home, its output and exit code collected.

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList outLines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Runs `program` (tq612-cli unless given) with `args`; `input` goes to its
// stdin; `whileRunning` is called once the process has started.
inline CliRun runProgram(const QString& program, const QStringList& args, const QByteArray& input = {},
                         const std::function<void(QProcess&)>& whileRunning = {})
{
    QProcess p;
    p.start(program, args);
    CliRun run;
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "could not start " << program.toStdString();
        return run;
    }
    p.write(input);
    p.closeWriteChannel();
    if (whileRunning)
        whileRunning(p);
    if (!p.waitForFinished(120000)) {
        ADD_FAILURE() << "tq612-cli did not finish: " << args.join(' ').toStdString();
        p.kill();
        p.waitForFinished();
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

inline CliRun runCli(const QStringList& args, const QByteArray& input = {},
                     const std::function<void(QProcess&)>& whileRunning = {})
{
    return runProgram(QStringLiteral(TQ612_CLI), args, input, whileRunning);
}

// Reads what a running process prints until `done` holds or `ms` passed.
inline bool readUntil(QProcess& p, QString& out, QString& err, const std::function<bool()>& done, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAllStandardOutput());
        err += QString::fromUtf8(p.readAllStandardError());
    }
    return done();
}

// Sends `signal` to the process while it runs; never to a pid of 0, which
// would be this test's own process group.
inline void sendSignal(QProcess& p, int signal)
{
    if (p.state() != QProcess::NotRunning && p.processId() > 0)
        ::kill(pid_t(p.processId()), signal);
}
