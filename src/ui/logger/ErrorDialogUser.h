#pragma once
// The Load command's user in the program: message boxes for its messages and
// the error dialog TfrmErr for its question after a failed cycle.

#include "logger/LoadUser.h"

class ErrorDialogUser : public LoadUser {
public:
    void inform(const QString& text) override;
    Choice askAboutError(int code, const QString& text, bool offerFix) override;
};
