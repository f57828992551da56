#pragma once
// The program's date-time: days since 30 December 1899 (local time), the
// fraction being the time of day. Chart X values, sample stamps and data set
// starts all use it, so files written by the program keep this form.

#include <QDateTime>

using TDateTime = double;

namespace DateTime {

inline constexpr double SecondsPerDay = 86400.0;
inline constexpr double OneSecond = 1.0 / SecondsPerDay;

// Local date and time to a day count; milliseconds are kept.
TDateTime fromQDateTime(const QDateTime& dt);
// Day count to local date and time, rounded to the millisecond.
QDateTime toQDateTime(TDateTime t);
// "2026-12-11T07:37:09+01:00": the moment with its offset from UTC, always as
// +hh:mm ("+00:00" in UTC, where Qt's ISO form would say "Z").
QString zonedText(const QDateTime& moment);

} // namespace DateTime
