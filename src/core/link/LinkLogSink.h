#pragma once
// Where the connection log (every tq612.* category: link, download, setup)
// goes once it is asked for: standard error, a file appended to, and the
// last lines kept in memory for "Save Connection Log". Each line carries the
// time it was written. Until started the log stays quiet and costs nothing.

#include <QString>
#include <QStringList>

namespace LinkLogSink {

struct Targets {
    bool toStderr = false;
    QString file;          // appended to; empty: none
    int keptLines = 0;     // the most recent lines kept in memory
};

// Switches the link's log on for the rest of the program. False, with the
// reason in `error`, when the file cannot be opened.
bool start(const Targets& targets, QString* error);

// The lines kept in memory, oldest first.
QStringList recentLines();

} // namespace LinkLogSink
