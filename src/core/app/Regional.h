#pragma once
// Text of dates, times and numbers in the user's regional settings, written
// and read with the same formats so that files round-trip on one machine.

#include "app/DateTime.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace Regional {

QLocale locale();
QChar decimalPoint();
// The short date format, always with a four-digit year so that a date
// written in 2026 is not read back as 1926.
QString shortDateFormat();
// The long time format without a time-zone name.
QString longTimeFormat();

QString dateText(TDateTime t);
QString timeText(TDateTime t);
// Date, a blank, time.
QString dateTimeText(TDateTime t);

// Reads "date time" (or a date alone) in the formats above.
std::optional<TDateTime> parseDateTime(const QString& text);

// A number in fixed notation with `decimals` decimals and at most seven
// significant digits: larger numbers switch to exponent form. NaN and
// infinities read "NAN", "INF" and "-INF".
QString fixed(double value, int decimals);
// Reads a decimal number written with the user's decimal separator.
std::optional<double> parseNumber(const QString& text);

} // namespace Regional
