#include "HaDiscovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli::mqtt {

QJsonObject haDevice(const MqttSettings& settings)
{
    return {
        {QStringLiteral("identifiers"), QJsonArray{settings.meterId}},
        {QStringLiteral("name"), QStringLiteral("Thermometer %1").arg(settings.meterId)},
        {QStringLiteral("model"), QStringLiteral("four-channel thermometer")},
        {QStringLiteral("sw_version"), QStringLiteral(TQ612_VERSION)},
    };
}

QList<std::pair<QString, QByteArray>> haDiscoveryMessages(const MqttSettings& settings, bool celsius)
{
    const QJsonObject device = haDevice(settings);
    QList<std::pair<QString, QByteArray>> messages;
    for (int c = 1; c <= 4; ++c) {
        const QString channel = QStringLiteral("T%1").arg(c);
        const QString id = settings.meterId + QLatin1Char('_') + channel;
        // "OL" and null become "None", which the sensor shows as unknown.
        const QString value = QStringLiteral("value_json.%1").arg(channel);
        const QJsonObject config{
            {QStringLiteral("name"), channel},
            {QStringLiteral("unique_id"), id},
            {QStringLiteral("device_class"), QStringLiteral("temperature")},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("unit_of_measurement"), celsius ? QStringLiteral("°C") : QStringLiteral("°F")},
            {QStringLiteral("state_topic"), settings.readingsTopic()},
            {QStringLiteral("value_template"), QStringLiteral("{{ %1 if %1 is number else None }}").arg(value)},
            {QStringLiteral("availability_topic"), settings.statusTopic()},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device"), device},
        };
        messages.append({QStringLiteral("homeassistant/sensor/%1/config").arg(id),
                         QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return messages;
}

} // namespace cli::mqtt
