#pragma once
// Real Time > Schedule...: a run that starts at a date and time and/or when
// the first alarm begins, and stops after a duration, a number of samples
// or at a time of day. The run asks nothing when it starts.

#include "realtime/RunSchedule.h"

#include <QDialog>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;

class TfrmSchedule : public QDialog {
    Q_OBJECT
public:
    // exec() returns Accepted to start the schedule, CancelSchedule to drop
    // the one that waits or records, Rejected to leave things as they are.
    static constexpr int CancelSchedule = 2;

    // `pending` describes the schedule in force ("" when there is none);
    // `rateSeconds` is the sampling rate the run will use.
    TfrmSchedule(const QString& pending, int rateSeconds, QWidget* parent = nullptr);

    void setPlan(const RunSchedule::Plan& plan);
    RunSchedule::Plan plan() const;
    // Start: refused with a message when the start has passed or a stop is 0.
    void accept() override;

    QCheckBox* chkStartAt = nullptr;
    QDateTimeEdit* edtStartAt = nullptr;
    QCheckBox* chkStartOnAlarm = nullptr;
    QCheckBox* chkDuration = nullptr;
    QSpinBox* edtHours = nullptr;
    QSpinBox* edtMinutes = nullptr;
    QCheckBox* chkCount = nullptr;
    QSpinBox* edtCount = nullptr;
    QCheckBox* chkStopAt = nullptr;
    QTimeEdit* edtStopAt = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnCancelSchedule = nullptr;
    QLabel* lblPending = nullptr;
};
