#pragma once
// A subscriber (mosquitto_sub) that collects what the broker hands out, in
// order, and the retained message of a topic as a new subscriber gets it.

#include "MqttBroker.h"

#include <QProcess>
#include <functional>
#include <gtest/gtest.h>

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
