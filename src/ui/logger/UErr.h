#pragma once
// The error dialog of the data logger download: a message and the choices
// "Try Again" (result 4), "Fixed the error " (result 1) and "Cancel" (result 2).

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmErr : public QDialog {
    Q_OBJECT
public:
    static constexpr int TryAgain = 4;
    static constexpr int FixError = 1;
    static constexpr int Cancel = 2;

    explicit TfrmErr(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QPushButton* Button2 = nullptr;  // "Try Again"
    QPushButton* Button1 = nullptr;  // "Fixed the error "
    QPushButton* Button3 = nullptr;  // "Cancel"

protected:
    void showEvent(QShowEvent* event) override;
};
