#pragma once
// The commands of tq612-cli. Each one reads its options from `parser` (the
// command line has been processed), does its work and returns an exit code.

#include <QCommandLineParser>

namespace cli {

// Adds the options of `command` to the parser; false for an unknown command.
bool addOptions(const QString& command, QCommandLineParser& parser);

int runPorts(const QCommandLineParser& parser);
int runCheck(const QCommandLineParser& parser);
int runLive(const QCommandLineParser& parser);
int runDownload(const QCommandLineParser& parser);
int runSetup(const QCommandLineParser& parser);
int runConvert(const QCommandLineParser& parser);

} // namespace cli
