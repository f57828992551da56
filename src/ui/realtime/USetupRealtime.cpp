#include "realtime/USetupRealtime.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QComboBox* rateBox(QWidget* parent, const char* name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    for (int i = 0; i <= 60; ++i)
        box->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    return box;
}

} // namespace

TfrmSetupRealTime::TfrmSetupRealTime(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetupRealTime"));
    setWindowTitle(QStringLiteral("Real-Time Setup"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    Label1 = new QLabel(QStringLiteral("Real-Time data no to be recorded"), this);
    Label2 = new QLabel(QStringLiteral("(Adjust the number to meet your need)"), this);
    edtRealTimeNo = new QLineEdit(this);
    edtRealTimeNo->setObjectName(QStringLiteral("edtRealTimeNo"));
    // Five digit places; Qt's mask keeps the digits and drops the blanks,
    // which show as spaces.
    edtRealTimeNo->setInputMask(QStringLiteral("00000; "));
    edtRealTimeNo->setText(QStringLiteral(" 2000"));
    Label1->setBuddy(edtRealTimeNo);
    // The period follows the number typed too: a period left from another number misleads.
    connect(edtRealTimeNo, &QLineEdit::textEdited, this, &TfrmSetupRealTime::ComboBoxChange);

    Label3 = new QLabel(QStringLiteral("Real -Time Sampling Rate"), this);
    ComboBox1 = rateBox(this, "ComboBox1");
    ComboBox2 = rateBox(this, "ComboBox2");
    ComboBox2->setCurrentIndex(2);
    Label4 = new QLabel(QStringLiteral("mm:ss"), this);
    Label3->setBuddy(ComboBox1);
    connect(ComboBox1, &QComboBox::activated, this, &TfrmSetupRealTime::ComboBoxChange);
    connect(ComboBox2, &QComboBox::activated, this, &TfrmSetupRealTime::ComboBoxChange);

    Label5 = new QLabel(QStringLiteral("Recording Period"), this);
    edtPeriod = new QLineEdit(this);
    edtPeriod->setObjectName(QStringLiteral("edtPeriod"));
    edtPeriod->setReadOnly(true);
    edtPeriod->setFocusPolicy(Qt::NoFocus);
    Label6 = new QLabel(QStringLiteral("HH:MM:SS"), this);

    btnOpenSingleSet = new QPushButton(QStringLiteral("Start"), this);
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    btnOpenSingleSet->setDefault(true);
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(btnOpenSingleSet, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    auto* rate = new QHBoxLayout;
    rate->addWidget(ComboBox1);
    rate->addWidget(new QLabel(QStringLiteral(":"), this));
    rate->addWidget(ComboBox2);
    rate->addStretch(1);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtRealTimeNo, 0, 1);
    grid->addWidget(Label2, 1, 0, 1, 3);
    grid->addWidget(Label3, 2, 0);
    grid->addLayout(rate, 2, 1);
    grid->addWidget(Label4, 2, 2);
    grid->addWidget(Label5, 3, 0);
    grid->addWidget(edtPeriod, 3, 1);
    grid->addWidget(Label6, 3, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOpenSingleSet);
    buttons->addWidget(Button1);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addSpacing(8);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    // Centred on the screen.
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        adjustSize();
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmSetupRealTime::setRateBoxes(const QString& minutes, const QString& seconds)
{
    ComboBox1->setCurrentIndex(qMax(0, ComboBox1->findText(minutes)));
    ComboBox2->setCurrentIndex(qMax(0, ComboBox2->findText(seconds)));
}

void TfrmSetupRealTime::showOpeningPeriod(int rateSeconds)
{
    edtPeriod->setText(unpaddedPeriod(qint64(rateSeconds) * 2000));
}

void TfrmSetupRealTime::ComboBoxChange()
{
    // A rate of 00:00 would never sample.
    if (ComboBox1->currentText() == QLatin1String("00") && ComboBox2->currentText() == QLatin1String("00")) {
        ComboBox1->setCurrentIndex(0);
        ComboBox2->setCurrentIndex(2);
    }
    bool ok = false;
    qint64 number = edtRealTimeNo->text().trimmed().toInt(&ok);
    if (!ok)
        number = 0;
    const qint64 rate = ComboBox1->currentText().toInt() * 60 + ComboBox2->currentText().toInt();
    edtPeriod->setText(paddedPeriod(number * rate));
}

QString TfrmSetupRealTime::unpaddedPeriod(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60).arg(seconds % 60);
}

QString TfrmSetupRealTime::paddedPeriod(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
