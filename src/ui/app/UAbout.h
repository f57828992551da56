#pragma once
// The About box; at start-up it doubles as the splash screen.

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* BitBtn1 = nullptr;  // OK; hidden while the box is the splash screen
};
