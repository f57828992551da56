// How tq612-cli live reads an alarm limit and a time: the forms a user types.
#include "live/AlarmOptions.h"
#include "live/ScheduleOptions.h"

#include <gtest/gtest.h>

namespace {

constexpr auto C = TemperatureUnit::Celsius;
constexpr auto F = TemperatureUnit::Fahrenheit;

TEST(AlarmLimitText, ReadsTheFormsAUserTypes)
{
    struct Case {
        const char* text;
        int channel;
        bool high;
        double degrees;
        std::optional<TemperatureUnit> unit;
    };
    const Case cases[] = {
        {"T1>26", 0, true, 26.0, {}},
        {"T2<-18", 1, false, -18.0, {}},
        {"t3 < 5.5 °C", 2, false, 5.5, C},
        {"T4>78.8F", 3, true, 78.8, F},
        {"T4 > -0.4 f", 3, true, -0.4, F},
        {"T1>+.5", 0, true, 0.5, {}},
        {"T1>26.", 0, true, 26.0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto limit = cli::parseAlarmLimit(QString::fromUtf8(c.text));
        ASSERT_TRUE(limit);
        EXPECT_EQ(limit->channel, c.channel);
        EXPECT_EQ(limit->high, c.high);
        EXPECT_EQ(limit->degrees, c.degrees);
        EXPECT_EQ(limit->unit, c.unit);
    }
    for (const char* wrong : {"T0>1", "T5<1", "T1>>2", "T1>", "T1=26", "T1>1e3", "T1>26K", "T1>26CC", "26>T1", "T1>2 6"}) {
        SCOPED_TRACE(wrong);
        EXPECT_FALSE(cli::parseAlarmLimit(QString::fromUtf8(wrong)));
    }
}

// The plan of `args` (after "live") with the clock at 2026-12-10 10:00:00 local time.
RunSchedule::Plan planOf(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addOptions(cli::scheduleOptions());
    parser.addPositionalArgument(QStringLiteral("live"), {});
    EXPECT_TRUE(parser.parse(QStringList{"tq612-cli", "live"} + args)) << parser.errorText().toStdString();
    const auto plan = cli::readSchedule(parser, QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
    EXPECT_TRUE(std::holds_alternative<RunSchedule::Plan>(plan)) << std::get<QString>(plan).toStdString();
    return std::holds_alternative<RunSchedule::Plan>(plan) ? std::get<RunSchedule::Plan>(plan) : RunSchedule::Plan{};
}

QDateTime local(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

TEST(ScheduleText, ATimeOfDayIsTheNextOneAndADateTimeIsThatMoment)
{
    struct Case {
        QStringList args;
        std::optional<QDateTime> startAt;
    };
    const Case cases[] = {
        {{"--start-at", "22:00"}, local(10, 22, 0)},
        {{"--start-at", "09:58"}, local(11, 9, 58)},
        // A few seconds late, as cron may be: now, not tomorrow.
        {{"--start-at", "09:59:30"}, local(10, 10, 0)},
        {{"--start-at", "2026-12-11T06:00"}, local(11, 6, 0)},
        {{"--start-at", "2026-12-11 06:00:30"}, local(11, 6, 0, 30)},
        {{"--start-at", "2030-01-01T00:00:00Z"}, QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC)},
        {{"--start-at", "2030-01-01T01:00:00+01:00"}, QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC)},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const RunSchedule::Plan plan = planOf(c.args);
        EXPECT_EQ(plan.startAt, c.startAt);
    }
}

TEST(ScheduleText, UntilATimeOfDayIsTheNextOneAfterTheStart)
{
    const RunSchedule::Plan overnight = planOf({"--start-at", "22:00", "--until", "06:00", "--duration", "3600"});
    EXPECT_EQ(overnight.stopAtTime, QTime(6, 0));
    EXPECT_FALSE(overnight.stopAt);
    EXPECT_EQ(overnight.durationSeconds, 3600);
    const RunSchedule::Plan moment = planOf({"--until", "2026-12-11T06:00"});
    EXPECT_EQ(moment.stopAt, local(11, 6, 0));
    EXPECT_FALSE(moment.stopAtTime);
}

} // namespace
