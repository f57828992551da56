#pragma once
// The dialog that Run shows before a real-time recording: how many points to
// record, the sampling rate as minutes and seconds, and the recording period
// that follows from them.

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmSetupRealTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupRealTime(QWidget* parent = nullptr);

    // The rate boxes take these texts ("00".."60") without recomputing the period.
    void setRateBoxes(const QString& minutes, const QString& seconds);
    // The period shown when the dialog opens: `rateSeconds` × 2000 as h:m:s, nothing padded.
    void showOpeningPeriod(int rateSeconds);

    // Handler of a change of either rate box by the user.
    void ComboBoxChange();

    // "1:6:40" and "1:06:40" for 4000 seconds.
    static QString unpaddedPeriod(qint64 seconds);
    static QString paddedPeriod(qint64 seconds);

    QLabel* Label1 = nullptr;               // "Real-Time data no to be recorded"
    QLabel* Label2 = nullptr;               // "(Adjust the number to meet your need)"
    QLineEdit* edtRealTimeNo = nullptr;
    QLabel* Label3 = nullptr;               // "Real -Time Sampling Rate"
    QComboBox* ComboBox1 = nullptr;         // minutes
    QComboBox* ComboBox2 = nullptr;         // seconds
    QLabel* Label4 = nullptr;               // "mm:ss"
    QLabel* Label5 = nullptr;               // "Recording Period"
    QLineEdit* edtPeriod = nullptr;
    QLabel* Label6 = nullptr;               // "HH:MM:SS"
    QPushButton* btnOpenSingleSet = nullptr;// "Start"
    QPushButton* Button1 = nullptr;         // "Cancel"
};
