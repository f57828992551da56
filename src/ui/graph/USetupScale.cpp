#include "graph/USetupScale.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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
    chkSave = new QCheckBox(QStringLiteral("Save this setting "), this);
    chkSave->setObjectName(QStringLiteral("chkSave"));
    layout->addWidget(chkSave);
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
