#pragma once
// The dialog for the minimum and maximum of each channel's Y axis.

#include "graph/ScaleFit.h"

#include <QDialog>
#include <QString>
#include <array>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

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
    QPushButton* btnFitToData = nullptr;   // "Fit to data"

    QLineEdit* minField(int channel) const;
    QLineEdit* maxField(int channel) const;

    // What "Fit to data" puts into each channel's fields; a channel without
    // readings keeps its fields. The button is enabled when one channel has some.
    void setDataFits(const std::array<std::optional<ScaleFit::Range>, 4>& fits);
    void btnFitToDataClick();

    // Each channel's whole-number MIN and MAX, or the message that refuses them.
    struct Ranges {
        std::array<int, 4> mins{};
        std::array<int, 4> maxs{};
    };
    std::optional<Ranges> ranges(QString* refusal) const;
    // OK closes the dialog only on ranges it can take; otherwise it says why
    // and keeps what was typed.
    void accept() override;

private:
    std::array<std::optional<ScaleFit::Range>, 4> dataFits;
};
