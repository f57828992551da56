#include "setup/USetup.h"

#include "setup/MeterSetup.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFont largeBold(const QWidget* w)
{
    QFont f = w->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.5);
    return f;
}

QLabel* named(QLabel* label, const char* name)
{
    label->setObjectName(QLatin1String(name));
    label->setMinimumWidth(60);
    return label;
}

QLineEdit* twoDigitEdit(const char* name, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setInputMask(QStringLiteral("99"));
    edit->setText(text);
    edit->setMaximumWidth(40);
    return edit;
}

} // namespace

TfrmSetup::TfrmSetup(MeterSetup& setup, QWidget* parent)
    : QWidget(parent), setup(setup)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Data Logger Setup"));
    auto* layout = new QVBoxLayout(this);

    // The meter's clock.
    auto* timeRow = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Adjust Meter Time To Computer Time"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    lblsetuptime = named(new QLabel(this), "lblsetuptime");
    lblsetuptime->setFont(largeBold(lblsetuptime));
    timeRow->addWidget(Button1);
    timeRow->addWidget(lblsetuptime);
    layout->addLayout(timeRow);

    // The recording interval.
    auto* intervalGroup = new QGroupBox(QStringLiteral("Meter Recording Interval "), this);
    auto* intervalRow = new QHBoxLayout(intervalGroup);
    edtInt1 = twoDigitEdit("edtInt1", QStringLiteral("00"), intervalGroup);
    edtInt2 = twoDigitEdit("edtInt2", QStringLiteral("02"), intervalGroup);
    Button2 = new QPushButton(QStringLiteral("Adjust Meter Recording Interval "), intervalGroup);
    Button2->setObjectName(QStringLiteral("Button2"));
    lblsetupint = named(new QLabel(intervalGroup), "lblsetupint");
    intervalRow->addWidget(edtInt1);
    intervalRow->addWidget(new QLabel(QStringLiteral(":"), intervalGroup));
    intervalRow->addWidget(edtInt2);
    intervalRow->addWidget(new QLabel(QStringLiteral("mm:ss(00:01~59:59)"), intervalGroup));
    intervalRow->addWidget(Button2);
    intervalRow->addWidget(lblsetupint);
    layout->addWidget(intervalGroup);

    // Erasing the memory.
    auto* eraseRow = new QHBoxLayout;
    Button3 = new QPushButton(QStringLiteral("Erase Meter Memory"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    lblerase = named(new QLabel(this), "lblerase");
    eraseRow->addWidget(Button3);
    eraseRow->addWidget(lblerase);
    eraseRow->addStretch();
    layout->addLayout(eraseRow);

    // The meter's information.
    auto* infoGroup = new QGroupBox(QStringLiteral("Meter DataLogger Information"), this);
    auto* info = new QGridLayout(infoGroup);
    const auto addInfo = [&](int row, const char* caption, const char* name) {
        info->addWidget(new QLabel(QLatin1String(caption), infoGroup), row, 0);
        auto* value = named(new QLabel(infoGroup), name);
        info->addWidget(value, row, 1);
        return value;
    };
    lblFirmwareVersion = addInfo(0, "Firmware Version::", "lblFirmwareVersion");
    lblMeterTime = addInfo(1, "Meter Time:", "lblMeterTime");
    lblInt = addInfo(2, "Recording Interval:", "lblInt");
    lblDataSets = addInfo(3, "Data Sets In Memory:", "lblDataSets");
    lblMemoryAvailable = addInfo(4, "Memory Available:", "lblMemoryAvailable");
    Button4 = new QPushButton(QStringLiteral("Read  "), infoGroup);
    Button4->setObjectName(QStringLiteral("Button4"));
    lblread = named(new QLabel(infoGroup), "lblread");
    info->addWidget(Button4, 5, 0);
    info->addWidget(lblread, 5, 1);
    layout->addWidget(infoGroup);

    // The parameter bytes of the memory header, shown (not sent).
    auto* argumentGroup = new QGroupBox(QStringLiteral("argument"), this);
    auto* arguments = new QGridLayout(argumentGroup);
    struct Parameter {
        const char* caption;
        int bytes;
    };
    const Parameter parameters[] = {{"Tspsn(20 21 22)", 3}, {"Toffset(23 24)", 2}, {"TLcnt(25 26)", 2},
                                    {"THcnt(27 28)", 2},    {"Tcoffset", 2},       {"Extoffset", 1}};
    int edit = 0;
    for (int row = 0; row < 6; ++row) {
        arguments->addWidget(new QLabel(QLatin1String(parameters[row].caption), argumentGroup), row, 0);
        for (int b = 0; b < parameters[row].bytes; ++b, ++edit) {
            auto* field = new QLineEdit(argumentGroup);
            field->setObjectName(QStringLiteral("edt%1").arg(32 + edit));
            field->setMaximumWidth(40);
            arguments->addWidget(field, row, 1 + b);
            parameterEdits[std::size_t(edit)] = field;
        }
    }
    layout->addWidget(argumentGroup);

    Button5 = new QPushButton(QStringLiteral("ALL"), this);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setFont(largeBold(Button5));
    layout->addWidget(Button5);

    connect(Button1, &QPushButton::clicked, this, &TfrmSetup::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmSetup::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TfrmSetup::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmSetup::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TfrmSetup::Button5Click);

    // The status labels read "OK" when the window opens, and the meter's
    // information is empty until this window reads it.
    MeterSetup::Display& d = setup.display;
    d.lblsetuptime = d.lblsetupint = d.lblerase = d.lblread = QStringLiteral("OK");
    for (QString* info : {&d.lblFirmwareVersion, &d.lblMeterTime, &d.lblInt, &d.lblDataSets, &d.lblMemoryAvailable})
        info->clear();
    d.parameters.fill(QString());
    // The setup may outlive the window, or the window the setup (when the
    // main window goes): the hook checks that the window is still there.
    setup.displayChanged = [window = QPointer<TfrmSetup>(this)] {
        if (window)
            window->showDisplay();
    };
    showDisplay();
}

void TfrmSetup::showDisplay()
{
    const MeterSetup::Display& d = setup.display;
    lblsetuptime->setText(d.lblsetuptime);
    lblsetupint->setText(d.lblsetupint);
    lblerase->setText(d.lblerase);
    lblread->setText(d.lblread);
    lblFirmwareVersion->setText(d.lblFirmwareVersion);
    lblMeterTime->setText(d.lblMeterTime);
    lblInt->setText(d.lblInt);
    lblDataSets->setText(d.lblDataSets);
    lblMemoryAvailable->setText(d.lblMemoryAvailable);
    // The edits can be typed into: a status change must not wipe what the
    // user typed, so they follow the meter only when its bytes change.
    if (d.parameters != parametersShown) {
        for (std::size_t i = 0; i < parameterEdits.size(); ++i)
            parameterEdits[i]->setText(d.parameters[i]);
        parametersShown = d.parameters;
    }
    repaint();
}

void TfrmSetup::Button1Click()
{
    setup.AdjustMeterTime(true);
}

void TfrmSetup::Button2Click()
{
    setup.AdjustRecordingInterval(true, edtInt1->text(), edtInt2->text());
}

void TfrmSetup::Button3Click()
{
    setup.EraseMeterMemory(true);
}

void TfrmSetup::Button4Click()
{
    setup.ReadMeterInformation(true);
}

void TfrmSetup::Button5Click()
{
    setup.All(edtInt1->text(), edtInt2->text());
}

bool TfrmSetup::queryClose()
{
    return !setup.running();
}

void TfrmSetup::closeEvent(QCloseEvent* event)
{
    if (queryClose())
        event->accept();
    else
        event->ignore();
}
