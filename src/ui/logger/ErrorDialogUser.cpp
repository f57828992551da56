#include "logger/ErrorDialogUser.h"

#include "app/Prompts.h"
#include "logger/UErr.h"

#include <QLabel>
#include <QPushButton>

void ErrorDialogUser::inform(const QString& text)
{
    Prompts::current().information(text);
}

LoadUser::Choice ErrorDialogUser::askAboutError(int /*code*/, const QString& text, bool offerFix)
{
    TfrmErr frmErr;
    frmErr.Button1->setVisible(offerFix);
    frmErr.Label1->setText(text);
    switch (Prompts::current().exec(frmErr)) {
    case TfrmErr::TryAgain:
        return Choice::TryAgain;
    case TfrmErr::FixError:
        return Choice::FixError;
    default:
        return Choice::Cancel;  // also the dialog's close box
    }
}
