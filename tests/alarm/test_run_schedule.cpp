// A run that starts and ends by itself, on a fake clock: from 22:00 to 06:00,
// for a duration, for a number of samples, or from the first alarm on; and on
// the nights the clocks change.
#include "realtime/RunSchedule.h"
#include "support/FakeClock.h"
#include "support/LocalZone.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using Plan = RunSchedule::Plan;
using State = RunSchedule::State;
using Ending = RunSchedule::Ending;

const QDate Day(2026, 12, 10);

QDateTime at(const QString& hhmmss, int dayOffset = 0)
{
    return QDateTime(Day.addDays(dayOffset), QTime::fromString(hhmmss, QStringLiteral("HH:mm:ss")));
}

// Takes a sample every `everySeconds` on the fake clock until `until`, as a
// run's ticks would, and returns the times of those the schedule took.
QList<QDateTime> tick(RunSchedule& schedule, FakeClock& clock, const QDateTime& until, int everySeconds = 60)
{
    QList<QDateTime> taken;
    while (clock.current < until) {
        clock.advance(everySeconds * 1000);
        schedule.check();
        if (schedule.takesSampleAt(clock.current)) {
            taken << clock.current;
            schedule.sampleTaken();
        }
    }
    return taken;
}

// What the schedule said.
struct Heard {
    QList<QDateTime> started;
    QList<Ending> ended;
    explicit Heard(RunSchedule& schedule)
    {
        QObject::connect(&schedule, &RunSchedule::started, [this](const QDateTime& at) { started << at; });
        QObject::connect(&schedule, &RunSchedule::ended, [this](Ending why) { ended << why; });
    }
};

struct ScheduleTest : ::testing::Test {
    FakeClock clock;
    ScopedClock useIt{clock};
};

TEST_F(ScheduleTest, OvernightFromTenToSixTakesTheSamplesBetweenAndNoneOther)
{
    clock.current = at("18:30:00");
    Plan plan;
    plan.startAt = at("22:00:00");
    plan.stopAtTime = QTime(6, 0);
    RunSchedule schedule(plan);
    Heard heard(schedule);
    schedule.begin();
    EXPECT_EQ(schedule.state(), State::Waiting);

    const QList<QDateTime> taken = tick(schedule, clock, at("09:00:00", 1));
    ASSERT_EQ(heard.started.size(), 1);
    EXPECT_EQ(heard.started[0], at("22:00:00"));
    ASSERT_EQ(heard.ended.size(), 1);
    EXPECT_EQ(heard.ended[0], Ending::StopTime);
    EXPECT_EQ(schedule.endsAt(), at("06:00:00", 1));
    ASSERT_EQ(taken.size(), 8 * 60);
    EXPECT_EQ(taken.front(), at("22:00:00"));
    EXPECT_EQ(taken.back(), at("05:59:00", 1));
}

// What ends a started run; each run starts at 10:00:00 with a sample every 60 s.
struct EndCase {
    const char* name;
    Plan plan;
    int samples;
    Ending why;
};

std::ostream& operator<<(std::ostream& os, const EndCase& c)
{
    return os << c.name;
}

Plan planOf(std::optional<qint64> seconds, std::optional<int> count, std::optional<QDateTime> stopAt,
            std::optional<QTime> stopAtTime = {})
{
    Plan p;
    p.durationSeconds = seconds;
    p.sampleCount = count;
    p.stopAt = stopAt;
    p.stopAtTime = stopAtTime;
    return p;
}

const EndCase EndCases[] = {
    {"Duration", planOf(3600, {}, {}), 59, Ending::Duration},
    {"Count", planOf({}, 10, {}), 10, Ending::Count},
    {"StopMoment", planOf({}, {}, at("10:30:00")), 29, Ending::StopTime},
    {"StopTimeOfDayLaterToday", planOf({}, {}, {}, QTime(10, 5)), 4, Ending::StopTime},
    {"StopTimeOfDayThatHasPassedMeansTomorrow", planOf({}, {}, {}, QTime(9, 0)), 23 * 60 - 1, Ending::StopTime},
    {"DurationBeforeStopTime", planOf(120, {}, at("11:00:00")), 1, Ending::Duration},
    {"StopTimeBeforeDuration", planOf(7200, {}, at("10:02:00")), 1, Ending::StopTime},
    {"CountBeforeDuration", planOf(7200, 3, {}), 3, Ending::Count},
};

