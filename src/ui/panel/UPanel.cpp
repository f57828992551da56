#include "panel/UPanel.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "panel/ClickArea.h"
#include "panel/KeyCommands.h"
#include "panel/PanelAlarmFrame.h"
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <tuple>

namespace {

const QString OverRangeText = QStringLiteral("-OL-");
const QString StoredOverRangeText = QStringLiteral("- - - -");
const QString EmptyValueText = QStringLiteral("-------");
const QColor LcdInk(0x1f, 0x26, 0x1b);

// Waits until the link is free, then writes the key's frame if a meter is
// connected and beeps. Touches only the link, which outlives the panel, so a
// panel closed during one of the waits does no harm.
void sendWhenFree(PanelLink& link, char letter, bool waitForMainTimer)
{
    const QByteArray frame = KeyCommands::frame(letter);
    if (waitForMainTimer && link.sendingCommand())
        link.waitMs(100);
    // A bound, not a delay: ends as soon as the receiver is idle.
    const qint64 start = Clock::current().tickMs();
    while (link.inReceive() && Clock::current().tickMs() - start < 3000)
        link.waitMs(10);
    if (link.connected()) {
        if (link.writeCommand(frame))
            QApplication::beep();
    }
}

QString readingText(float value, bool overRange, const QString& overRangeText)
{
    return overRange ? overRangeText : Regional::fixed(value, 1);
}

} // namespace

TfrmPanel::TfrmPanel(const PanelHost& panelHost, QWidget* parent)
    : QWidget(parent)
    , host(panelHost)
{
    setObjectName(QStringLiteral("frmPanel"));
    setAccessibleName(QStringLiteral("Front panel of the meter"));
    setWindowTitle(QStringLiteral("Control Panel"));
    setFixedSize(PanelLayout::Face);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setFocusPolicy(Qt::StrongFocus);

    MMATimer.setObjectName(QStringLiteral("MMATimer"));
    MMATimer.setInterval(1000);
    connect(&MMATimer, &QTimer::timeout, this, &TfrmPanel::MMATimerTimer);

    createControls();
    drawPictures();
    connectKeys();
}

