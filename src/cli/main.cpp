// tq612-cli: the meter and its files from scripts, cron jobs and lab benches.
//
//   tq612-cli ports
//   tq612-cli check [--port P] [--root DIR]
//   tq612-cli live [--port P] [--format csv|jsonl|influx] [--every SECONDS] [--count N]
//                  [--mqtt HOST[:PORT] [--topic PREFIX] [--qos 0|1|2] [--mqtt-user NAME]
//                   [--mqtt-password-file FILE] [--mqtt-cafile FILE [--mqtt-cert FILE --mqtt-key FILE]]
//                   [--mqtt-wait SECONDS] [--ha-discovery]]
//                  [--alarm 'T1>26' ... [--alarm-hysteresis DEGREES] [--alarm-delay N]
//                   [--on-alarm PROGRAM [--on-alarm-timeout SECONDS]]]
//                  [--start-at TIME] [--duration SECONDS] [--until TIME]
//   tq612-cli download [--port P] [-o FILE.ch4] [--csv DIR | --txt DIR] [--retries N]
//   tq612-cli setup [--port P] [--clock now|YYYY-MM-DDTHH:MM:SS] [--interval MM:SS] [--erase [--yes]] [--info]
//   tq612-cli convert FILE.ch4|FILE.ghf --csv DIR|--txt DIR
//
// Exit codes: see cli::ExitCode (Console.h) and the text of --help below.
#include "Commands.h"
#include "Console.h"
#include "files/FileSizeLimit.h"
#include "link/LinkLogSink.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    // A file past a file size limit is reported (exit 1) instead of ending the run.
    FileSizeLimit::failWritesInsteadOfEnding();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq612-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TQ612_VERSION));

    // The program's own help lists the commands; each command's help, its options.
    QCommandLineParser overview;
    overview.setApplicationDescription(QStringLiteral(
        "The four-channel thermometer from the command line.\n\n"
        "Commands:\n"
        "  ports      the serial ports, and which of them answers as a meter\n"
        "  check      why the meter is not found: each port's adapter, access and holder, with the fixes\n"
        "  live       live readings, one line per sample\n"
        "  download   the data sets in the meter's memory\n"
        "  setup      the meter's clock, recording interval, memory and information\n"
        "  convert    a collection or graph file to text files\n\n"
        "tq612-cli <command> --help shows the command's options.\n"
        "Exit codes:\n"
        "  0  done\n"
        "  1  usage: a wrong command line, or a file that cannot be read, written or used\n"
        "  2  no meter answered, or the port cannot be used\n"
        "  3  the transfer failed\n"
        "  4  the MQTT broker refused the connection (user name and password, or certificates)\n"
        "  5  at the end the MQTT broker had not taken every reading within --mqtt-wait"));
    // Qt's version option would take -v, which is the log's here.
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Displays version information."));
    overview.addOption(versionOption);
    cli::addSharedOptions(overview);
    overview.addPositionalArgument(QStringLiteral("command"), QStringLiteral("ports, check, live, download, setup or convert."));
    const auto asksForHelp = [](const QCommandLineParser& p) {
        return p.isSet(QStringLiteral("help")) || p.isSet(QStringLiteral("help-all"));
    };

    // The command chooses the options; parse once to find it.
    overview.parse(QCoreApplication::arguments());
    if (overview.isSet(versionOption))
        overview.showVersion();
    const QString command = overview.positionalArguments().value(0);
    QCommandLineParser parser;
    cli::addSharedOptions(parser);
    if (command.isEmpty() || !cli::addOptions(command, parser)) {
        if (asksForHelp(overview))
            return cli::showHelp(overview, {});
        overview.process(app);  // unknown options end with exit code 1
        cli::error(command.isEmpty() ? QStringLiteral("a command is needed; see tq612-cli --help")
                                     : QStringLiteral("unknown command \"%1\"; see tq612-cli --help").arg(command));
        return cli::Usage;
    }
    parser.parse(QCoreApplication::arguments());
    if (asksForHelp(parser))
        return cli::showHelp(parser, command);
    parser.process(app);  // unknown options end with exit code 1
    QString logError;
    if (!LinkLogSink::start({parser.isSet(QStringLiteral("verbose")), parser.value(QStringLiteral("log")), 0}, &logError)) {
        cli::error(logError);
        return cli::Usage;
    }

    if (command == QLatin1String("ports"))
        return cli::runPorts(parser);
    if (command == QLatin1String("check"))
        return cli::runCheck(parser);
    if (command == QLatin1String("live"))
        return cli::runLive(parser);
    if (command == QLatin1String("download"))
        return cli::runDownload(parser);
    if (command == QLatin1String("setup"))
        return cli::runSetup(parser);
    return cli::runConvert(parser);
}
