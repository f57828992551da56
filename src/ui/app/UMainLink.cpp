// TfrmMain as the meter link's host: the port list, the link-state controls,
// the status bar, and the hand-over of frames and samples to child windows.
#include "app/UMain.h"
#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/UAbout.h"
#include "link/PortAccess.h"
#include "graph/UGraph.h"
#include "panel/UPanel.h"

#include <QMenu>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>

int TfrmMain::portCount() const
{
    return ComboBoxDeviceName->count();
}

QString TfrmMain::portText(int index) const
{
    return ComboBoxDeviceName->itemText(index);
}

// Programmatic selections are not the user changing the port.
void TfrmMain::selectPort(int index)
{
    const QSignalBlocker quiet(ComboBoxDeviceName);
    ComboBoxDeviceName->setCurrentIndex(index >= 0 && index < ComboBoxDeviceName->count() ? index : -1);
}

void TfrmMain::removePort(int index)
{
    const QSignalBlocker quiet(ComboBoxDeviceName);
    ComboBoxDeviceName->removeItem(index);
}

void TfrmMain::ComboBoxDeviceNameChange(const QString& text)
{
    Link.ComboBoxDeviceNameChange(text, ComboBoxDeviceName->findText(text));
}

void TfrmMain::setControlEnabled(LinkControl control, bool enabled)
{
    QAction* action = nullptr;
    switch (control) {
    case LinkControl::btnRun: action = btnRun; break;
    case LinkControl::Run1: action = Run1; break;
    case LinkControl::btnStop: action = btnStop; break;
    case LinkControl::Stop1: action = Stop1; break;
    case LinkControl::btnDataLogger: action = btnDataLogger; break;
    case LinkControl::DataLogger1:
        // The menu itself, and its Load item, which says why it is disabled.
        DataLogger1->menuAction()->setEnabled(enabled);
        action = LoadData1;
        break;
    }
    action->setEnabled(enabled);
}

namespace {
const QString ConnectMeterFirst = QStringLiteral("Connect the meter first");
}

void TfrmMain::setStatus(const QString& deviceName, const QString& connectionText)
{
    StatusPanel0->setText(deviceName);
    StatusPanel1->setText(connectionText);
    const bool offline = connectionText == QLatin1String("Off Connection");
    btnNoMeter->setVisible(offline);
    if (offline != meterOffline) {
        meterOffline = offline;
        // A meter that stopped answering is an alarm of every watched channel.
        Alarms.linkChanged(!offline, DateTime::fromQDateTime(Clock::current().now()));
        if (offline)
            statusBar()->showMessage(ConnectMeterFirst);
        else if (statusBar()->currentMessage() == ConnectMeterFirst)
            statusBar()->clearMessage();
    }
    explainMeterControls();
}

void TfrmMain::explainMeterControls()
{
    for (QAction* a : {btnRun, Run1, btnDataLogger, LoadData1}) {
        const bool explain = meterOffline && !a->isEnabled();
        a->setToolTip(QString());   // back to the hint the action's text gives
        if (explain)
            a->setToolTip(a->toolTip() + QLatin1Char('\n') + ConnectMeterFirst);
        a->setStatusTip(explain ? ConnectMeterFirst : QString());
    }
}

void TfrmMain::setNoConnectionVisible(bool visible)
{
    if (FrontPanel)
        FrontPanel->lblNoConnection->setVisible(visible);
}

void TfrmMain::portsNotOpened(const QList<LinkHost::UnopenedPort>& ports)
{
    // Said once a run, and only when no meter was found: a port the account
    // may not open does not matter when the meter answers on another.
    QStringList reasons;
    QString inUse;
    for (const LinkHost::UnopenedPort& port : ports) {
        const bool held = PortAccess::isInUse(port.errorCode);
        const QString reason = held ? PortAccess::inUseText(port.device) : PortAccess::permissionHint(port.device);
        if (!reasons.contains(reason))
            reasons << reason;
        if (held && inUse.isEmpty())
            inUse = reason;
    }
    if (!inUse.isEmpty())
        statusBar()->showMessage(inUse);
    if (PortHintShown || reasons.isEmpty())
        return;
    PortHintShown = true;
    // The splash stays on top of everything: it must not hide the message.
    if (splash)
        splash->close();
    Prompts::current().information(QStringLiteral("No meter found.\n\n") + reasons.join(QStringLiteral("\n\n")));
}

void TfrmMain::setClearButtonEnabled(bool enabled)
{
    if (RealTimeGraph)
        RealTimeGraph->tbntClr->setEnabled(enabled);
}

void TfrmMain::showLiveFrame(const LiveFrame& frame, bool previousHold)
{
    LastFrame = frame;
    if (FrontPanel)
        FrontPanel->ShowLiveFrame(frame, previousHold);
}

bool TfrmMain::realTimeRunning() const
{
    return Session.RealTimeRunning();
}