void TfrmPanel::createControls()
{
    const auto makeLabel = [this](const char* name, const QRect& where) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(where);
        return label;
    };
    const auto makePicture = [&](const char* name, const QRect& where, const char* picture) {
        QLabel* label = makeLabel(name, where);
        pictureLabels.emplace_back(label, QLatin1String(picture));
        return label;
    };
    const auto makeMark = [&](const char* name, const QRect& where, const char* picture) {
        QLabel* mark = makePicture(name, where, picture);
        mark->setAccessibleName(spokenMark(QLatin1String(picture)));
        mark->hide();
        return mark;
    };
    const auto makeKey = [this](const char* name, const QRect& where, const QString& accessibleName) {
        auto* key = new ClickArea(this);
        key->setObjectName(QLatin1String(name));
        key->setGeometry(where);
        key->setAccessibleName(accessibleName);
        return key;
    };

    imgPanel = makePicture("imgPanel", QRect(QPoint(0, 0), PanelLayout::Face), "");
    imgPanel->setAccessibleName(QStringLiteral("Meter display"));
    imgPanel->setAttribute(Qt::WA_OpaquePaintEvent);
    imgPanel->installEventFilter(this);

    // The LCD.
    imgBAT = makeLabel("imgBAT", PanelLayout::Battery);
    imgBAT->setPixmap(host.batteryBitmaps[3]);
    imgREC = makeMark("imgREC", PanelLayout::RecMark, "REC");
    imgFULL = makeMark("imgFULL", PanelLayout::FullMark, "FULL");
    imgAutoOff = makeMark("imgAutoOff", PanelLayout::AutoOffMark, "AUTOOFF");
    imgK = makePicture("imgK", PanelLayout::KMark, "K");
    lblMAX = makeMark("lblMAX", PanelLayout::MaxMark, "MAX");
    lblMIN = makeMark("lblMIN", PanelLayout::MinMark, "MIN");
    lblAVG = makeMark("lblAVG", PanelLayout::AvgMark, "AVG");
    imgHOLD = makeMark("imgHOLD", PanelLayout::HoldMark, "HOLD");

    QFont nameFont(QStringLiteral("DejaVu Sans"));
    nameFont.setPixelSize(9);
    nameFont.setBold(true);
    QFont valueFont(QStringLiteral("DejaVu Sans"));
    valueFont.setPixelSize(24);
    valueFont.setWeight(QFont::Black);
    valueFont.setStretch(QFont::SemiCondensed);
    QPalette ink = palette();
    ink.setColor(QPalette::WindowText, LcdInk);

    const char* nameIds[] = {"lblT1", "lblT2", "lblT3", "lblT4"};
    const char* valueIds[] = {"lblT1Value", "lblT2Value", "lblT3Value", "lblT4Value"};
    const char* celsiusIds[] = {"imgT1C", "imgT2C", "imgT3C", "imgT4C"};
    const char* fahrenheitIds[] = {"imgt1F", "imgT2F", "imgT3F", "imgT4F"};
    for (int row = 0; row < 4; ++row) {
        names[row] = makeLabel(nameIds[row], PanelLayout::channelName(row));
        names[row]->setFont(nameFont);
        names[row]->setPalette(ink);
        names[row]->setText(QStringLiteral("T%1").arg(row + 1));
        values[row] = makeLabel(valueIds[row], PanelLayout::channelValue(row));
        values[row]->setFont(valueFont);
        values[row]->setPalette(ink);
        values[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        values[row]->setText(EmptyValueText);
        celsiusMarks[row] = makeMark(celsiusIds[row], PanelLayout::unitMark(row), "DEGC");
        fahrenheitMarks[row] = makeMark(fahrenheitIds[row], PanelLayout::unitMark(row), "DEGF");
    }
    std::tie(lblT1, lblT2, lblT3, lblT4) = std::tuple(names[0], names[1], names[2], names[3]);
    std::tie(lblT1Value, lblT2Value, lblT3Value, lblT4Value) = std::tuple(values[0], values[1], values[2], values[3]);
    std::tie(imgT1C, imgT2C, imgT3C, imgT4C) = std::tuple(celsiusMarks[0], celsiusMarks[1], celsiusMarks[2], celsiusMarks[3]);
    std::tie(imgt1F, imgT2F, imgT3F, imgT4F) = std::tuple(fahrenheitMarks[0], fahrenheitMarks[1], fahrenheitMarks[2], fahrenheitMarks[3]);

    // Print on the housing.
    Label7 = makeLabel("Label7", PanelLayout::TypeK);
    QFont printFont(QStringLiteral("DejaVu Sans"));
    printFont.setPixelSize(8);
    printFont.setBold(true);
    Label7->setFont(printFont);
    Label7->setStyleSheet(QStringLiteral("color: #f2d45c;"));
    Label7->setText(QStringLiteral("K"));

    lblNoConnection = makeLabel("lblNoConnection", PanelLayout::NoConnection);
    QFont warningFont(QStringLiteral("DejaVu Sans"));
    warningFont.setPixelSize(11);
    warningFont.setBold(true);
    lblNoConnection->setFont(warningFont);
    lblNoConnection->setStyleSheet(QStringLiteral("color: #ff3b2f;"));
    lblNoConnection->setAlignment(Qt::AlignCenter);
    lblNoConnection->setText(QStringLiteral("No Connection"));
    lblNoConnection->hide();

    pnlAlarmFrame = new PanelAlarmFrame(this);

    // The keys; the letters in their names are the keyboard shortcuts.
    btnClose = makeKey("btnClose", PanelLayout::Close, QStringLiteral("Close PANEL"));
    btnClose->setToolTip(QStringLiteral("Close PANEL"));
    btnHOLD = makeKey("btnHOLD", PanelLayout::Hold, QStringLiteral("HOLD key (H)"));
    btnRec = makeKey("btnRec", PanelLayout::Rec, QStringLiteral("REC key (R)"));
    btnCF = makeKey("btnCF", PanelLayout::CelsiusFahrenheit, QStringLiteral("°C/°F key (C)"));
    btnT1_T2 = makeKey("btnT1_T2", PanelLayout::T1MinusT2, QStringLiteral("T1-T2 key (T)"));
    btnMMA = makeKey("btnMMA", PanelLayout::MaxMinAvg, QStringLiteral("MAX/MIN/AVG key (M)"));
    btnMMA->setToolTip(QStringLiteral("single click to change AVG/MAX/MIN mode, mouse down 2 seconds  to cancel ."));
}

