#include "alarm/UAlarms.h"

#include "app/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The meter shows -200 to 1370 °C and -328 to 2498 °F.
constexpr double LowestLimit = -400;
constexpr double HighestLimit = 2500;

QDoubleSpinBox* limitBox(const QString& name)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(LowestLimit, HighestLimit);
    box->setDecimals(2);
    box->setSingleStep(0.5);
    box->setEnabled(false);
    box->setAccessibleName(name);
    return box;
}

} // namespace

TfrmAlarms::TfrmAlarms(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAlarms"));
    setWindowTitle(QStringLiteral("Alarms"));

    auto* limits = new QGroupBox(QStringLiteral("Limits"));
    auto* grid = new QGridLayout(limits);
    for (int c = 0; c < AlarmSettings::Channels; ++c) {
        ChannelRow& row = rows[size_t(c)];
        const QString channel = QStringLiteral("T%1").arg(c + 1);
        // Alt+1 to Alt+4 reach each channel's row.
        row.chkHigh = new QCheckBox(QStringLiteral("T&%1 above").arg(c + 1));
        row.edtHigh = limitBox(channel + QStringLiteral(" high limit"));
        row.chkLow = new QCheckBox(channel + QStringLiteral(" below"));
        row.edtLow = limitBox(channel + QStringLiteral(" low limit"));
        row.chkHigh->setAccessibleName(channel + QStringLiteral(" has a high limit"));
        row.chkLow->setAccessibleName(channel + QStringLiteral(" has a low limit"));
        connect(row.chkHigh, &QCheckBox::toggled, row.edtHigh, &QWidget::setEnabled);
        connect(row.chkLow, &QCheckBox::toggled, row.edtLow, &QWidget::setEnabled);
        grid->addWidget(row.chkHigh, c, 0);
        grid->addWidget(row.edtHigh, c, 1);
        grid->addWidget(row.chkLow, c, 2);
        grid->addWidget(row.edtLow, c, 3);
    }

    cmbUnit = new QComboBox;
    cmbUnit->addItems({QStringLiteral("the meter's unit"), QStringLiteral("°C"), QStringLiteral("°F")});
    connect(cmbUnit, &QComboBox::currentIndexChanged, this, &TfrmAlarms::unitChanged);
    edtHysteresis = new QDoubleSpinBox;
    edtHysteresis->setRange(0, 100);
    edtHysteresis->setDecimals(2);
    edtHysteresis->setSingleStep(0.1);
    edtDelay = new QSpinBox;
    edtDelay->setRange(0, 1000);
    edtDelay->setSuffix(QStringLiteral(" samples"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Limits &in:"), cmbUnit);
    form->addRow(QStringLiteral("&Hysteresis (degrees):"), edtHysteresis);
    form->addRow(QStringLiteral("&Delay before an alarm:"), edtDelay);
    edtHysteresis->setToolTip(QStringLiteral("An alarm ends only when the reading is back past its limit by this much."));
    edtDelay->setToolTip(QStringLiteral("Samples in a row beyond a limit before the alarm begins: with 1, a single odd sample is no alarm."));

    auto* actionsBox = new QGroupBox(QStringLiteral("When an alarm begins or ends"));
    auto* actionsLayout = new QVBoxLayout(actionsBox);
    chkNotify = new QCheckBox(QStringLiteral("Show a desktop &notification"));
    chkSound = new QCheckBox(QStringLiteral("&Sound when an alarm begins"));
    chkProgram = new QCheckBox(QStringLiteral("Run a &program:"));
    edtProgram = new QLineEdit;
    edtProgram->setAccessibleName(QStringLiteral("Program to run"));
    edtProgram->setToolTip(QStringLiteral("Run without a shell with the arguments ALARM or CLEAR, the channel, the kind, "
                                          "the reading, the limit and the time."));
    edtProgram->setEnabled(false);
    btnBrowse = new QPushButton(QStringLiteral("&Browse..."));
    btnBrowse->setEnabled(false);
    connect(chkProgram, &QCheckBox::toggled, edtProgram, &QWidget::setEnabled);
    connect(chkProgram, &QCheckBox::toggled, btnBrowse, &QWidget::setEnabled);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmAlarms::browse);
    auto* programRow = new QHBoxLayout;
    programRow->addWidget(chkProgram);
    programRow->addWidget(edtProgram, 1);
    programRow->addWidget(btnBrowse);
    actionsLayout->addWidget(chkNotify);
    actionsLayout->addWidget(chkSound);
    actionsLayout->addLayout(programRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmAlarms::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmAlarms::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(limits);
    layout->addLayout(form);
    layout->addWidget(actionsBox);
    layout->addWidget(buttons);
    setSettings({}, {});
}

std::optional<TemperatureUnit> TfrmAlarms::unitOfBox(int index) const
{
    if (index == 1)
        return TemperatureUnit::Celsius;
    if (index == 2)
        return TemperatureUnit::Fahrenheit;
    return std::nullopt;
}

void TfrmAlarms::setSettings(const AlarmSettings& s, const AlarmActions& a)
{
    for (int c = 0; c < AlarmSettings::Channels; ++c) {
        const ChannelLimits& l = s.limits[size_t(c)];
        ChannelRow& row = rows[size_t(c)];
        row.chkHigh->setChecked(l.high.has_value());
        row.edtHigh->setValue(l.high.value_or(0));
        row.chkLow->setChecked(l.low.has_value());
        row.edtLow->setValue(l.low.value_or(0));
    }
    const QSignalBlocker quiet(cmbUnit);
    cmbUnit->setCurrentIndex(!s.unit ? 0 : *s.unit == TemperatureUnit::Celsius ? 1 : 2);
    shownUnitIndex = cmbUnit->currentIndex();
    edtHysteresis->setValue(s.hysteresis);
    edtDelay->setValue(s.delaySamples);
    chkNotify->setChecked(a.notify);
    chkSound->setChecked(a.sound);
    chkProgram->setChecked(!a.program.isEmpty());
    edtProgram->setText(a.program);
}

AlarmSettings TfrmAlarms::settings() const
{
    AlarmSettings s;
    for (int c = 0; c < AlarmSettings::Channels; ++c) {
        const ChannelRow& row = rows[size_t(c)];
        if (row.chkHigh->isChecked())
            s.limits[size_t(c)].high = row.edtHigh->value();
        if (row.chkLow->isChecked())
            s.limits[size_t(c)].low = row.edtLow->value();
    }
    s.unit = unitOfBox(cmbUnit->currentIndex());
    s.hysteresis = edtHysteresis->value();
    s.delaySamples = edtDelay->value();
    return s;
}

AlarmActions TfrmAlarms::actions() const
{
    AlarmActions a;
    a.notify = chkNotify->isChecked();
    a.sound = chkSound->isChecked();
    if (chkProgram->isChecked())
        a.program = edtProgram->text().trimmed();
    return a;
}

// From °C to °F and back the numbers follow, so that a limit keeps its temperature.
void TfrmAlarms::unitChanged(int index)
{
    const auto from = unitOfBox(shownUnitIndex);
    const auto to = unitOfBox(index);
    shownUnitIndex = index;
    if (!from || !to || *from == *to)
        return;
    for (ChannelRow& row : rows) {
        for (QDoubleSpinBox* box : {row.edtHigh, row.edtLow})
            box->setValue(convertTemperature(box->value(), *from, *to));
    }
    edtHysteresis->setValue(convertDifference(edtHysteresis->value(), *from, *to));
}

void TfrmAlarms::browse()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Program to run at an alarm");
    request.directory = QFileInfo(edtProgram->text()).absolutePath();
    request.overwritePrompt = false;
    const QString name = Prompts::current().openFileName(request);
    if (!name.isEmpty())
        edtProgram->setText(name);
}

void TfrmAlarms::accept()
{
    for (int c = 0; c < AlarmSettings::Channels; ++c) {
        const ChannelRow& row = rows[size_t(c)];
        if (row.chkHigh->isChecked() && row.chkLow->isChecked() && row.edtHigh->value() <= row.edtLow->value()) {
            Prompts::current().information(
                QStringLiteral("The high limit of T%1 must be above its low limit.").arg(c + 1));
            row.edtHigh->setFocus();
            return;
        }
    }
    const QString program = actions().program;
    if (chkProgram->isChecked()) {
        const QFileInfo info(program);
        if (program.isEmpty() || !info.isFile() || !info.isExecutable()) {
            Prompts::current().information(program + QStringLiteral(" is not a program that can be run."));
            edtProgram->setFocus();
            return;
        }
    }
    QDialog::accept();
}
