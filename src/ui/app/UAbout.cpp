#include "app/UAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About"));

    lblTitle = new QLabel(QStringLiteral("Four Channel Thermometer Software"), this);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setItalic(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    lblTitle->setFont(titleFont);
    lblTitle->setStyleSheet(QStringLiteral("color: blue;"));

    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(new QLabel(QStringLiteral("Version:"), this));
    lblVersion = new QLabel(QStringLiteral(TQ612_VERSION), this);
    versionRow->addWidget(lblVersion);
    versionRow->addStretch();

    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 16);
    layout->setSpacing(14);
    layout->addWidget(lblTitle, 0, Qt::AlignHCenter);
    layout->addLayout(versionRow);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    setLayout(layout);
    setFixedSize(sizeHint());
}
