#pragma once

#include <QCommandLineParser>

// The options of the tq612 program itself. --help and --version are answered
// before any window or display is needed, as Linux programs do.
namespace ProgramOptions {

// Fills the parser with the program's description and options.
void describe(QCommandLineParser& parser);

// True when the arguments ask only for information (--help, --version),
// which a plain QCoreApplication can answer without a display.
bool asksForInformation(int argc, char* argv[]);

}  // namespace ProgramOptions
