#pragma once
// Real Time > Alarms...: the limits of each channel (an optional high and
// low), the hysteresis and the delay, and what an alarm does: a desktop
// notification, a sound, a program of the user's own.

#include "alarm/AlarmActions.h"
#include "alarm/AlarmSettings.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TfrmAlarms : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAlarms(QWidget* parent = nullptr);

    void setSettings(const AlarmSettings& settings, const AlarmActions& actions);
    AlarmSettings settings() const;
    AlarmActions actions() const;

    // OK: refused with a message while a high limit is not above its low
    // limit or the program can not be run.
    void accept() override;

    struct ChannelRow {
        QCheckBox* chkHigh = nullptr;
        QDoubleSpinBox* edtHigh = nullptr;
        QCheckBox* chkLow = nullptr;
        QDoubleSpinBox* edtLow = nullptr;
    };
    std::array<ChannelRow, AlarmSettings::Channels> rows;
    QComboBox* cmbUnit = nullptr;        // the meter's unit, °C, °F
    QDoubleSpinBox* edtHysteresis = nullptr;
    QSpinBox* edtDelay = nullptr;
    QCheckBox* chkNotify = nullptr;
    QCheckBox* chkSound = nullptr;
    QCheckBox* chkProgram = nullptr;
    QLineEdit* edtProgram = nullptr;
    QPushButton* btnBrowse = nullptr;

private:
    void unitChanged(int index);
    void browse();
    std::optional<TemperatureUnit> unitOfBox(int index) const;
    int shownUnitIndex = 0;
};
