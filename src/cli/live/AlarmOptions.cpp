#include "AlarmOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>

namespace cli {

namespace {

const QString Alarm = QStringLiteral("alarm");
const QString Hysteresis = QStringLiteral("alarm-hysteresis");
const QString Delay = QStringLiteral("alarm-delay");
const QString OnAlarm = QStringLiteral("on-alarm");
const QString OnAlarmTimeout = QStringLiteral("on-alarm-timeout");

std::optional<int> wholeNumber(const QString& text, int least)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= least ? std::optional<int>(value) : std::nullopt;
}

// PROGRAM as a path (with a '/') or a name looked up in PATH; never through a
// shell. Its absolute path, or empty with `why` said.
QString findProgram(const QString& given, QString& why)
{
    QString path = given;
    if (!given.contains(QLatin1Char('/'))) {
        path = QStandardPaths::findExecutable(given);
        if (path.isEmpty()) {
            why = QStringLiteral("--on-alarm: there is no program %1 in PATH").arg(given);
            return {};
        }
    }
    const QFileInfo info(path);
    if (!info.exists())
        why = QStringLiteral("--on-alarm: there is no program %1").arg(given);
    else if (!info.isFile() || !info.isExecutable())
        why = QStringLiteral("--on-alarm: %1 is not an executable file").arg(given);
    else
        return info.absoluteFilePath();
    return {};
}

} // namespace

std::optional<AlarmLimit> parseAlarmLimit(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*T([1-4])\\s*([<>])\\s*([-+]?(?:\\d+(?:\\.\\d*)?|\\.\\d+))\\s*(°?[CF])?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    AlarmLimit limit;
    limit.channel = m.captured(1).toInt() - 1;
    limit.high = m.captured(2) == QLatin1String(">");
    limit.degrees = m.captured(3).toDouble();
    const QString unit = m.captured(4).toUpper();
    if (unit.endsWith(QLatin1Char('C')))
        limit.unit = TemperatureUnit::Celsius;
    else if (unit.endsWith(QLatin1Char('F')))
        limit.unit = TemperatureUnit::Fahrenheit;
    return limit;
}

QList<QCommandLineOption> alarmOptions()
{
    return {
        {Alarm,
         QStringLiteral("An alarm when a channel goes above (T1>26) or below (T2<-18) a limit, or reads OL or nothing, "
                        "or the meter is lost; once per limit. Degrees in the meter's unit, or end them in C or F."),
         QStringLiteral("LIMIT")},
        {Hysteresis,
         QStringLiteral("Degrees a reading must come back past its limit before the alarm ends (0.5)."),
         QStringLiteral("DEGREES"), QStringLiteral("0.5")},
        {Delay, QStringLiteral("Samples in a row beyond a limit (or without a reading) before the alarm begins (0)."),
         QStringLiteral("N"), QStringLiteral("0")},
        {OnAlarm,
         QStringLiteral("Run PROGRAM (no shell) at each alarm and its end with the arguments ALARM|CLEAR, the "
                        "channel, the kind, the reading, the limit and the time."),
         QStringLiteral("PROGRAM")},
        {OnAlarmTimeout,
         QStringLiteral("Seconds the --on-alarm program may take before it is ended (%1).")
             .arg(AlarmOptions::DefaultProgramTimeoutSeconds),
         QStringLiteral("SECONDS"), QString::number(AlarmOptions::DefaultProgramTimeoutSeconds)},
    };
}

std::variant<std::optional<AlarmOptions>, QString> readAlarmOptions(const QCommandLineParser& parser)
{
    if (!parser.isSet(Alarm)) {
        for (const QString& name : {Hysteresis, Delay, OnAlarm, OnAlarmTimeout}) {
            if (parser.isSet(name))
                return QStringLiteral("--%1 needs at least one --alarm").arg(name);
        }
        return std::nullopt;
    }

    AlarmOptions options;
    AlarmSettings& s = options.settings;
    for (const QString& text : parser.values(Alarm)) {
        const auto limit = parseAlarmLimit(text);
        if (!limit)
            return QStringLiteral("--alarm must be a channel, > or < and degrees, like T1>26 or T2<-18.5F: \"%1\"")
                .arg(text);
        if (limit->unit) {
            if (s.unit && *s.unit != *limit->unit)
                return QStringLiteral("give every --alarm in the same unit, C or F");
            s.unit = limit->unit;
        }
        ChannelLimits& channel = s.limits[size_t(limit->channel)];
        std::optional<double>& slot = limit->high ? channel.high : channel.low;
        if (slot)
            return QStringLiteral("--alarm gives T%1 two %2 limits")
                .arg(limit->channel + 1)
                .arg(limit->high ? QStringLiteral("high") : QStringLiteral("low"));
        slot = limit->degrees;
        if (channel.high && channel.low && *channel.low >= *channel.high)
            return QStringLiteral("T%1's low limit must be below its high limit").arg(limit->channel + 1);
    }

    bool ok = false;
    s.hysteresis = parser.value(Hysteresis).trimmed().toDouble(&ok);
    if (!ok || !(s.hysteresis >= 0) || !std::isfinite(s.hysteresis))
        return QStringLiteral("--alarm-hysteresis must be a number of degrees, 0 or more");
    const auto delay = wholeNumber(parser.value(Delay), 0);
    if (!delay)
        return QStringLiteral("--alarm-delay must be a whole number of samples, 0 or more");
    s.delaySamples = *delay;

    if (parser.isSet(OnAlarm)) {
        QString why;
        options.program = findProgram(parser.value(OnAlarm), why);
        if (options.program.isEmpty())
            return why;
    }
    const auto timeout = wholeNumber(parser.value(OnAlarmTimeout), 1);
    if (!timeout)
        return QStringLiteral("--on-alarm-timeout must be a whole number of seconds, at least 1");
    options.programTimeoutSeconds = *timeout;
    return options;
}

} // namespace cli