// Draws the face and the marks for the device pixel ratio of the panel's
// screen; again whenever the panel moves to a screen of another ratio.
void TfrmPanel::drawPictures()
{
    const qreal ratio = devicePixelRatioF();
    if (pictureLabels.empty() || ratio == picturesRatio)
        return;
    picturesRatio = ratio;
    QHash<QString, QPixmap> drawn;   // the unit marks appear four times each
    for (const auto& [label, name] : pictureLabels) {
        auto found = drawn.find(name);
        if (found == drawn.end())
            found = drawn.insert(name, name.isEmpty() ? PanelPictures::face(ratio)
                                                      : PanelPictures::mark(name, label->size(), ratio));
        label->setPixmap(*found);
    }
}

void TfrmPanel::connectKeys()
{
    connect(btnClose, &ClickArea::clicked, this, &TfrmPanel::btnCloseClick);
    connect(btnHOLD, &ClickArea::clicked, this, &TfrmPanel::btnHOLDClick);
    connect(btnRec, &ClickArea::clicked, this, &TfrmPanel::btnRecClick);
    connect(btnCF, &ClickArea::clicked, this, &TfrmPanel::btnCFClick);
    connect(btnT1_T2, &ClickArea::clicked, this, &TfrmPanel::btnT1_T2Click);
    connect(btnMMA, &ClickArea::mouseDown, this, &TfrmPanel::btnMMAMouseDown);
    connect(btnMMA, &ClickArea::mouseUp, this, &TfrmPanel::btnMMAMouseUp);
}

// ---- Frame display -------------------------------------------------------------

void TfrmPanel::ShowLiveFrame(const LiveFrame& frame, bool previousHold)
{
    showMarks(frame);
    // From the second held frame on the meter's display is frozen.
    if (!previousHold)
        showValues(frame);
    // A screen reader reads the drawn display as this text.
    imgPanel->setAccessibleDescription(displayText());
}

QString TfrmPanel::spokenMark(const QString& picture)
{
    if (picture == QLatin1String("DEGC"))
        return QStringLiteral("°C");
    if (picture == QLatin1String("DEGF"))
        return QStringLiteral("°F");
    if (picture == QLatin1String("AUTOOFF"))
        return QStringLiteral("Auto power off");
    return picture;
}

void TfrmPanel::showChannelsInAlarm(unsigned channels, const QString& description)
{
    pnlAlarmFrame->showChannels(channels, description);
}

QString TfrmPanel::displayText() const
{
    QStringList parts;
    for (int row = 0; row < 4; ++row) {
        QString reading = names[row]->text() + QLatin1Char(' ') + values[row]->text().trimmed();
        for (const QLabel* unit : {celsiusMarks[row], fahrenheitMarks[row]}) {
            if (unit->isVisibleTo(this))
                reading += QLatin1Char(' ') + unit->accessibleName();
        }
        parts << reading;
    }
    for (const QLabel* mark : {lblMAX, lblMIN, lblAVG, imgHOLD, imgREC, imgFULL, imgAutoOff}) {
        if (mark->isVisibleTo(this))
            parts << mark->accessibleName();
    }
    return parts.join(QStringLiteral(", "));
}

