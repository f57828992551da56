#include "MqttSettings.h"

#include "TlsFiles.h"

#include <QFile>
#include <QRegularExpression>

namespace cli::mqtt {

namespace {

constexpr int PlainPort = 1883;
constexpr int TlsPort = 8883;
// A day: longer than any broker takes to come back, and well inside a timer's range.
constexpr int MaxEndWaitSeconds = 86400;

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT; the port is 0 when not given.
std::optional<std::pair<QString, int>> splitAddress(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(?:\\[([^\\]]+)\\]|([^:\\[\\]]+))(?::(\\d{1,5}))?$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    int port = 0;
    if (match.hasCaptured(3) && !match.captured(3).isEmpty()) {
        port = match.captured(3).toInt();
        if (port < 1 || port > 65535)
            return std::nullopt;
    }
    return std::make_pair(host, port);
}

bool readable(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

} // namespace

QString MqttSettings::address() const
{
    return (host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host)
           + QStringLiteral(":%1").arg(port);
}

std::variant<MqttSettings, QString> readMqttSettings(const QCommandLineParser& parser,
                                                    const QProcessEnvironment& environment)
{
    MqttSettings s;
    const auto address = splitAddress(parser.value(QStringLiteral("mqtt")));
    if (!address)
        return QStringLiteral("--mqtt must be HOST or HOST:PORT");
    s.host = address->first;

    s.topicPrefix = parser.value(QStringLiteral("topic"));
    while (s.topicPrefix.endsWith(QLatin1Char('/')))
        s.topicPrefix.chop(1);
    if (s.topicPrefix.isEmpty() || s.topicPrefix.contains(QLatin1Char('#')) || s.topicPrefix.contains(QLatin1Char('+')))
        return QStringLiteral("--topic must be a topic name without # or +");

    const QString qos = parser.value(QStringLiteral("qos"));
    if (qos != QLatin1String("0") && qos != QLatin1String("1") && qos != QLatin1String("2"))
        return QStringLiteral("--qos must be 0, 1 or 2");
    s.qos = qos.toInt();

    s.user = parser.value(QStringLiteral("mqtt-user"));
    if (parser.isSet(QStringLiteral("mqtt-password-file"))) {
        QFile file(parser.value(QStringLiteral("mqtt-password-file")));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("the password file %1 cannot be read").arg(file.fileName());
        QByteArray password = file.readLine();
        while (password.endsWith('\n') || password.endsWith('\r'))
            password.chop(1);
        s.password = password;
    } else if (!s.user.isEmpty() && environment.contains(QStringLiteral("TQ612_MQTT_PASSWORD"))) {
        s.password = environment.value(QStringLiteral("TQ612_MQTT_PASSWORD")).toUtf8();
    }
    if (s.password && s.user.isEmpty())
        return QStringLiteral("a password needs a user name: --mqtt-user NAME");

    s.caFile = parser.value(QStringLiteral("mqtt-cafile"));
    s.certFile = parser.value(QStringLiteral("mqtt-cert"));
    s.keyFile = parser.value(QStringLiteral("mqtt-key"));
    if ((!s.certFile.isEmpty() || !s.keyFile.isEmpty()) && s.caFile.isEmpty())
        return QStringLiteral("--mqtt-cert and --mqtt-key need --mqtt-cafile");
    if (s.certFile.isEmpty() != s.keyFile.isEmpty())
        return QStringLiteral("--mqtt-cert and --mqtt-key go together");
    for (const QString& file : {s.caFile, s.certFile, s.keyFile}) {
        if (!file.isEmpty() && !readable(file))
            return QStringLiteral("the file %1 cannot be read").arg(file);
    }
    if (!s.caFile.isEmpty()) {
        if (const QString problem = tlsFilesProblem(s.caFile, s.certFile, s.keyFile); !problem.isEmpty())
            return problem;
    }
    s.port = address->second ? address->second : (s.caFile.isEmpty() ? PlainPort : TlsPort);
    s.haDiscovery = parser.isSet(QStringLiteral("ha-discovery"));
    bool whole = false;
    s.endWaitSeconds = parser.value(QStringLiteral("mqtt-wait")).toInt(&whole);
    if (!whole || s.endWaitSeconds < 1 || s.endWaitSeconds > MaxEndWaitSeconds)
        return QStringLiteral("--mqtt-wait must be a whole number of seconds from 1 to %1").arg(MaxEndWaitSeconds);
    return s;
}

QString meterIdFor(const QString& hostName, const QString& portPath)
{
    static const QRegularExpression others(QStringLiteral("[^A-Za-z0-9_-]+"));
    QString port = portPath;
    if (port.startsWith(QLatin1Char('/')))
        port.remove(0, 1);
    QString id = QStringLiteral("tq612-%1-%2").arg(hostName, port);
    return id.replace(others, QStringLiteral("_"));
}

} // namespace cli::mqtt
