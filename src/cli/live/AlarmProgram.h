#pragma once
// The --on-alarm program: run without a shell, once per alarm event, one at a
// time in the order of the events, beside the samples and never in their way.
// Its output goes to standard error (standard output is the samples'); it
// reads nothing and inherits no other file of ours. A program that cannot
// start, fails or outlasts its time-out is reported on standard error; one
// that outlasts it is ended, with every process it started.

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>

namespace cli {

class AlarmProgram : public QObject {
    Q_OBJECT
public:
    // Events that wait while the program is still busy with earlier ones; the
    // oldest go past this many.
    static constexpr std::size_t MaxWaiting = 100;

    AlarmProgram(const QString& program, int timeoutSeconds);
    ~AlarmProgram() override;
    AlarmProgram(const AlarmProgram&) = delete;
    AlarmProgram& operator=(const AlarmProgram&) = delete;

    // Runs the program with `arguments` now, or after the runs before it.
    void run(const QStringList& arguments);
    bool idle() const { return !running && waiting.empty(); }

signals:
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

    QString program;
    int timeoutSeconds;
    std::deque<QStringList> waiting;
    std::unique_ptr<QProcess> running;
    QStringList runningArguments;
    QTimer deadline;   // the time-out
    QTimer grace;      // after SIGTERM, the wait before SIGKILL
    bool timedOutOnce = false;
};

} // namespace cli
