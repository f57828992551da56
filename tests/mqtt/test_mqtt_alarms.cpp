// A freezer's alarms at a real broker (mosquitto on 127.0.0.1): tq612-cli
// live --alarm with --mqtt sends each alarm as it happens, keeps each
// channel's state retained, and announces a binary sensor per watched channel
// for Home Assistant, which tells the phone.
#include "../cli/CliRun.h"
#include "MeterSim.h"
#include "MqttBroker.h"
#include "MqttSubscriber.h"

#include "mqtt/MqttSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>

using metersim::MeterSim;

namespace {

QJsonObject parse(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

void show(MeterSim& sim, const std::array<double, 4>& shown)
{
    auto locked = sim.lock();
    sim.meter().hold = true;
    sim.meter().shown = shown;
}

// The time of the first sample line of `jsonl` whose T1 is `t1` ("OL" or a number).
QString timeOfSampleWith(const QString& jsonl, const QJsonValue& t1)
{
    for (const QString& line : jsonl.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonObject o = parse(line);
        if (o.value("T1") == t1)
            return o.value("time").toString();
    }
    return {};
}

void publishRetained(const MqttBroker& broker, const QString& topic, const QString& payload)
{
    QProcess::execute(QStringLiteral("mosquitto_pub"), {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t",
                                                        topic, "-m", payload, "-r", "-q", "1"});
}

} // namespace

TEST(MqttAlarms, AFreezerTooWarmAndItsUnpluggedProbeReachHomeAssistant)
{
    MqttBroker broker;
    ASSERT_TRUE(broker.start());
    metersim::Options o;
    o.rateMs = 100;
    o.registerPort = false;
    MeterSim sim(o);
    ASSERT_TRUE(sim.start());
    show(sim, {-20.0, 4.0, 21.0, 21.0});
    const QString meterId = cli::mqtt::meterIdFor(QSysInfo::machineHostName(), sim.portPath());

    // An earlier run watched T3: its state and its sensor must not linger.
    const QString staleConfig = QStringLiteral("homeassistant/binary_sensor/%1_T3_alarm/config").arg(meterId);
    publishRetained(broker, QStringLiteral("home/freezer/alarm/T3"), QStringLiteral(R"({"state":"ON"})"));
    publishRetained(broker, staleConfig, QStringLiteral("{}"));
    MqttSubscriber sub(broker, QStringLiteral("home/freezer/alarm"));

    QString out, err;
    const CliRun run = runCli({"live", "--port", sim.portPath(), "--format", "jsonl", "--mqtt", broker.address(),
                               "--topic", "home/freezer", "--ha-discovery", "--alarm", "T1>-18", "--alarm", "T2>8"},
                              {}, [&](QProcess& p) {
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return out.count('\n') >= 2; }));
                                  show(sim, {-15.0, 4.0, 21.0, 21.0});  // the door was left open
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains("ALARM T1 above"); }));
                                  show(sim, {3000.0, 4.0, 21.0, 21.0});  // and the probe pulled out
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains("ALARM T1 no reading"); }));
                                  ::kill(pid_t(p.processId()), SIGTERM);
                              });
    out += run.out;
    ASSERT_EQ(run.exitCode, 0) << (err + run.err).toStdString();

    // Each alarm as it happened, at the time of its sample.
    ASSERT_TRUE(sub.collect(5000, [&] { return sub.payloads("home/freezer/alarm").size() >= 2; }));
    const QStringList events = sub.payloads(QStringLiteral("home/freezer/alarm"));
    ASSERT_EQ(events.size(), 2) << events.join('\n').toStdString();
    EXPECT_EQ(parse(events[0]), (QJsonObject{{"event", "ALARM"}, {"channel", "T1"}, {"kind", "high"}, {"reading", -15.0},
                                             {"limit", -18.0}, {"unit", "C"},
                                             {"time", timeOfSampleWith(out, -15.0)}}))
        << events[0].toStdString();
    EXPECT_EQ(parse(events[1]), (QJsonObject{{"event", "ALARM"}, {"channel", "T1"}, {"kind", "no reading"},
                                             {"reading", "OL"}, {"limit", QJsonValue()}, {"unit", "C"},
                                             {"time", timeOfSampleWith(out, "OL")}}))
        << events[1].toStdString();

    // The state of each channel now, for whoever asks later.
    const QJsonObject t1 = parse(retained(broker, QStringLiteral("home/freezer/alarm/T1")));
    EXPECT_EQ(t1.value("state"), QJsonValue("ON"));
    EXPECT_EQ(t1.value("alarms"), QJsonValue(QJsonArray{"high", "no reading"}));
    EXPECT_EQ(t1.value("time"), QJsonValue(timeOfSampleWith(out, "OL")));
    const QJsonObject t2 = parse(retained(broker, QStringLiteral("home/freezer/alarm/T2")));
    EXPECT_EQ(t2.value("state"), QJsonValue("OFF"));
    EXPECT_EQ(t2.value("alarms"), QJsonValue(QJsonArray{}));
    EXPECT_EQ(retained(broker, QStringLiteral("home/freezer/alarm/T3")), QString()) << "not watched: no state";
    EXPECT_EQ(retained(broker, QStringLiteral("home/freezer/alarm/T4")), QString());

    // A binary sensor of the class "problem" for each watched channel, on the meter's device.
    QProcess p;
    p.start(QStringLiteral("mosquitto_sub"), {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t",
                                              "homeassistant/+/+/config", "-v", "--retained-only", "-W", "2"});
    p.waitForFinished(10000);
    QStringList configs = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    configs.removeIf([](const QString& line) { return !line.startsWith("homeassistant/binary_sensor/"); });
    ASSERT_EQ(configs.size(), 2) << configs.join('\n').toStdString();
    for (int c = 1; c <= 2; ++c) {
        const QString line = configs[c - 1];
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(line.section(' ', 0, 0), QStringLiteral("homeassistant/binary_sensor/%1_T%2_alarm/config").arg(meterId).arg(c));
        const QJsonObject config = parse(line.section(' ', 1));
        EXPECT_EQ(config.value("device_class"), QJsonValue("problem"));
        EXPECT_EQ(config.value("state_topic"), QJsonValue(QStringLiteral("home/freezer/alarm/T%1").arg(c)));
        EXPECT_EQ(config.value("value_template"), QJsonValue("{{ value_json.state }}"));
        EXPECT_EQ(config.value("payload_on"), QJsonValue("ON"));
        EXPECT_EQ(config.value("payload_off"), QJsonValue("OFF"));
        EXPECT_EQ(config.value("availability_topic"), QJsonValue("home/freezer/status"));
        EXPECT_EQ(config.value("device").toObject().value("identifiers"), QJsonValue(QJsonArray{meterId}))
            << "the same device as the temperature sensors";
    }
}