class ScheduleEnds : public ScheduleTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ScheduleEnds, AtTheFirstOfItsLimits)
{
    clock.current = at("10:00:00");
    RunSchedule schedule(GetParam().plan);
    Heard heard(schedule);
    schedule.begin();
    EXPECT_EQ(schedule.state(), State::Running);
    EXPECT_EQ(schedule.startedAt(), at("10:00:00"));
    const QList<QDateTime> taken = tick(schedule, clock, at("10:00:00", 2));
    EXPECT_EQ(taken.size(), GetParam().samples);
    ASSERT_EQ(heard.ended.size(), 1);
    EXPECT_EQ(heard.ended[0], GetParam().why);
    EXPECT_EQ(schedule.state(), State::Ended);
}

INSTANTIATE_TEST_SUITE_P(Plans, ScheduleEnds, ::testing::ValuesIn(EndCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScheduleTest, TheFirstAlarmStartsARunThatWaitsForIt)
{
    clock.current = at("12:00:00");
    Plan plan;
    plan.startOnAlarm = true;
    plan.startAt = at("20:00:00");  // whichever comes first
    plan.durationSeconds = 600;
    RunSchedule schedule(plan);
    Heard heard(schedule);
    schedule.begin();
    clock.advance(3600 * 1000);
    schedule.check();
    EXPECT_FALSE(schedule.takesSampleAt(clock.current));
    schedule.alarmBegan();
    ASSERT_EQ(heard.started.size(), 1);
    EXPECT_EQ(heard.started[0], at("13:00:00"));
    EXPECT_EQ(schedule.endsAt(), at("13:10:00"));
    // A later alarm does not start it again.
    schedule.alarmBegan();
    EXPECT_EQ(heard.started.size(), 1);
}

TEST_F(ScheduleTest, AnAlarmDoesNotStartARunThatWaitsOnlyForItsTime)
{
    clock.current = at("12:00:00");
    Plan plan;
    plan.startAt = at("20:00:00");
    RunSchedule schedule(plan);
    schedule.begin();
    schedule.alarmBegan();
    EXPECT_EQ(schedule.state(), State::Waiting);
}

TEST_F(ScheduleTest, AMachineThatSleptPastTheWholeRunStartsAndEndsItWithoutASample)
{
    clock.current = at("21:00:00");
    Plan plan;
    plan.startAt = at("22:00:00");
    plan.durationSeconds = 3600;
    RunSchedule schedule(plan);
    Heard heard(schedule);
    schedule.begin();
    clock.advance(5 * 3600 * 1000);  // woke at 02:00
    EXPECT_FALSE(schedule.takesSampleAt(clock.current));
    EXPECT_EQ(heard.started.size(), 1);
    EXPECT_EQ(heard.ended.size(), 1);
}

TEST(ScheduleOnTheRealClock, WakesItselfWithoutSamples)
{
    // A lost meter takes no samples: the schedule still starts and ends on time.
    Plan plan;
    plan.startAt = QDateTime::currentDateTime().addMSecs(200);
    plan.durationSeconds = 1;
    RunSchedule schedule(plan);
    Heard heard(schedule);
    schedule.begin();
    QElapsedTimer waited;
    waited.start();
    while (heard.ended.isEmpty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(heard.started.size(), 1);
    ASSERT_EQ(heard.ended.size(), 1);
    EXPECT_GE(QDateTime::currentDateTime(), *plan.startAt);
    EXPECT_EQ(heard.ended[0], Ending::Duration);
}

TEST(ScheduleTimeOfDay, IsTheNextOneAfterTheMomentGiven)
{
    EXPECT_EQ(RunSchedule::nextTimeOfDay(QTime(6, 0), at("22:00:00")), at("06:00:00", 1));
    EXPECT_EQ(RunSchedule::nextTimeOfDay(QTime(22, 0), at("21:59:59")), at("22:00:00"));
    EXPECT_EQ(RunSchedule::nextTimeOfDay(QTime(22, 0), at("22:00:00")), at("22:00:00", 1));
}

// ---- the nights the clocks change --------------------------------------------------------------
// In Berlin in 2026 the clocks jump from 02:00 to 03:00 on 29 March and go
// back from 03:00 to 02:00 on 25 October.

QDateTime moment(const char* isoWithOffset)
{
    return QDateTime::fromString(QString::fromLatin1(isoWithOffset), Qt::ISODate);
}

TEST(ScheduleTimeOfDay, ATimeTheClocksSkipIsTheMomentTheyJump)
{
    LocalZone berlin("Europe/Berlin");
    const struct {
        const char* time;
        const char* after;
        const char* next;
    } cases[] = {
        {"02:30:00", "2026-03-28T22:00:00+01:00", "2026-03-29T03:00:00+02:00"},
        {"02:00:00", "2026-03-28T22:00:00+01:00", "2026-03-29T03:00:00+02:00"},
        {"02:59:59", "2026-03-28T22:00:00+01:00", "2026-03-29T03:00:00+02:00"},
        // Today's has passed; tomorrow's is skipped.
        {"02:30:00", "2026-03-28T03:00:00+01:00", "2026-03-29T03:00:00+02:00"},
        {"03:00:00", "2026-03-28T22:00:00+01:00", "2026-03-29T03:00:00+02:00"},
        {"06:00:00", "2026-03-28T22:00:00+01:00", "2026-03-29T06:00:00+02:00"},
        {"02:30:00", "2026-03-29T03:10:00+02:00", "2026-03-30T02:30:00+02:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.time) + " after " + c.after);
        const QDateTime next = RunSchedule::nextTimeOfDay(QTime::fromString(QLatin1String(c.time), Qt::ISODate),
                                                          moment(c.after).toLocalTime());
        ASSERT_TRUE(next.isValid());
        EXPECT_EQ(next.toOffsetFromUtc(next.offsetFromUtc()).toString(Qt::ISODate).toStdString(), c.next);
    }
}

TEST_F(ScheduleTest, ARunUntilATimeOfDayKeepsToTheWallClockOnTheNightsItChanges)
{
    LocalZone berlin("Europe/Berlin");
    const struct {
        const char* name;
        const char* start;
        QTime until;
        const char* end;
    } cases[] = {
        {"OvernightIntoSummerTime", "2026-03-28T22:00:00+01:00", QTime(6, 0), "2026-03-29T06:00:00+02:00"},
        {"OvernightIntoWinterTime", "2026-10-24T22:00:00+02:00", QTime(6, 0), "2026-10-25T06:00:00+01:00"},
        {"UntilATimeTheClocksSkip", "2026-03-28T22:00:00+01:00", QTime(2, 30), "2026-03-29T03:00:00+02:00"},
        {"UntilATimeSkippedTomorrow", "2026-03-28T03:00:00+01:00", QTime(2, 30), "2026-03-29T03:00:00+02:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clock.current = moment(c.start).toLocalTime();
        Plan plan;
        plan.stopAtTime = c.until;
        RunSchedule schedule(plan);
        Heard heard(schedule);
        schedule.begin();
        const QDateTime end = moment(c.end);
        ASSERT_EQ(schedule.endsAt(), end);
        // A sample a minute, every one of them until the end and none after.
        const QList<QDateTime> taken = tick(schedule, clock, end.addSecs(3600));
        EXPECT_EQ(taken.size(), moment(c.start).secsTo(end) / 60 - 1);
        EXPECT_EQ(heard.ended, QList<Ending>{Ending::StopTime});
    }
}

} // namespace
