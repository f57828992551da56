#include "alarm/AlarmSettings.h"

#include <QSettings>
#include <algorithm>
#include <cmath>

namespace {

const QString Group = QStringLiteral("Alarms");

QString limitKey(int channel, const char* which)
{
    return QStringLiteral("T%1%2").arg(channel + 1).arg(QLatin1String(which));
}

// Numbers are written with '.', whatever the user's locale.
std::optional<double> readNumber(const QSettings& s, const QString& key)
{
    bool ok = false;
    const double value = s.value(key).toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

void writeNumber(QSettings& s, const QString& key, const std::optional<double>& value)
{
    if (value)
        s.setValue(key, QString::number(*value, 'g', 12));
    else
        s.remove(key);
}

} // namespace

double convertTemperature(double degrees, TemperatureUnit from, TemperatureUnit to)
{
    if (from == to)
        return degrees;
    return to == TemperatureUnit::Fahrenheit ? degrees * 9.0 / 5.0 + 32.0 : (degrees - 32.0) * 5.0 / 9.0;
}

double convertDifference(double degrees, TemperatureUnit from, TemperatureUnit to)
{
    if (from == to)
        return degrees;
    return to == TemperatureUnit::Fahrenheit ? degrees * 9.0 / 5.0 : degrees * 5.0 / 9.0;
}

bool AlarmSettings::watchesAny() const
{
    return std::any_of(limits.begin(), limits.end(), [](const ChannelLimits& l) { return l.watched(); });
}

AlarmSettings AlarmSettings::convertedTo(TemperatureUnit to) const
{
    AlarmSettings converted = *this;
    converted.unit = to;
    if (!unit || *unit == to)
        return converted;
    const auto temperature = [&](const std::optional<double>& v) {
        return v ? std::optional<double>(convertTemperature(*v, *unit, to)) : std::nullopt;
    };
    for (ChannelLimits& l : converted.limits) {
        l.high = temperature(l.high);
        l.low = temperature(l.low);
    }
    converted.hysteresis = convertDifference(hysteresis, *unit, to);
    return converted;
}

AlarmSettings AlarmSettings::load(QSettings& s)
{
    AlarmSettings a;
    s.beginGroup(Group);
    for (int c = 0; c < Channels; ++c) {
        a.limits[size_t(c)].high = readNumber(s, limitKey(c, "High"));
        a.limits[size_t(c)].low = readNumber(s, limitKey(c, "Low"));
    }
    if (const auto h = readNumber(s, QStringLiteral("Hysteresis")); h && *h >= 0)
        a.hysteresis = *h;
    if (const auto d = readNumber(s, QStringLiteral("Delay")); d && *d >= 0 && *d <= 1e6 && *d == std::floor(*d))
        a.delaySamples = int(*d);
    const QString unit = s.value(QStringLiteral("Unit")).toString().trimmed();
    if (unit == QLatin1String("C"))
        a.unit = TemperatureUnit::Celsius;
    else if (unit == QLatin1String("F"))
        a.unit = TemperatureUnit::Fahrenheit;
    s.endGroup();
    return a;
}

void AlarmSettings::save(QSettings& s) const
{
    s.beginGroup(Group);
    for (int c = 0; c < Channels; ++c) {
        writeNumber(s, limitKey(c, "High"), limits[size_t(c)].high);
        writeNumber(s, limitKey(c, "Low"), limits[size_t(c)].low);
    }
    writeNumber(s, QStringLiteral("Hysteresis"), hysteresis);
    s.setValue(QStringLiteral("Delay"), delaySamples);
    if (unit)
        s.setValue(QStringLiteral("Unit"), *unit == TemperatureUnit::Celsius ? QStringLiteral("C") : QStringLiteral("F"));
    else
        s.remove(QStringLiteral("Unit"));
    s.endGroup();
}
