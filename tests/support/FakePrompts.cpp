#include "support/FakePrompts.h"

QMessageBox::StandardButton FakePrompts::confirm(const QString& text, QMessageBox::StandardButtons buttons)
{
    messages << text;
    const auto fallback = buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
    return pop(answers, fallback);
}

int FakePrompts::exec(QDialog& dialog)
{
    if (dialogs.empty())
        return QDialog::Rejected;
    auto answer = dialogs.front();
    dialogs.pop_front();
    const int result = answer(dialog);
    dialog.setResult(result);
    return result;
}

QString FakePrompts::nextFile(FileDialogRequest& request)
{
    fileRequests << request;
    const QString name = pop(fileNames, QString());
    if (!name.isEmpty())
        request.filterIndex = pop(fileTypes, request.filterIndex);
    return name;
}
