#pragma once
// Where and how tq612-cli live sends its readings to an MQTT broker, read
// from the command line and the environment. The password never comes from
// the command line (other users see it there): TQ612_MQTT_PASSWORD (used with a
// user name only) or a file.

#include <QByteArray>
#include <QCommandLineParser>
#include <QProcessEnvironment>
#include <QString>
#include <optional>
#include <variant>

namespace cli::mqtt {

struct MqttSettings {
    QString host;
    int port = 1883;
    QString topicPrefix = QStringLiteral("tq612");
    int qos = 1;
    QString user;
    std::optional<QByteArray> password;
    QString caFile, certFile, keyFile;  // TLS when caFile is set
    QString clientId;
    QString meterId;        // names the meter in discovery and influx lines
    bool haDiscovery = false;
    int endWaitSeconds = 30;  // how long the end of a run waits for the broker to take what is kept

    QString readingsTopic() const { return topicPrefix + QStringLiteral("/readings"); }
    QString statusTopic() const { return topicPrefix + QStringLiteral("/status"); }
    QString address() const;  // host:port, as messages name the broker
};

// The settings of a `live --mqtt` command line, or the reason they cannot be used.
std::variant<MqttSettings, QString> readMqttSettings(const QCommandLineParser& parser,
                                                    const QProcessEnvironment& environment);

// A name made of letters, digits, '-' and '_' for this host's meter on `portPath`:
// tq612-<host>-dev_ttyUSB0.
QString meterIdFor(const QString& hostName, const QString& portPath);

} // namespace cli::mqtt