// A notification script may leave something running for long: it must not
// hold the broker's connection, the meter's port or the recovery file open.
TEST(MqttAlarms, TheOnAlarmProgramGetsNoneOfTheRunsFiles)
{
    MqttBroker broker;
    ASSERT_TRUE(broker.start());
    metersim::Options o;
    o.rateMs = 100;
    o.registerPort = false;
    MeterSim sim(o);
    ASSERT_TRUE(sim.start());
    show(sim, {-20.0, 4.0, 21.0, 21.0});
    QTemporaryDir dir;
    const QString listing = dir.filePath(QStringLiteral("fds.txt"));
    const QString script = dir.filePath(QStringLiteral("list fds"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nls -l /proc/$$/fd > '%1'\n").arg(listing).toUtf8());
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const CliRun run = runCli({"live", "--port", sim.portPath(), "--count", "2", "--mqtt", broker.address(),
                               "--alarm", "T1>-30", "--on-alarm", script});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile f(listing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << run.err.toStdString();
    const QString fds = QString::fromUtf8(f.readAll());
    EXPECT_FALSE(fds.contains(QLatin1String("socket:"))) << fds.toStdString();
    EXPECT_FALSE(fds.contains(sim.portPath())) << fds.toStdString();
    EXPECT_FALSE(fds.contains(QLatin1String("Recovery"))) << fds.toStdString();
}
