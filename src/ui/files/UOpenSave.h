#pragma once
// The choice dialog of the Save and Open commands: all data sets as a
// collection file (result 1), a single file (result 7), or Cancel (2).

#include <QDialog>

class QPushButton;

class TfrmOpenSave : public QDialog {
    Q_OBJECT
public:
    enum Result { OpenSets = 1, Cancel = 2, OpenSingleSet = 7 };

    explicit TfrmOpenSave(QWidget* parent = nullptr);

    // Caption and button texts of the Save command (the designed ones).
    void setUpForSave();
    // Caption and button texts of the Open command; the single-file button
    // leaves out CSV when `decimalComma` is set.
    void setUpForOpen(bool decimalComma);

    QPushButton* btnOpenSets = nullptr;
    QPushButton* btnOpenSingleSet = nullptr;
    QPushButton* btnCancel = nullptr;
};
