#pragma once
// --start-at, --duration and --until of tq612-cli live: a run from cron or a
// timer unit that starts and ends by itself, read into the core's schedule.

#include "realtime/RunSchedule.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <variant>

namespace cli {

QList<QCommandLineOption> scheduleOptions();

// TIME is a time of day, HH:MM or HH:MM:SS (the next one; one that passed less
// than a minute ago is now), or a date and time, YYYY-MM-DDTHH:MM[:SS], local or
// with its offset (+01:00, Z). `now` is the clock's.
std::variant<RunSchedule::Plan, QString> readSchedule(const QCommandLineParser& parser, const QDateTime& now);

} // namespace cli
