#pragma once
// A real-time run that starts and stops by itself on a RunSchedule, asking
// nothing: the questions of Run are answered by the schedule. Samples of an
// earlier run that nobody saved are written to a file of their own in the
// documents folder before the new run begins, never discarded; when that
// file can not be written the scheduled run does not start, says why, and
// the samples stay where they were.

#include "app/DateTime.h"
#include "realtime/RunSchedule.h"

#include <QObject>
#include <QString>

// What a scheduled run needs of the program: the windows implement it, tests fake it.
class ScheduledRunHost {
public:
    virtual ~ScheduledRunHost() = default;

    // Samples are there that were not saved (recording or stopped).
    virtual bool hasUnsavedRun() const = 0;
    // The start of those samples' run, for the name of their file.
    virtual TDateTime unsavedRunStart() const = 0;
    // Stops that run if it records and writes it as the graph file `path`;
    // false with the reason in `error` when the file was not written.
    virtual bool saveUnsavedRun(const QString& path, QString* error) = 0;
    // Begins a run of at most `points` samples at `start`.
    virtual void startRun(TDateTime start, int points) = 0;
    // Ends the run if it still records.
    virtual void stopRun() = 0;
    // Seconds between samples.
    virtual int rateSeconds() const = 0;
};

class ScheduledRun : public QObject {
    Q_OBJECT
public:
    // A run that nothing ends but its number of points takes this many, as Run offers.
    static constexpr int DefaultPoints = 2000;
    // The most points a scheduled run sizes its graph for (a week of one-second samples and more).
    static constexpr int MaxPoints = 1000000;

    // The saved runs go to `documentFolder` (read when a run starts).
    ScheduledRun(ScheduledRunHost& host, const QString& documentFolder, const RunSchedule::Plan& plan,
                 QObject* parent = nullptr);

    const RunSchedule& schedule() const { return runSchedule; }
    // Waits for the start, or starts now when the plan names none.
    void begin();
    // An alarm began: a plan that starts on the first alarm starts now.
    void alarmBegan() { runSchedule.alarmBegan(); }
    // The clock may have moved (a tick of the link): starts or ends the run if its moment has come.
    void check()
    {
        if (!done)
            runSchedule.check();
    }
    // Before a sample of the run at `time`: false when the run has ended by then.
    bool takesSampleAt(TDateTime time);
    void sampleTaken() { runSchedule.sampleTaken(); }
    // The user took over (Stop, Run): the schedule ends here, the run is theirs.
    void cancel();
    bool finished() const { return done; }
    // The run it started records on its behalf: its samples are the schedule's.
    bool recording() const { return ownsRun && !done; }

    // The points a run started at `start` needs: its number of samples, or
    // the samples until its end at one per `rateSeconds`.
    static int pointsFor(const RunSchedule::Plan& plan, const QDateTime& start,
                         const std::optional<QDateTime>& endsAt, int rateSeconds);
    // "Real-Time 2026-12-10 22-00-00.ghf" in `folder`, or with " (2)" ... when
    // that name is taken; the name is claimed by an empty file, so that two
    // programs never write the same one.
    static QString claimFileFor(const QString& folder, TDateTime runStart, QString* error);

signals:
    // The run began; `savedTo` names the file the earlier run was saved to (empty: none).
    void started(const QString& savedTo);
    // The run did not start, for the reason given; the schedule is over.
    void failed(const QString& why);
    // The run ended as planned; the schedule is over.
    void ended(RunSchedule::Ending why);

private:
    void startRun(const QDateTime& at);
    void finish();

    ScheduledRunHost& host;
    const QString& documentFolder;
    RunSchedule runSchedule;
    bool done = false;
    bool ownsRun = false;
};
