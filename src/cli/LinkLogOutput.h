#pragma once
// Where the link's log goes when the user asks for it: -v writes it to
// stderr, --log FILE appends it to a file, each line with the time it was
// written. Without either the log stays quiet and costs nothing.

#include <QString>

namespace cli {

// Switches the log on for the rest of the program: to stderr when `verbose`,
// to `file` when it is not empty. False, with the reason in `error`, when the
// file cannot be opened.
bool startLinkLog(bool verbose, const QString& file, QString* error);

} // namespace cli
