#pragma once
// How the program words an alarm: in its notification, its status bar, the
// marks on the chart and the arguments of the user's alarm program.
//
//   summary  "Alarm T1 above 26.0 °C"       "Alarm over T1 above 26.0 °C"
//   body     "26.4 °C at 11/12/2026 07:37:09"
//   mark     "T1 above 26.0"                 "T2 no reading"
//   program  ALARM T1 high 26.4 26.0 2026-12-11T07:37:09+01:00

#include "alarm/AlarmEvent.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace AlarmWording {

QString channelName(int channel);
QString unitText(TemperatureUnit unit);
// At least one decimal, two when the number has them (78.98 after a conversion).
QString degreesText(double degrees);
// "26.4", "OL", or empty without a reading.
QString readingText(const AlarmEvent& event);
// "above 26.0", "below -18.0", "no reading", "no meter".
QString subject(const AlarmEvent& event);

// "T1 above 26.0 °C", "T2 no reading": what an alarm that is on is about.
QString stateText(const AlarmEvent& event);
QString summary(const AlarmEvent& event);
QString body(const AlarmEvent& event);
// Beside an alarm's beginning on the chart.
QString markText(const AlarmEvent& event);
// "2026-12-11T07:37:09+01:00": the local time with its offset from UTC, as
// tq612-cli prints a sample's time ("+00:00" in UTC, never "Z").
QString zonedTimeText(TDateTime time);
// ALARM|CLEAR, the channel, the kind, the reading, the limit, the time with
// its offset from UTC: the arguments tq612-cli live --on-alarm gives too.
QStringList programArguments(const AlarmEvent& event);

} // namespace AlarmWording
