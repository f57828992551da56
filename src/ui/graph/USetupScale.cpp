#include "graph/USetupScale.h"

#include "app/Prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSetupScale::TfrmSetupScale(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    const QString caption = QStringLiteral("Y Axis Maximum And Minimum Scale Setup");
    setObjectName(QStringLiteral("frmSetupScale"));
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* outer = new QGroupBox(caption, this);
    auto* channels = new QGridLayout(outer);
    QLineEdit** mins[] = {&edtT1Min, &edtT2Min, &edtT3Min, &edtT4Min};
    QLineEdit** maxs[] = {&edtT1Max, &edtT2Max, &edtT3Max, &edtT4Max};
    for (int i = 0; i < 4; ++i) {
        auto* group = new QGroupBox(QStringLiteral("T%1").arg(i + 1), outer);
        auto* row = new QGridLayout(group);
        *mins[i] = new QLineEdit(group);
        (*mins[i])->setObjectName(QStringLiteral("edtT%1Min").arg(i + 1));
        *maxs[i] = new QLineEdit(group);
        (*maxs[i])->setObjectName(QStringLiteral("edtT%1Max").arg(i + 1));
        row->addWidget(new QLabel(QStringLiteral("MIN"), group), 0, 0);
        row->addWidget(*mins[i], 0, 1);
        row->addWidget(new QLabel(QStringLiteral("MAX"), group), 1, 0);
        row->addWidget(*maxs[i], 1, 1);
        channels->addWidget(group, i / 2, i % 2);
    }
    layout->addWidget(outer);
    auto* options = new QHBoxLayout;
    chkSave = new QCheckBox(QStringLiteral("Save this setting "), this);
    chkSave->setObjectName(QStringLiteral("chkSave"));
    options->addWidget(chkSave);
    options->addStretch(1);
    btnFitToData = new QPushButton(QStringLiteral("Fit to data"), this);
    btnFitToData->setObjectName(QStringLiteral("btnFitToData"));
    btnFitToData->setToolTip(QStringLiteral("Set each channel's MIN and MAX so that all of its readings show."));
    btnFitToData->setAutoDefault(false);
    btnFitToData->setEnabled(false);
    connect(btnFitToData, &QPushButton::clicked, this, &TfrmSetupScale::btnFitToDataClick);
    options->addWidget(btnFitToData);
    layout->addLayout(options);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QLineEdit* TfrmSetupScale::minField(int channel) const
{
    QLineEdit* const fields[] = {edtT1Min, edtT2Min, edtT3Min, edtT4Min};
    return fields[channel];
}

QLineEdit* TfrmSetupScale::maxField(int channel) const
{
    QLineEdit* const fields[] = {edtT1Max, edtT2Max, edtT3Max, edtT4Max};
    return fields[channel];
}

void TfrmSetupScale::setDataFits(const std::array<std::optional<ScaleFit::Range>, 4>& fits)
{
    dataFits = fits;
    btnFitToData->setEnabled(std::any_of(fits.begin(), fits.end(), [](const auto& f) { return f.has_value(); }));
}

void TfrmSetupScale::btnFitToDataClick()
{
    for (int i = 0; i < 4; ++i) {
        if (!dataFits[i])
            continue;
        minField(i)->setText(QString::number(dataFits[i]->min));
        maxField(i)->setText(QString::number(dataFits[i]->max));
    }
}

std::optional<TfrmSetupScale::Ranges> TfrmSetupScale::ranges(QString* refusal) const
{
    Ranges r;
    QString invalidText;
    bool valid = true;
    // Read from T4 to T1, MAX before MIN: the message names the last field that is no number.
    for (int i = 3; i >= 0; --i) {
        for (auto [field, out] : {std::pair{maxField(i), &r.maxs[size_t(i)]}, std::pair{minField(i), &r.mins[size_t(i)]}}) {
            bool ok = false;
            *out = field->text().trimmed().toInt(&ok);
            if (!ok) {
                valid = false;
                invalidText = field->text();
            }
        }
    }
    if (!valid) {
        *refusal = invalidText + QStringLiteral(" is invalid.");
        return std::nullopt;
    }
    // An axis whose MIN is not below its MAX would be drawn upside down or flat.
    for (int i = 0; i < 4; ++i) {
        if (r.mins[size_t(i)] >= r.maxs[size_t(i)]) {
            *refusal = QStringLiteral("T%1: MIN must be less than MAX.").arg(i + 1);
            return std::nullopt;
        }
    }
    return r;
}

void TfrmSetupScale::accept()
{
    QString refusal;
    if (!ranges(&refusal)) {
        Prompts::current().information(refusal);
        return;
    }
    QDialog::accept();
}
