#pragma once
// What the Load command tells its user and asks after a failed load cycle.
// The program answers with message boxes and the error dialog TfrmErr, the
// command-line program on stderr and with its count of retries, tests with
// a script.

#include <QString>

class LoadUser {
public:
    // The buttons of the error dialog.
    enum class Choice { TryAgain, FixError, Cancel };

    virtual ~LoadUser() = default;

    // A message with OK: not connected, recording, memory error, no data.
    virtual void inform(const QString& text) = 0;
    // After a failed cycle with `code` (a LoadResult): `text` is the error
    // dialog's message and `offerFix` shows its "Fixed the error " button.
    virtual Choice askAboutError(int code, const QString& text, bool offerFix) = 0;
};
