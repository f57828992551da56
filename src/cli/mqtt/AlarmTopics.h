#pragma once
// The alarms at the broker: every event as JSON on PREFIX/alarm, each
// channel's present state retained on PREFIX/alarm/T1 ... T4, and for Home
// Assistant a binary sensor of the class "problem" per watched channel, which
// an automation turns into a message on a phone.
//
//   PREFIX/alarm     {"event":"ALARM","channel":"T1","kind":"high","reading":26.4,"limit":26.0,
//                     "unit":"C","time":"2026-12-11T07:37:09+01:00"}
//   PREFIX/alarm/T1  {"state":"ON","alarms":["high"],"time":"2026-12-11T07:37:09+01:00"}

#include "MqttSettings.h"
#include "alarm/AlarmRule.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <utility>

namespace cli::mqtt {

QString alarmTopic(const MqttSettings& settings);
QString alarmStateTopic(const MqttSettings& settings, int channel);

// The event; "reading" is a number, "OL" or null, "limit" a number or null.
QByteArray alarmEventJson(const AlarmEvent& event, const QDateTime& moment);
// The channel's state in `rule` as of `moment`: "ON" while any of its alarms is on.
QByteArray alarmStateJson(const AlarmRule& rule, int channel, const QDateTime& moment);

// Topic and payload of the four binary sensors' configurations: a watched
// channel's, and an empty payload that removes the sensor of one not watched.
QList<std::pair<QString, QByteArray>> haAlarmDiscoveryMessages(const MqttSettings& settings,
                                                             const AlarmSettings& alarms);

} // namespace cli::mqtt