void TfrmPanel::showMarks(const LiveFrame& frame)
{
    const QPixmap& battery = host.batteryBitmaps[std::clamp(frame.Battery, 0, 3)];
    if (imgBAT->pixmap().cacheKey() != battery.cacheKey())
        imgBAT->setPixmap(battery);
    imgFULL->setVisible(frame.MemoryFull);
    imgREC->setVisible(frame.Recording);
    imgHOLD->setVisible(frame.Hold);
    imgAutoOff->setVisible(frame.AutoOff);

    const auto setModeMarks = [this](bool max, bool min, bool avg) {
        lblMAX->setVisible(max);
        lblMIN->setVisible(min);
        lblAVG->setVisible(avg);
        host.maxMinTimer.stop();
    };
    switch (frame.Mode) {
    case 0: setModeMarks(false, false, false); break;
    case 1: setModeMarks(true, false, false); break;
    case 2: setModeMarks(false, true, false); break;
    case 3:
        // MAX and MIN are left to the blinking timer.
        lblAVG->hide();
        if (!host.maxMinTimer.isActive())
            host.maxMinTimer.start();
        break;
    case 4: setModeMarks(false, false, true); break;
    default: break;   // no mode: everything stays as it is
    }

    imgT1C->setVisible(frame.Celsius);
    imgt1F->setVisible(!frame.Celsius);
    for (int row = 1; row < 4; ++row) {
        celsiusMarks[row]->setVisible(frame.Mode == 0 && frame.Celsius);
        fahrenheitMarks[row]->setVisible(frame.Mode == 0 && !frame.Celsius);
    }
}

void TfrmPanel::showValues(const LiveFrame& frame)
{
    const auto reading = [&frame](float value, int bit) {
        return readingText(value, frame.overRange(bit), OverRangeText);
    };
    const auto stored = [&frame](float value, int bit) {
        return readingText(value, frame.overRange(bit), StoredOverRangeText);
    };

    if (frame.T1T2) {
        lblT1->setText(QStringLiteral("T1"));
        lblT2->setText(QStringLiteral("T2"));
        lblT3->setText(QStringLiteral("T1-T2"));
        lblT4->setText(QStringLiteral("T4"));
        lblT1Value->setText(reading(frame.T1, 0));
        lblT2Value->setText(reading(frame.T2, 1));
        lblT3Value->setText(frame.overRange(0) || frame.overRange(1)
                                ? OverRangeText
                                : Regional::fixed(double(frame.T1) - double(frame.T2), 1));
        lblT4Value->setText(reading(frame.T4, 3));
        return;
    }

    if (frame.Mode == 0) {
        const float readings[] = {frame.T1, frame.T2, frame.T3, frame.T4};
        for (int row = 0; row < 4; ++row) {
            names[row]->setText(QStringLiteral("T%1").arg(row + 1));
            values[row]->setText(reading(readings[row], row));
        }
        return;
    }

    // The meter shows one stored value of T1 with its date and time.
    lblT1->setText(QStringLiteral("T1"));
    lblT2->clear();
    lblT3->clear();
    lblT4->clear();
    lblT2Value->clear();
    const auto showStored = [this](const QString& value, const QString& date, const QString& time) {
        lblT1Value->setText(value);
        lblT3Value->setText(date);
        lblT4Value->setText(time);
    };
    switch (frame.Mode) {
    case 1: showStored(stored(frame.Max, 4), frame.MaxDate, frame.MaxTime); break;
    case 2: showStored(stored(frame.Min, 5), frame.MinDate, frame.MinTime); break;
    case 3:
        // The current T1; the date and time of the previous mode stay.
        lblT1Value->setText(stored(frame.T1, 0));
        lblAVG->hide();
        if (!host.maxMinTimer.isActive())
            host.maxMinTimer.start();
        break;
    case 4: showStored(stored(frame.Avg, 6), frame.AvgDate, frame.AvgTime); break;
    default: break;
    }
}

void TfrmPanel::showMaxMinMarks(bool shown)
{
    lblMAX->setVisible(shown);
    lblMIN->setVisible(shown);
}

void MaxMinBlink::MaxMinTimerTimer(TfrmPanel* frontPanel)
{
    InMaxMinTimer = true;
    BlinkPhase = !BlinkPhase;
    if (frontPanel)
        frontPanel->showMaxMinMarks(BlinkPhase);
    InMaxMinTimer = false;
}

// ---- Keys ------------------------------------------------------------------------

void TfrmPanel::KeyCommand(char letter)
{
    sendWhenFree(host.link, letter, true);
}

