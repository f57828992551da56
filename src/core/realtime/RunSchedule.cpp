#include "realtime/RunSchedule.h"

#include "app/Clock.h"

#include <QTimeZone>
#include <algorithm>

namespace {

// The timer wakes at least this often, so a clock set forward, or a machine
// that slept, is noticed soon.
constexpr qint64 LongestSleepMs = 60000;

// `time` on `date` by the wall clock. On the night the clocks jump over it,
// the moment they land: a run due at 02:30 then starts at 03:00, not never.
QDateTime wallClockMoment(const QDate& date, const QTime& time)
{
    const QDateTime moment(date, time);
    if (moment.isValid())
        return moment;
    const QTimeZone::OffsetData jump = QTimeZone::systemTimeZone().nextTransition(date.startOfDay());
    if (jump.atUtc.isValid())
        return jump.atUtc.toLocalTime();
    return QDateTime(date, time, Qt::OffsetFromUTC, date.startOfDay().offsetFromUtc()).toLocalTime();
}

} // namespace

RunSchedule::RunSchedule(const Plan& plan, QObject* parent)
    : QObject(parent)
    , schedule(plan)
{
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    connect(&wake, &QTimer::timeout, this, &RunSchedule::check);
}

QDateTime RunSchedule::nextTimeOfDay(const QTime& time, const QDateTime& after)
{
    const QDateTime local = after.toLocalTime();
    const QDateTime today = wallClockMoment(local.date(), time);
    return today > local ? today : wallClockMoment(local.date().addDays(1), time);
}

void RunSchedule::begin()
{
    if (current != State::Idle)
        return;
    if (schedule.startAt || schedule.startOnAlarm) {
        current = State::Waiting;
        check();
    } else {
        start(Clock::current().now());
    }
}

void RunSchedule::alarmBegan()
{
    if (current == State::Waiting && schedule.startOnAlarm)
        start(Clock::current().now());
}

bool RunSchedule::takesSampleAt(const QDateTime& time)
{
    check();
    if (current == State::Running && endMoment && time >= *endMoment)
        end(clockEnding);
    return current == State::Running;
}

void RunSchedule::sampleTaken()
{
    if (current != State::Running)
        return;
    ++samplesTaken;
    if (schedule.sampleCount && samplesTaken >= *schedule.sampleCount)
        end(Ending::Count);
}

void RunSchedule::check()
{
    const QDateTime now = Clock::current().now();
    // The planned moment, not the moment the timer woke, is the run's start:
    // a duration counts from it.
    if (current == State::Waiting && schedule.startAt && now >= *schedule.startAt)
        start(*schedule.startAt);
    if (current == State::Running && endMoment && now >= *endMoment)
        end(clockEnding);
    wakeAtNextMoment();
}

void RunSchedule::start(const QDateTime& at)
{
    current = State::Running;
    startMoment = at;
    endMoment.reset();
    const auto earliest = [this](const QDateTime& moment, Ending why) {
        if (!endMoment || moment < *endMoment) {
            endMoment = moment;
            clockEnding = why;
        }
    };
    if (schedule.durationSeconds)
        earliest(at.addSecs(*schedule.durationSeconds), Ending::Duration);
    if (schedule.stopAt)
        earliest(*schedule.stopAt, Ending::StopTime);
    if (schedule.stopAtTime)
        earliest(nextTimeOfDay(*schedule.stopAtTime, at), Ending::StopTime);
    emit started(at);
    if (current == State::Running && endMoment && Clock::current().now() >= *endMoment)
        end(clockEnding);
    wakeAtNextMoment();
}

void RunSchedule::end(Ending why)
{
    if (current == State::Ended)
        return;
    current = State::Ended;
    wake.stop();
    emit ended(why);
}

void RunSchedule::wakeAtNextMoment()
{
    std::optional<QDateTime> due;
    if (current == State::Waiting)
        due = schedule.startAt;
    else if (current == State::Running)
        due = endMoment;
    if (!due) {
        wake.stop();
        return;
    }
    const qint64 ms = Clock::current().now().msecsTo(*due);
    wake.start(int(std::clamp<qint64>(ms, 0, LongestSleepMs)));
}
