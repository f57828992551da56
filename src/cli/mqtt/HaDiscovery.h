#pragma once
// Home Assistant finds MQTT sensors by retained configuration messages on
// homeassistant/sensor/<id>/config. Each of the meter's four channels becomes
// a temperature sensor that reads its value out of PREFIX/readings and is
// available while PREFIX/status says "online".

#include "MqttSettings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <utility>

namespace cli::mqtt {

// The meter as Home Assistant lists it; every sensor of it names the same device.
QJsonObject haDevice(const MqttSettings& settings);

// Topic and payload of the four configurations, for a meter showing
// Celsius (`celsius`) or Fahrenheit.
QList<std::pair<QString, QByteArray>> haDiscoveryMessages(const MqttSettings& settings, bool celsius);

} // namespace cli::mqtt
