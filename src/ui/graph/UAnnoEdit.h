#pragma once
// The small caption-less dialog that asks for the text of a text mark.

#include <QDialog>

class QLineEdit;

class TfrmAnnoEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAnnoEdit(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;
};
