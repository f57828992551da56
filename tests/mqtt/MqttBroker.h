#pragma once
// A real MQTT broker for the tests and benchmarks: mosquitto on 127.0.0.1
// only, at a free port, with a configuration file the test writes; it can be
// stopped and started again on the same port.

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
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
    // Whether mosquitto is there to be started.
    static bool installed()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("mosquitto")).isEmpty()
               || !QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")}).isEmpty();
    }

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
