#pragma once
// How tq612-cli words an alarm: its line on standard error, the arguments of
// the --on-alarm program, the limits in force.
//
//   ALARM T1 above 26.0: 26.4 at 2026-12-11T07:37:09+01:00
//   CLEAR T1 above 26.0: 25.4 at 2026-12-11T07:52:10+01:00
//   ALARM T2 no reading: OL at 2026-12-11T07:37:09+01:00
//   ALARM T2 no meter at 2026-12-11T07:40:12+01:00

#include "alarm/AlarmEvent.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace cli {

// The event's line on standard error; `moment` is its time with its UTC offset.
QString alarmLine(const AlarmEvent& event, const QDateTime& moment);
// ALARM|CLEAR, the channel, the kind, the reading, the limit, the time.
QStringList programArguments(const AlarmEvent& event, const QDateTime& moment);
// "T1 above 78.8, T2 below -0.4 (hysteresis 0.9)"
QString limitsText(const AlarmSettings& limits);

} // namespace cli
