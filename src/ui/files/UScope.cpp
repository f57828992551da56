#include "files/UScope.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int DialogWidth = 340;
}

TfrmScope::TfrmScope(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScope"));
    setWindowTitle(QStringLiteral("Print Range"));
    // Title bar with a close box only; always above the window it reports on.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    const auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };

    GroupBox1 = new QGroupBox(this);
    named(GroupBox1, "GroupBox1");
    radAll = new QRadioButton(QStringLiteral("&All"), GroupBox1);
    named(radAll, "radAll");
    radAll->setChecked(true);
    radNo = new QRadioButton(QStringLiteral("&Select"), GroupBox1);
    named(radNo, "radNo");
    lblFrom = new QLabel(QStringLiteral("&from"), GroupBox1);
    named(lblFrom, "lblFrom");
    edtSelFrom = new QLineEdit(GroupBox1);
    named(edtSelFrom, "edtSelFrom");
    lblFrom->setBuddy(edtSelFrom);
    lblTo = new QLabel(QStringLiteral("&to"), GroupBox1);
    named(lblTo, "lblTo");
    edtSelTo = new QLineEdit(GroupBox1);
    named(edtSelTo, "edtSelTo");
    lblTo->setBuddy(edtSelTo);
    // Typing a bound means the user wants a selection.
    for (QLineEdit* edit : {edtSelFrom, edtSelTo})
        connect(edit, &QLineEdit::textEdited, radNo, [this] { radNo->setChecked(true); });

    auto* range = new QGridLayout(GroupBox1);
    range->addWidget(radAll, 0, 0, 1, 5);
    range->addWidget(radNo, 1, 0);
    range->addWidget(lblFrom, 1, 1);
    range->addWidget(edtSelFrom, 1, 2);
    range->addWidget(lblTo, 1, 3);
    range->addWidget(edtSelTo, 1, 4);
    range->setColumnStretch(2, 1);
    range->setColumnStretch(4, 1);

    SText1 = new QLabel(QStringLiteral("bytes received"), this);
    named(SText1, "SText1");
    lblBytesReceived = new QLabel(this);
    named(lblBytesReceived, "lblBytesReceived");
    SText2 = new QLabel(QStringLiteral("total bytes"), this);
    named(SText2, "SText2");
    lblTotalBytes = new QLabel(this);
    named(lblTotalBytes, "lblTotalBytes");
    for (QLabel* count : {lblBytesReceived, lblTotalBytes})
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Progress1 = new QProgressBar(this);
    named(Progress1, "Progress1");
    Progress1->setRange(0, 100);
    Progress1->setValue(0);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    named(BitBtn1, "BitBtn1");
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    named(BitBtn2, "BitBtn2");
    BitBtn1->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(1); });
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmScope::BitBtn2Click);

    // One column: range choice, status texts, progress bar, buttons. Hidden
    // controls take no room, and the dialog keeps one width in every mode.
    auto* status = new QGridLayout;
    status->addWidget(SText1, 0, 0);
    status->addWidget(lblBytesReceived, 0, 1);
    status->addWidget(SText2, 1, 0);
    status->addWidget(lblTotalBytes, 1, 1);
    status->setColumnStretch(0, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* column = new QVBoxLayout(this);
    column->addWidget(GroupBox1);
    column->addLayout(status);
    column->addWidget(Progress1);
    column->addLayout(buttons);
    captionRoom = new QSpacerItem(DialogWidth, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    column->addItem(captionRoom);
    column->setSizeConstraint(QLayout::SetFixedSize);
    fitCaption();

    showOnly({});
}

void TfrmScope::showOnly(std::initializer_list<QWidget*> visible)
{
    for (QWidget* w : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(SText1),
                       static_cast<QWidget*>(SText2), static_cast<QWidget*>(lblBytesReceived),
                       static_cast<QWidget*>(lblTotalBytes), static_cast<QWidget*>(Progress1),
                       static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2)})
        w->setVisible(false);
    for (QWidget* w : visible)
        w->setVisible(true);
    adjustSize();
}

void TfrmScope::setRangeMode(int last)
{
    currentMode = Mode::Range;
    setWindowTitle(QStringLiteral("Save File"));
    showOnly({GroupBox1, BitBtn1, BitBtn2});
    radAll->setChecked(true);
    edtSelFrom->setText(QStringLiteral("1"));
    edtSelTo->setText(QString::number(last));
    BitBtn1->setDefault(true);
    setModal(true);
}

