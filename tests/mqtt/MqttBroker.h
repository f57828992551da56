#pragma once
// A real MQTT broker for the tests: mosquitto on 127.0.0.1 only, at a free
// port, with a configuration file the test writes; it can be stopped and
// started again on the same port. A subscriber (mosquitto_sub) collects what
// the broker hands out, in order.

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mqtttest {

// Binds to port 0 on 127.0.0.1 (bind == true: the port the system picks) or
// connects to `port`; returns the port, or 0 when it failed.
inline int localPort(bool bindFree, int port = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    int result = 0;
    if (bindFree) {
        socklen_t size = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            result = ntohs(a.sin_port);
    } else if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        result = port;
    }
    ::close(fd);
    return result;
}

} // namespace mqtttest

class MqttBroker {
public:
    // `extraConfig`: lines after the listener (allow_anonymous, password_file ...).
    explicit MqttBroker(const QString& extraConfig = QStringLiteral("allow_anonymous true\n"))
    {
        brokerPort = mqtttest::localPort(true);
        QFile conf(path(QStringLiteral("mosquitto.conf")));
        conf.open(QIODevice::WriteOnly);
        // A persistent store keeps the subscriber's session over a restart. Run
        // by root, the broker would become the user "mosquitto", who may not
        // read this folder; it stays whoever runs the tests.
        const passwd* account = ::getpwuid(::geteuid());
        conf.write(QStringLiteral("listener %1 127.0.0.1\nuser %2\npersistence true\npersistence_location %3/\n%4")
                       .arg(brokerPort)
                       .arg(QString::fromLocal8Bit(account ? account->pw_name : "root"), dir.path(), extraConfig)
                       .toUtf8());
    }
    ~MqttBroker() { stop(); }

    QString path(const QString& name) const { return dir.filePath(name); }
    int port() const { return brokerPort; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(brokerPort); }

    // Starts the broker and waits until it takes connections.
    bool start()
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), path(QStringLiteral("mosquitto.conf"))});
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (mqtttest::localPort(false, brokerPort))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Stops it as a service manager does (SIGTERM): it saves its store and goes.
    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
        }
    }

private:
    QTemporaryDir dir;
    int brokerPort = 0;
    QProcess process;
};

class MqttSubscriber {
public:
    // Subscribes to `topic` with a session the broker keeps while it is away;
    // `extra`: more options of mosquitto_sub and mosquitto_pub (TLS, user).
    MqttSubscriber(const MqttBroker& broker, const QString& topic, const QStringList& extra = {})
    {
        static int serial = 0;
        const QString id = QStringLiteral("tq612-test-%1-%2").arg(::getpid()).arg(++serial);
        probeTopic = id + QStringLiteral("/probe");
        process.start(QStringLiteral("mosquitto_sub"),
                      QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t", topic, "-t",
                                  probeTopic, "-v", "-q", "1", "-c", "-i", id}
                          + extra);
        process.waitForStarted(5000);
        // Subscribed once a message of its own comes back.
        for (int i = 0; i < 50 && !buffer.contains(probeTopic); ++i) {
            QProcess::execute(QStringLiteral("mosquitto_pub"),
                              QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t", probeTopic,
                                          "-m", "x"}
                                  + extra);
            collect(200);
        }
        EXPECT_TRUE(buffer.contains(probeTopic)) << "the subscriber listens";
    }
    ~MqttSubscriber()
    {
        process.terminate();
        process.waitForFinished(5000);
    }

    // Reads for `ms` or until `done` holds.
    bool collect(int ms, const std::function<bool()>& done = {})
    {
        QElapsedTimer t;
        t.start();
        do {
            process.waitForReadyRead(50);
            buffer += QString::fromUtf8(process.readAllStandardOutput());
            if (done && done())
                return true;
        } while (t.elapsed() < ms);
        return done && done();
    }

    // The messages so far as "topic payload", the subscriber's own probes left out.
    QStringList messages() const
    {
        QStringList all = buffer.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        all.removeIf([&](const QString& line) { return line.startsWith(probeTopic + QLatin1Char(' ')); });
        return all;
    }
    // The payloads on `topic`.
    QStringList payloads(const QString& topic) const
    {
        QStringList out;
        for (const QString& line : messages()) {
            if (line.startsWith(topic + QLatin1Char(' ')))
                out << line.mid(topic.size() + 1);
        }
        return out;
    }

private:
    QProcess process;
    QString buffer;
    QString probeTopic;
};

// The retained message on `topic` as a new subscriber gets it; empty when none.
inline QString retained(const MqttBroker& broker, const QString& topic, const QStringList& extra = {})
{
    QProcess p;
    p.start(QStringLiteral("mosquitto_sub"),
            QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t", topic, "-C", "1", "-W", "2",
                        "--retained-only"} + extra);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}
