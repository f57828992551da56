#pragma once
// A run that starts and ends by itself: at a set time and/or when the first
// alarm begins; after a duration, a number of samples or at a time, whichever
// comes first. The program's schedule and tq612-cli live's --start-at,
// --duration and --until share it. It reads the time through the clock seam
// and wakes itself with a timer; whoever takes the samples asks it before
// each one, so no sample falls outside the run.

#include <QDateTime>
#include <QObject>
#include <QTime>
#include <QTimer>
#include <optional>

class RunSchedule : public QObject {
    Q_OBJECT
public:
    struct Plan {
        std::optional<QDateTime> startAt;       // the run starts at this moment...
        bool startOnAlarm = false;              // ...or when an alarm begins, if that is sooner
        std::optional<qint64> durationSeconds;  // counted from the start
        std::optional<int> sampleCount;
        std::optional<QDateTime> stopAt;        // a moment
        std::optional<QTime> stopAtTime;        // the first such time of day after the start
    };
    enum class State { Idle, Waiting, Running, Ended };
    enum class Ending { Duration, StopTime, Count };
    Q_ENUM(State)
    Q_ENUM(Ending)

    explicit RunSchedule(const Plan& plan, QObject* parent = nullptr);

    const Plan& plan() const { return schedule; }
    State state() const { return current; }

    // Waits for the start, or starts now when the plan names none.
    void begin();
    // An alarm began: a plan that starts on the first alarm starts now.
    void alarmBegan();
    // Before a sample at `time`: false when the run has not started or has
    // ended by then (the sample is not the run's).
    bool takesSampleAt(const QDateTime& time);
    // A sample was taken: it counts towards the plan's number of samples.
    void sampleTaken();
    // The clock may have moved: starts or ends the run if its moment has come.
    void check();

    std::optional<QDateTime> startedAt() const { return startMoment; }
    // Once started: the moment the run ends by the clock, if the plan has one.
    std::optional<QDateTime> endsAt() const { return endMoment; }

    // The first `time` of day after `after`, in local time.
    static QDateTime nextTimeOfDay(const QTime& time, const QDateTime& after);

signals:
    void started(const QDateTime& at);
    void ended(RunSchedule::Ending why);

private:
    void start(const QDateTime& at);
    void end(Ending why);
    void wakeAtNextMoment();

    Plan schedule;
    State current = State::Idle;
    std::optional<QDateTime> startMoment;
    std::optional<QDateTime> endMoment;
    Ending clockEnding = Ending::Duration;  // what sets endMoment
    int samplesTaken = 0;
    QTimer wake;
};
