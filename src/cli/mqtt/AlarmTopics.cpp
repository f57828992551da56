#include "AlarmTopics.h"

#include "HaDiscovery.h"
#include "live/LiveSample.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace cli::mqtt {

namespace {

QString channelName(int channel)
{
    return QStringLiteral("T%1").arg(channel + 1);
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString alarmTopic(const MqttSettings& settings)
{
    return settings.topicPrefix + QStringLiteral("/alarm");
}

QString alarmStateTopic(const MqttSettings& settings, int channel)
{
    return alarmTopic(settings) + QLatin1Char('/') + channelName(channel);
}

QByteArray alarmEventJson(const AlarmEvent& event, const QDateTime& moment)
{
    QJsonValue reading;  // null: none
    if (event.overRange)
        reading = QStringLiteral("OL");
    else if (event.reading)
        reading = *event.reading;
    return compact({
        {QStringLiteral("event"), event.begins ? QStringLiteral("ALARM") : QStringLiteral("CLEAR")},
        {QStringLiteral("channel"), channelName(event.channel)},
        {QStringLiteral("kind"), alarmKindText(event.kind)},
        {QStringLiteral("reading"), reading},
        // 78.8, not 78.80000000000001 after a conversion.
        {QStringLiteral("limit"), event.limit ? QJsonValue(std::round(*event.limit * 100.0) / 100.0) : QJsonValue()},
        {QStringLiteral("unit"), event.unit == TemperatureUnit::Celsius ? QStringLiteral("C") : QStringLiteral("F")},
        {QStringLiteral("time"), timeText(moment)},
    });
}

QByteArray alarmStateJson(const AlarmRule& rule, int channel, const QDateTime& moment)
{
    QJsonArray alarms;
    for (AlarmKind kind : {AlarmKind::High, AlarmKind::Low, AlarmKind::NoReading, AlarmKind::NoMeter}) {
        if (rule.isActive(channel, kind))
            alarms.append(alarmKindText(kind));
    }
    return compact({
        {QStringLiteral("state"), alarms.isEmpty() ? QStringLiteral("OFF") : QStringLiteral("ON")},
        {QStringLiteral("alarms"), alarms},
        {QStringLiteral("time"), timeText(moment)},
    });
}

QList<std::pair<QString, QByteArray>> haAlarmDiscoveryMessages(const MqttSettings& settings,
                                                             const AlarmSettings& alarms)
{
    QList<std::pair<QString, QByteArray>> messages;
    for (int c = 0; c < AlarmSettings::Channels; ++c) {
        const QString id = QStringLiteral("%1_%2_alarm").arg(settings.meterId, channelName(c));
        const QString topic = QStringLiteral("homeassistant/binary_sensor/%1/config").arg(id);
        if (!alarms.limits[size_t(c)].watched()) {
            messages.append({topic, QByteArray()});
            continue;
        }
        const QString state = alarmStateTopic(settings, c);
        const QJsonObject config{
            {QStringLiteral("name"), QStringLiteral("%1 alarm").arg(channelName(c))},
            {QStringLiteral("unique_id"), id},
            {QStringLiteral("device_class"), QStringLiteral("problem")},
            {QStringLiteral("state_topic"), state},
            {QStringLiteral("value_template"), QStringLiteral("{{ value_json.state }}")},
            {QStringLiteral("payload_on"), QStringLiteral("ON")},
            {QStringLiteral("payload_off"), QStringLiteral("OFF")},
            // The kinds of alarm that are on, as the sensor's attributes.
            {QStringLiteral("json_attributes_topic"), state},
            {QStringLiteral("availability_topic"), settings.statusTopic()},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device"), haDevice(settings)},
        };
        messages.append({topic, compact(config)});
    }
    return messages;
}

} // namespace cli::mqtt