void TfrmScope::setSavingMode(int lines)
{
    currentMode = Mode::Saving;
    setWindowTitle(QStringLiteral("Saving Progress"));
    showOnly({Progress1, SText1, BitBtn2});
    SText1->setText(QStringLiteral("saving....."));
    Progress1->setRange(0, lines);
    Progress1->setValue(0);
    setModal(false);
    setModalResult(0);
}

void TfrmScope::setOpenMode()
{
    currentMode = Mode::Open;
    setWindowTitle(QStringLiteral("Open Progress"));
    showOnly({SText1, BitBtn2});
    SText1->setText(QStringLiteral("0"));
    setModal(false);
    setModalResult(-1);
}

void TfrmScope::setGraphingMode(int rows)
{
    currentMode = Mode::Graphing;
    setWindowTitle(QStringLiteral("Graphing Progress"));
    // With a Cancel button: a long table can be stopped half-way.
    showOnly({SText1, Progress1, BitBtn2});
    SText1->setText(QStringLiteral("graphing....."));
    Progress1->setRange(0, rows);
    Progress1->setValue(0);
    setModal(false);
    setModalResult(0);
}

void TfrmScope::setDataRetrievingMode(int totalBytes)
{
    currentMode = Mode::DataRetrieving;
    setWindowTitle(QStringLiteral("Data Retriving Progress"));
    // With a Cancel button: a full memory takes minutes.
    showOnly({Progress1, SText1, SText2, lblBytesReceived, lblTotalBytes, BitBtn2});
    SText1->setText(QStringLiteral("bytes received"));
    SText2->setText(QStringLiteral("total bytes"));
    lblTotalBytes->setText(QString::number(totalBytes));
    lblBytesReceived->setText(QStringLiteral("0"));
    Progress1->setRange(0, totalBytes);
    Progress1->setValue(0);
    setModal(false);
    setModalResult(0);
}

namespace {
template <typename Setup>
std::unique_ptr<TfrmScope> makeScope(QWidget* parent, Setup setup)
{
    auto dialog = std::make_unique<TfrmScope>(parent);
    setup(*dialog);
    return dialog;
}
} // namespace

std::unique_ptr<TfrmScope> TfrmScope::rangeDialog(int last, QWidget* parent)
{
    return makeScope(parent, [last](TfrmScope& d) { d.setRangeMode(last); });
}

std::unique_ptr<TfrmScope> TfrmScope::savingDialog(int lines, QWidget* parent)
{
    return makeScope(parent, [lines](TfrmScope& d) { d.setSavingMode(lines); });
}

std::unique_ptr<TfrmScope> TfrmScope::openDialog(QWidget* parent)
{
    return makeScope(parent, [](TfrmScope& d) { d.setOpenMode(); });
}

std::unique_ptr<TfrmScope> TfrmScope::graphingDialog(int rows, QWidget* parent)
{
    return makeScope(parent, [rows](TfrmScope& d) { d.setGraphingMode(rows); });
}

std::unique_ptr<TfrmScope> TfrmScope::dataRetrievingDialog(int totalBytes, QWidget* parent)
{
    return makeScope(parent, [totalBytes](TfrmScope& d) { d.setDataRetrievingMode(totalBytes); });
}

void TfrmScope::setPosition(int position)
{
    Progress1->setValue(position);
}

void TfrmScope::setLinesRead(int lines)
{
    SText1->setText(QString::number(lines));
}

void TfrmScope::setBytesReceived(int bytes)
{
    lblBytesReceived->setText(QString::number(bytes));
    Progress1->setValue(bytes);
}

void TfrmScope::BitBtn2Click()
{
    if (currentMode == Mode::Range || currentMode == Mode::None)
        done(2);
    else
        setModalResult(2);   // the operation stops at its next step and closes us
}

void TfrmScope::reject()
{
    if (currentMode == Mode::Range || currentMode == Mode::None)
        done(2);
    else
        setModalResult(2);   // every progress stops at its next step
}

void TfrmScope::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange)
        fitCaption();
}

void TfrmScope::fitCaption()
{
    if (!captionRoom)
        return;   // still being built
    // The window manager draws the caption beside its buttons, often in bold
    // and centred: room for the text and for the buttons on both sides.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const int buttons = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int width = QFontMetrics(font).horizontalAdvance(windowTitle()) + 4 * buttons;
    captionRoom->changeSize(std::max(DialogWidth, width), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    layout()->invalidate();
    adjustSize();
}

void TfrmScope::closeEvent(QCloseEvent* event)
{
    if (currentMode == Mode::Range || currentMode == Mode::None) {
        // The close box of the range question means Cancel.
        done(2);
        event->accept();
        return;
    }
    // A progress dialog just gets out of the way; the operation goes on.
    hide();
    event->accept();
}

void TfrmScope::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the window that opened it.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
