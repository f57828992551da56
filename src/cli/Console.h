#pragma once
// What every command of tq612-cli shares: its exit codes and its words on stderr.

#include <QString>

namespace cli {

enum ExitCode {
    Done = 0,
    Usage = 1,            // a wrong command line, or a file that cannot be read or written
    NoMeter = 2,          // no meter answered, or the port cannot be used
    TransferFailed = 3,   // the meter did not complete the exchange
    BrokerRefused = 4,    // the MQTT broker refused us: user name and password, or certificates
    ReadingsNotSent = 5,  // at the end the broker had not taken every reading in the time allowed
};

// "tq612-cli: <text>" on stderr.
void error(const QString& text);
// A line on stderr without the program's name (progress, notes).
void note(const QString& text);
// A line on stdout, flushed at once so that pipes see every sample. False
// when stdout takes it no more (its reader is gone, a full disk); errno says why.
bool out(const QString& text);
// True when stderr is a terminal (a progress bar), false for a file or pipe.
bool stderrIsTerminal();

} // namespace cli
