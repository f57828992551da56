#pragma once
// Help > Connection Check: the connection check's report in a window, to
// read or to copy into a message asking for help.

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;

class TfrmConnectionCheck : public QDialog {
    Q_OBJECT
public:
    // `runCheck` makes the report; it runs at once and again on Check Again.
    explicit TfrmConnectionCheck(std::function<QString()> runCheck, QWidget* parent = nullptr);

    QPlainTextEdit* memReport = nullptr;
    QPushButton* btnCopy = nullptr;   // the whole report to the clipboard
    QPushButton* btnAgain = nullptr;
    QPushButton* btnClose = nullptr;

    void refresh();

private:
    std::function<QString()> runCheck;
};
