#include "alarm/USchedule.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "stats/GraphStatistics.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TfrmSchedule::TfrmSchedule(const QString& pending, int rateSeconds, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Schedule"));
    const QDateTime now = Clock::current().now();

    auto* start = new QGroupBox(QStringLiteral("Start the run"));
    auto* startGrid = new QGridLayout(start);
    chkStartAt = new QCheckBox(QStringLiteral("&At"));
    edtStartAt = new QDateTimeEdit(QDateTime(now.date(), QTime(22, 0)));
    edtStartAt->setCalendarPopup(true);
    edtStartAt->setAccessibleName(QStringLiteral("Start date and time"));
    chkStartOnAlarm = new QCheckBox(QStringLiteral("When the first alarm &begins"));
    startGrid->addWidget(chkStartAt, 0, 0);
    startGrid->addWidget(edtStartAt, 0, 1);
    startGrid->addWidget(chkStartOnAlarm, 1, 0, 1, 2);
    startGrid->addWidget(new QLabel(QStringLiteral("With both, whichever comes first; with neither, now.")), 2, 0, 1, 2);

    auto* stop = new QGroupBox(QStringLiteral("Stop the run"));
    auto* stopGrid = new QGridLayout(stop);
    chkDuration = new QCheckBox(QStringLiteral("A&fter"));
    edtHours = new QSpinBox;
    edtHours->setRange(0, 9999);
    edtHours->setSuffix(QStringLiteral(" h"));
    edtHours->setAccessibleName(QStringLiteral("Duration hours"));
    edtMinutes = new QSpinBox;
    edtMinutes->setRange(0, 59);
    edtMinutes->setSuffix(QStringLiteral(" min"));
    edtMinutes->setAccessibleName(QStringLiteral("Duration minutes"));
    chkCount = new QCheckBox(QStringLiteral("After a &number of samples"));
    edtCount = new QSpinBox;
    edtCount->setRange(1, 999999);
    edtCount->setValue(2000);
    edtCount->setAccessibleName(QStringLiteral("Number of samples"));
    chkStopAt = new QCheckBox(QStringLiteral("A&t"));
    edtStopAt = new QTimeEdit(QTime(6, 0));
    edtStopAt->setAccessibleName(QStringLiteral("Stop time of day"));
    stopGrid->addWidget(chkDuration, 0, 0);
    stopGrid->addWidget(edtHours, 0, 1);
    stopGrid->addWidget(edtMinutes, 0, 2);
    stopGrid->addWidget(chkCount, 1, 0);
    stopGrid->addWidget(edtCount, 1, 1, 1, 2);
    stopGrid->addWidget(chkStopAt, 2, 0);
    stopGrid->addWidget(edtStopAt, 2, 1, 1, 2);
    stopGrid->addWidget(new QLabel(QStringLiteral("Whichever comes first; the time is the first one after the start.")),
                        3, 0, 1, 3);
    for (auto [check, field] : {std::pair<QCheckBox*, QWidget*>{chkStartAt, edtStartAt}, {chkDuration, edtHours},
                                {chkDuration, edtMinutes}, {chkCount, edtCount}, {chkStopAt, edtStopAt}}) {
        field->setEnabled(false);
        connect(check, &QCheckBox::toggled, field, &QWidget::setEnabled);
    }

    auto* rate = new QLabel(QStringLiteral("One sample every %1:%2 (the Real-Time graph's rate). The run asks nothing "
                                           "when it starts: an unsaved Real-Time graph is first saved to a file "
                                           "of its own in the documents folder.")
                                .arg(GraphStatistics::minutesText(rateSeconds), GraphStatistics::secondsText(rateSeconds)));
    rate->setWordWrap(true);
    lblPending = new QLabel(pending.isEmpty() ? QStringLiteral("No run is scheduled.") : pending);
    lblPending->setWordWrap(true);

    auto* buttons = new QDialogButtonBox;
    btnStart = buttons->addButton(QStringLiteral("&Schedule"), QDialogButtonBox::AcceptRole);
    btnCancelSchedule = buttons->addButton(QStringLiteral("&Drop the schedule"), QDialogButtonBox::DestructiveRole);
    btnCancelSchedule->setEnabled(!pending.isEmpty());
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSchedule::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmSchedule::reject);
    connect(btnCancelSchedule, &QPushButton::clicked, this, [this] { done(CancelSchedule); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPending);
    layout->addWidget(start);
    layout->addWidget(stop);
    layout->addWidget(rate);
    layout->addWidget(buttons);
}

void TfrmSchedule::setPlan(const RunSchedule::Plan& p)
{
    chkStartAt->setChecked(p.startAt.has_value());
    if (p.startAt)
        edtStartAt->setDateTime(*p.startAt);
    chkStartOnAlarm->setChecked(p.startOnAlarm);
    chkDuration->setChecked(p.durationSeconds.has_value());
    if (p.durationSeconds) {
        edtHours->setValue(int(*p.durationSeconds / 3600));
        edtMinutes->setValue(int(*p.durationSeconds / 60 % 60));
    }
    chkCount->setChecked(p.sampleCount.has_value());
    if (p.sampleCount)
        edtCount->setValue(*p.sampleCount);
    chkStopAt->setChecked(p.stopAtTime.has_value());
    if (p.stopAtTime)
        edtStopAt->setTime(*p.stopAtTime);
}

RunSchedule::Plan TfrmSchedule::plan() const
{
    RunSchedule::Plan p;
    if (chkStartAt->isChecked())
        p.startAt = QDateTime(edtStartAt->date(), QTime(edtStartAt->time().hour(), edtStartAt->time().minute()));
    p.startOnAlarm = chkStartOnAlarm->isChecked();
    if (chkDuration->isChecked())
        p.durationSeconds = qint64(edtHours->value()) * 3600 + qint64(edtMinutes->value()) * 60;
    if (chkCount->isChecked())
        p.sampleCount = edtCount->value();
    if (chkStopAt->isChecked())
        p.stopAtTime = QTime(edtStopAt->time().hour(), edtStopAt->time().minute());
    return p;
}

void TfrmSchedule::accept()
{
    const RunSchedule::Plan p = plan();
    if (p.startAt && *p.startAt <= Clock::current().now()) {
        Prompts::current().information(QStringLiteral("The start %1 has passed.")
                                           .arg(QLocale().toString(*p.startAt, QLocale::ShortFormat)));
        edtStartAt->setFocus();
        return;
    }
    if (p.durationSeconds && *p.durationSeconds <= 0) {
        Prompts::current().information(QStringLiteral("A run of 0 minutes takes no sample."));
        edtHours->setFocus();
        return;
    }
    QDialog::accept();
}