void TfrmPanel::btnHOLDClick() { KeyCommand(KeyCommands::Hold); }
void TfrmPanel::btnRecClick() { KeyCommand(KeyCommands::Rec); }
void TfrmPanel::btnCFClick() { KeyCommand(KeyCommands::CelsiusFahrenheit); }
void TfrmPanel::btnT1_T2Click() { KeyCommand(KeyCommands::T1MinusT2); }

void TfrmPanel::btnMMAMouseDown()
{
    MmaPressed = true;
    MmaTicks = 0;
    MMATimer.start();
}

void TfrmPanel::MMATimerTimer()
{
    ++MmaTicks;
    if (MmaTicks <= 2)
        return;
    // The long press fires once: end it before the waits of the send, so a
    // tick or a release handled during them cannot send a second command.
    MmaPressed = false;
    MmaTicks = 0;
    MMATimer.stop();
    sendWhenFree(host.link, KeyCommands::LeaveMaxMinAvgModes, true);
}

void TfrmPanel::btnMMAMouseUp()
{
    PanelLink& link = host.link;
    if (!link.connected()) {
        // The timer, if running, ends on its third tick without sending.
        Prompts::current().information(QStringLiteral("No Connection"));
        return;
    }
    QPointer<TfrmPanel> alive(this);
    if (link.sendingCommand())
        link.waitMs(100);
    if (!alive || !MmaPressed)
        return;   // closed meanwhile, or the long press has fired
    MmaPressed = false;
    MmaTicks = 0;
    MMATimer.stop();
    sendWhenFree(link, KeyCommands::NextMaxMinAvgMode, false);
}

void TfrmPanel::keyPressEvent(QKeyEvent* event)
{
    // Keyboard access to the keys: the letters of their names.
    if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_H: btnHOLDClick(); break;
    case Qt::Key_R: btnRecClick(); break;
    case Qt::Key_C: btnCFClick(); break;
    case Qt::Key_T: btnT1_T2Click(); break;
    case Qt::Key_M:
        mmaKeyDown = true;
        btnMMAMouseDown();
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void TfrmPanel::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_M && !event->isAutoRepeat() && mmaKeyDown) {
        mmaKeyDown = false;
        event->accept();
        btnMMAMouseUp();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

// ---- Window --------------------------------------------------------------------

QMdiSubWindow* TfrmPanel::frame() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TfrmPanel::fitFrame(QMdiSubWindow& frame)
{
    // No caption and no border: the meter picture fills the whole window.
    frame.setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    frame.setContentsMargins(0, 0, 0, 0);
    frame.setFixedSize(PanelLayout::Face);
}

bool TfrmPanel::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        watchFrame();
        drawPictures();
        break;
    case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
        drawPictures();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TfrmPanel::watchFrame()
{
    if (QMdiSubWindow* sub = frame())
        connect(sub, &QMdiSubWindow::windowStateChanged, this, &TfrmPanel::frameStateChanged, Qt::UniqueConnection);
}

void TfrmPanel::frameStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState)
{
    if (newState.testFlag(Qt::WindowActive) && !oldState.testFlag(Qt::WindowActive))
        FormActivate();
}

void TfrmPanel::FormActivate()
{
    emit activated();   // the main window disables btnOutputToGraph
}

bool TfrmPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != imgPanel)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        imgPanelMouseDown(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        if (dragging) {
            if (QMdiSubWindow* sub = frame())
                sub->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        dragging = false;
        return false;
    default:
        return false;
    }
}

void TfrmPanel::imgPanelMouseDown(const QPoint& globalPos)
{
    // Dragging anywhere on the picture moves the window.
    QMdiSubWindow* sub = frame();
    if (!sub)
        return;
    setFocus(Qt::MouseFocusReason);
    dragging = true;
    dragOffset = globalPos - sub->pos();
}

void TfrmPanel::btnCloseClick()
{
    if (QMdiSubWindow* sub = frame())
        sub->close();
    else
        close();
}

void TfrmPanel::closeEvent(QCloseEvent* event)
{
    FormCloseQuery();
    event->accept();
    FormClose();
}

void TfrmPanel::FormCloseQuery()
{
    while (host.blink.InMaxMinTimer)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void TfrmPanel::FormClose()
{
    MMATimer.stop();
    emit closed();   // the main window clears FrontPanel and unchecks ControlPanel1
}
