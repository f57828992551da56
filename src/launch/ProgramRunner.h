#pragma once
// A program of the user's own, run at events (an alarm beginning or ending):
// without a shell, once per event, one at a time in the order of the events,
// beside whatever asked for it and never in its way. Its output goes to our
// standard error; it reads nothing and inherits no other file of ours. A
// program that cannot start, fails or outlasts its time-out is reported; one
// that outlasts it is ended, with every process it started.
//
// tq612-cli live --on-alarm and the program's alarms share it; it lives
// beside the core, which launches no process.

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>

class ProgramRunner : public QObject {
    Q_OBJECT
public:
    // Events that wait while the program is still busy with earlier ones; the
    // oldest go past this many.
    static constexpr std::size_t MaxWaiting = 100;

    // `label` names the program in reports: "the --on-alarm program".
    ProgramRunner(const QString& label, const QString& program, int timeoutSeconds, QObject* parent = nullptr);
    ~ProgramRunner() override;
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    const QString& program() const { return path; }
    // Runs the program with `arguments` now, or after the runs before it.
    void run(const QStringList& arguments);
    bool idle() const { return !running && waiting.empty(); }

signals:
    // A run could not start, failed, was ended, or an event was dropped.
    void problem(const QString& text);
    // The last run asked for has ended.
    void becameIdle();

private:
    void startNext();
    void ended(int exitCode, QProcess::ExitStatus status);
    void failedToStart();
    void timedOut();
    void killGroup(int signal);
    void done();
    QString what() const;

    QString label;
    QString path;
    int timeoutSeconds;
    std::deque<QStringList> waiting;
    std::unique_ptr<QProcess> running;
    QStringList runningArguments;
    QTimer deadline;   // the time-out
    QTimer grace;      // after SIGTERM, the wait before SIGKILL
    bool timedOutOnce = false;
};
