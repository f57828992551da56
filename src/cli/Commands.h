#pragma once
// The commands of tq612-cli. Each one reads its options from `parser` (the
// command line has been processed), does its work and returns an exit code.

#include <QCommandLineParser>

namespace cli {

// The options every command takes: --help, -v and --log.
void addSharedOptions(QCommandLineParser& parser);
// Adds the description and options of `command` to the parser; false for an unknown command.
bool addOptions(const QString& command, QCommandLineParser& parser);
// The first option of `live` that only the broker uses, given without --mqtt
// ("--mqtt-user"); empty when there is none.
QString brokerOptionWithoutBroker(const QCommandLineParser& parser);
// Prints the parser's help, its usage line naming tq612-cli and `command`; returns Done.
int showHelp(const QCommandLineParser& parser, const QString& command);

int runPorts(const QCommandLineParser& parser);
int runCheck(const QCommandLineParser& parser);
int runLive(const QCommandLineParser& parser);
int runDownload(const QCommandLineParser& parser);
int runSetup(const QCommandLineParser& parser);
int runConvert(const QCommandLineParser& parser);

} // namespace cli
