#pragma once
// The meter setup window "Data Logger Setup": buttons for the meter's clock,
// recording interval, memory erase and information, and ALL for the four in
// a row. The commands themselves live in MeterSetup; this window shows their
// texts and passes the typed interval on.

#include "app/CloseQuery.h"

#include <QWidget>
#include <array>

class MeterSetup;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmSetup : public QWidget, public CloseQuery {
    Q_OBJECT
public:
    // `setup` outlives the window (it keeps its frame and reply time-out
    // for the rest of the run).
    explicit TfrmSetup(MeterSetup& setup, QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;   // Adjust Meter Time To Computer Time
    QLabel* lblsetuptime = nullptr;
    QLineEdit* edtInt1 = nullptr;     // minutes
    QLineEdit* edtInt2 = nullptr;     // seconds
    QPushButton* Button2 = nullptr;   // Adjust Meter Recording Interval
    QLabel* lblsetupint = nullptr;
    QPushButton* Button3 = nullptr;   // Erase Meter Memory
    QLabel* lblerase = nullptr;
    QLabel* lblFirmwareVersion = nullptr;
    QLabel* lblMeterTime = nullptr;
    QLabel* lblInt = nullptr;
    QLabel* lblDataSets = nullptr;
    QLabel* lblMemoryAvailable = nullptr;
    QPushButton* Button4 = nullptr;   // Read
    QLabel* lblread = nullptr;
    std::array<QLineEdit*, 12> parameterEdits{};  // edt32 .. edt43
    QPushButton* Button5 = nullptr;   // ALL

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();

    // The window stays while a command runs.
    bool queryClose() override;

protected:
    // The window stays while a command runs (its waits let the user click).
    void closeEvent(QCloseEvent* event) override;

private:
    // The parameter bytes last shown: edits are rewritten only when they change.
    std::array<QString, 12> parametersShown;
    // Copies the setup's texts into the controls and repaints.
    void showDisplay();

    MeterSetup& setup;
};
