#pragma once
// The dialog for the minimum and maximum of each channel's Y axis.

#include <QDialog>

class QCheckBox;
class QLineEdit;

class TfrmSetupScale : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupScale(QWidget* parent = nullptr);

    QLineEdit* edtT1Min = nullptr;
    QLineEdit* edtT1Max = nullptr;
    QLineEdit* edtT2Min = nullptr;
    QLineEdit* edtT2Max = nullptr;
    QLineEdit* edtT3Min = nullptr;
    QLineEdit* edtT3Max = nullptr;
    QLineEdit* edtT4Min = nullptr;
    QLineEdit* edtT4Max = nullptr;
    QCheckBox* chkSave = nullptr;

    QLineEdit* minField(int channel) const;
    QLineEdit* maxField(int channel) const;
};
