#pragma once
// The alarm options of tq612-cli live: --alarm 'T1>26' once for each limit,
// --alarm-hysteresis, --alarm-delay, and --on-alarm PROGRAM with its
// --on-alarm-timeout, read into the core's alarm settings.

#include "alarm/AlarmSettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

namespace cli {

struct AlarmOptions {
    static constexpr int DefaultProgramTimeoutSeconds = 30;

    AlarmSettings settings;
    QString program;  // the --on-alarm program's absolute path; empty without one
    int programTimeoutSeconds = DefaultProgramTimeoutSeconds;
};

// One --alarm: "T1>26", "T2<-18", "T1>78.8F", "t3 < 5.5 °C".
struct AlarmLimit {
    int channel = 0;  // 0 to 3
    bool high = true;  // '>' a high limit, '<' a low one
    double degrees = 0;
    std::optional<TemperatureUnit> unit;
};
std::optional<AlarmLimit> parseAlarmLimit(const QString& text);

QList<QCommandLineOption> alarmOptions();

// Nothing without --alarm; else the alarms, or why the options cannot be used.
std::variant<std::optional<AlarmOptions>, QString> readAlarmOptions(const QCommandLineParser& parser);

} // namespace cli
