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

} // namespace DateTime
