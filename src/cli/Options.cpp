// The options of each command, as `tq612-cli <command> --help` lists them.
#include "Commands.h"
#include "Console.h"
#include "live/AlarmOptions.h"
#include "live/ScheduleOptions.h"

#include <QCoreApplication>
#include <cstdio>

namespace cli {

namespace {

QCommandLineOption portOption()
{
    return {QStringLiteral("port"),
            QStringLiteral("The meter's serial port (ttyUSB0 or /dev/ttyUSB0). Without it every port is probed."),
            QStringLiteral("P")};
}

QCommandLineOption csvOption(const QString& what)
{
    return {QStringLiteral("csv"),
            QStringLiteral("Write %1 as comma-separated files into DIR (made when missing), each under a heading "
                           "that names the columns and the unit.").arg(what),
            QStringLiteral("DIR")};
}

QCommandLineOption txtOption(const QString& what)
{
    return {QStringLiteral("txt"),
            QStringLiteral("Write %1 as tab-separated text files into DIR (made when missing).").arg(what),
            QStringLiteral("DIR")};
}

// The options of `live` that only the broker uses.
const QStringList BrokerOptions{
    QStringLiteral("topic"),       QStringLiteral("qos"),       QStringLiteral("mqtt-user"),
    QStringLiteral("mqtt-password-file"),
    QStringLiteral("mqtt-cafile"), QStringLiteral("mqtt-cert"), QStringLiteral("mqtt-key"),
    QStringLiteral("ha-discovery"),
};

} // namespace

void addSharedOptions(QCommandLineParser& parser)
{
    parser.addHelpOption();
    parser.addOption({{QStringLiteral("v"), QStringLiteral("verbose")},
                      QStringLiteral("Write the connection log (ports asked, answers, frames and download blocks in hex, time-outs) to stderr.")});
    parser.addOption({QStringLiteral("log"), QStringLiteral("Append the connection log to FILE."), QStringLiteral("FILE")});
}

bool addOptions(const QString& command, QCommandLineParser& parser)
{
    if (command == QLatin1String("ports")) {
        parser.setApplicationDescription(QStringLiteral("List the serial ports and which of them answers as a meter."));
        return true;
    }
    if (command == QLatin1String("check")) {
        parser.setApplicationDescription(QStringLiteral("Tell why the meter is not found: each serial port's adapter, "
                                                        "access, holder and answer, with the fixes."));
        parser.addOptions({
            {QStringLiteral("port"),
             QStringLiteral("Check only this port (ttyUSB0, /dev/ttyUSB0 or a /dev/serial/by-id path)."),
             QStringLiteral("P")},
            {QStringLiteral("root"),
             QStringLiteral("Read /dev, /sys, /proc and /etc below DIR instead of / (a copy of another system's)."),
             QStringLiteral("DIR")},
        });
        return true;
    }
    if (command == QLatin1String("live")) {
        parser.setApplicationDescription(QStringLiteral("Print live readings, one line per sample."));
        parser.addOptions({
            portOption(),
            {QStringLiteral("format"), QStringLiteral("csv (the default), jsonl or influx (InfluxDB line protocol)."),
             QStringLiteral("csv|jsonl|influx"),
             QStringLiteral("csv")},
            {QStringLiteral("every"), QStringLiteral("Seconds between samples (whole seconds, 1 by default)."),
             QStringLiteral("SECONDS"), QStringLiteral("1")},
            {QStringLiteral("count"), QStringLiteral("Stop after N samples (without it: until Ctrl-C)."),
             QStringLiteral("N")},
            {QStringLiteral("no-recovery"),
             QStringLiteral("Keep no recovery file (by default the samples are kept where TQ612 offers them back "
                            "after a crash).")},
            {QStringLiteral("mqtt"),
             QStringLiteral("Also publish every sample to the MQTT broker at HOST (port 1883, 8883 with TLS)."),
             QStringLiteral("HOST[:PORT]")},
            {QStringLiteral("topic"), QStringLiteral("Topic prefix: PREFIX/readings and PREFIX/status (tq612)."),
             QStringLiteral("PREFIX"), QStringLiteral("tq612")},
            {QStringLiteral("qos"), QStringLiteral("MQTT quality of service for the readings (1)."),
             QStringLiteral("0|1|2"), QStringLiteral("1")},
            {QStringLiteral("mqtt-user"),
             QStringLiteral("User name at the broker; the password comes from TQ612_MQTT_PASSWORD or "
                            "--mqtt-password-file."),
             QStringLiteral("NAME")},
            {QStringLiteral("mqtt-password-file"), QStringLiteral("Read the broker password from FILE's first line."),
             QStringLiteral("FILE")},
            {QStringLiteral("mqtt-cafile"), QStringLiteral("Connect with TLS, trusting the CA certificates in FILE."),
             QStringLiteral("FILE")},
            {QStringLiteral("mqtt-cert"), QStringLiteral("Client certificate for TLS (with --mqtt-key)."),
             QStringLiteral("FILE")},
            {QStringLiteral("mqtt-key"), QStringLiteral("Private key of the client certificate."), QStringLiteral("FILE")},
            {QStringLiteral("mqtt-wait"),
             QStringLiteral("At the end, wait at most SECONDS for the broker to take the readings still kept (30); "
                            "what it has not taken by then ends the run with exit code 5."),
             QStringLiteral("SECONDS"), QStringLiteral("30")},
            {QStringLiteral("ha-discovery"),
             QStringLiteral("Announce the four channels to Home Assistant (retained homeassistant/sensor/.../config).")},
        });
        parser.addOptions(alarmOptions());
        parser.addOptions(scheduleOptions());
        return true;
    }
    if (command == QLatin1String("download")) {
        parser.setApplicationDescription(QStringLiteral("Download the data sets recorded in the meter's memory."));
        parser.addOptions({
            portOption(),
            {{QStringLiteral("o"), QStringLiteral("output")},
             QStringLiteral("Write the data set collection file FILE.ch4."), QStringLiteral("FILE.ch4")},
            csvOption(QStringLiteral("one file per data set")),
            txtOption(QStringLiteral("one file per data set")),
            {QStringLiteral("retries"), QStringLiteral("Try a failed download again up to N times (0 by default)."),
             QStringLiteral("N"), QStringLiteral("0")},
        });
        return true;
    }
    if (command == QLatin1String("setup")) {
        parser.setApplicationDescription(QStringLiteral("Set the meter's clock and recording interval, erase its "
                                                        "memory, read its information."));
        parser.addOptions({
            portOption(),
            {QStringLiteral("clock"), QStringLiteral("Set the meter's clock to now or to YYYY-MM-DDTHH:MM:SS."),
             QStringLiteral("now|YYYY-MM-DDTHH:MM:SS")},
            {QStringLiteral("interval"), QStringLiteral("Set the recording interval, 00:01 to 59:59."),
             QStringLiteral("MM:SS")},
            {QStringLiteral("erase"), QStringLiteral("Erase the meter's memory (asks first).")},
            {QStringLiteral("yes"), QStringLiteral("Erase without asking.")},
            {QStringLiteral("info"), QStringLiteral("Print the meter's version, clock, interval and memory use.")},
        });
        return true;
    }
    if (command == QLatin1String("convert")) {
        parser.setApplicationDescription(QStringLiteral("Turn a collection file or a graph file into text files."));
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A collection file (.ch4) or a graph file (.ghf)."),
                                     QStringLiteral("FILE.ch4|FILE.ghf"));
        parser.addOptions({csvOption(QStringLiteral("the data")), txtOption(QStringLiteral("the data"))});
        return true;
    }
    return false;
}

QString brokerOptionWithoutBroker(const QCommandLineParser& parser)
{
    if (parser.isSet(QStringLiteral("mqtt")))
        return {};
    for (const QString& name : BrokerOptions) {
        if (parser.isSet(name))
            return QStringLiteral("--") + name;
    }
    return {};
}

int showHelp(const QCommandLineParser& parser, const QString& command)
{
    QString text = parser.helpText();
    // Qt names the program by the path it was started from (a build folder's, say).
    const QString startedAs = QStringLiteral("Usage: ") + QCoreApplication::arguments().constFirst();
    if (text.startsWith(startedAs))
        text.replace(0, startedAs.size(),
                     QStringLiteral("Usage: tq612-cli") + (command.isEmpty() ? QString() : QLatin1Char(' ') + command));
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
    return Done;
}

} // namespace cli
