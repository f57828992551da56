#include "ScheduleOptions.h"

#include <QRegularExpression>

namespace cli {

namespace {

const QString StartAt = QStringLiteral("start-at");
const QString Duration = QStringLiteral("duration");
const QString Until = QStringLiteral("until");

// A start asked for a time of day just past is meant now, not tomorrow: cron
// starting `--start-at 22:00` at 22:00 may come a few seconds late.
constexpr qint64 JustPastSeconds = 60;

struct Time {
    std::optional<QTime> ofDay;
    std::optional<QDateTime> moment;
};

std::optional<Time> readTime(const QString& given)
{
    const QString text = given.trimmed();
    static const QRegularExpression timeOfDay(QStringLiteral("^\\d\\d:\\d\\d(:\\d\\d)?$"));
    if (timeOfDay.match(text).hasMatch()) {
        const QTime t = QTime::fromString(text, text.size() == 5 ? QStringLiteral("HH:mm") : QStringLiteral("HH:mm:ss"));
        return t.isValid() ? std::optional<Time>(Time{t, {}}) : std::nullopt;
    }
    static const QRegularExpression dateTime(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d[T ]\\d\\d:\\d\\d(:\\d\\d)?(Z|[+-]\\d\\d:\\d\\d)?$"));
    if (!dateTime.match(text).hasMatch())
        return std::nullopt;
    QString iso = text;
    iso[10] = QLatin1Char('T');
    const QDateTime moment = QDateTime::fromString(iso, Qt::ISODate);
    return moment.isValid() ? std::optional<Time>(Time{{}, moment}) : std::nullopt;
}

} // namespace

QList<QCommandLineOption> scheduleOptions()
{
    return {
        {StartAt,
         QStringLiteral("Start taking samples at TIME: HH:MM[:SS] (the next one) or YYYY-MM-DDTHH:MM[:SS]."),
         QStringLiteral("TIME")},
        {Duration, QStringLiteral("Stop SECONDS after the start."), QStringLiteral("SECONDS")},
        {Until, QStringLiteral("Stop at TIME: HH:MM[:SS] (the next one after the start) or YYYY-MM-DDTHH:MM[:SS]."),
         QStringLiteral("TIME")},
    };
}

std::variant<RunSchedule::Plan, QString> readSchedule(const QCommandLineParser& parser, const QDateTime& now)
{
    RunSchedule::Plan plan;
    QDateTime start = now;
    if (parser.isSet(StartAt)) {
        const auto t = readTime(parser.value(StartAt));
        if (!t)
            return QStringLiteral("--start-at must be HH:MM, HH:MM:SS or YYYY-MM-DDTHH:MM[:SS]");
        if (t->moment) {
            if (*t->moment < now)
                return QStringLiteral("--start-at %1 has passed").arg(parser.value(StartAt));
            start = *t->moment;
        } else {
            start = RunSchedule::nextTimeOfDay(*t->ofDay, now.addSecs(-JustPastSeconds));
            if (start < now)
                start = now;
        }
        plan.startAt = start;
    }
    if (parser.isSet(Duration)) {
        bool ok = false;
        const qint64 seconds = parser.value(Duration).trimmed().toLongLong(&ok);
        if (!ok || seconds < 1)
            return QStringLiteral("--duration must be a whole number of seconds, at least 1");
        plan.durationSeconds = seconds;
    }
    if (parser.isSet(Until)) {
        const auto t = readTime(parser.value(Until));
        if (!t)
            return QStringLiteral("--until must be HH:MM, HH:MM:SS or YYYY-MM-DDTHH:MM[:SS]");
        if (t->moment && *t->moment <= start)
            return QStringLiteral("--until %1 is not after the start").arg(parser.value(Until));
        plan.stopAt = t->moment;
        plan.stopAtTime = t->ofDay;
    }
    return plan;
}

} // namespace cli
