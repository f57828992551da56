// Without a meter, the disabled Run and Load say why: in their tooltips, and
// in the status bar when the link goes and when the pointer rests on them.
#include "LinkTestSupport.h"
#include "MeterSim.h"
#include "app/UMain.h"
#include "support/FakePrompts.h"
#include "support/MainWindowStart.h"

#include <QAction>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString Why = QStringLiteral("Connect the meter first");

struct Hint {
    const char* name;
    QAction* TfrmMain::*action;
    const char* plainTip;
};
const Hint Hints[] = {
    {"btnRun", &TfrmMain::btnRun, "Start Graphing Real Time Data"},
    {"Run1", &TfrmMain::Run1, "Run"},
    {"btnDataLogger", &TfrmMain::btnDataLogger, "Data Logger"},
    {"LoadData1", &TfrmMain::LoadData1, "Load"},
};

// What the status bar shows while the pointer rests on a tool button.
QString statusWhileHovering(TfrmMain& window, QAction* action)
{
    auto* button = qobject_cast<QToolButton*>(window.Panel1->widgetForAction(action));
    if (!button)
        return QStringLiteral("<no button>");
    window.statusBar()->clearMessage();
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(button, &enter);
    return window.statusBar()->currentMessage();
}

} // namespace

TEST(MeterHints, RunAndLoadSayWhyTheyAreDisabled)
{
    metersim::Options o;
    o.model = 612;
    o.rateMs = 50;
    metersim::MeterSim sim(o);
    ASSERT_TRUE(sim.start());
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    showWithOnlyPort(window, sim.portPath());
    ASSERT_TRUE(waitUntil([&] { return window.StatusPanel1->text() == QStringLiteral("On Connection"); }));
    window.MainTimer.stop();   // the test drives the ticks

    // With the meter: plain hints, nothing in the status bar.
    for (const Hint& h : Hints) {
        SCOPED_TRACE(h.name);
        QAction* a = window.*h.action;
        EXPECT_TRUE(a->isEnabled());
        EXPECT_EQ(a->toolTip(), QLatin1String(h.plainTip));
        EXPECT_TRUE(a->statusTip().isEmpty());
    }
    EXPECT_NE(window.statusBar()->currentMessage(), Why);

    // The meter falls silent: three ticks without a frame lose the link.
    sim.setSilent(true);
    QThread::msleep(120);
    QCoreApplication::processEvents();
    for (int tick = 0; tick < 4; ++tick)
        window.Link.MainTimerTimer();
    ASSERT_EQ(window.StatusPanel1->text(), QStringLiteral("Off Connection"));
    EXPECT_EQ(window.statusBar()->currentMessage(), Why);
    for (const Hint& h : Hints) {
        SCOPED_TRACE(h.name);
        QAction* a = window.*h.action;
        EXPECT_FALSE(a->isEnabled());
        EXPECT_EQ(a->toolTip(), QLatin1String(h.plainTip) + QLatin1Char('\n') + Why);
        EXPECT_EQ(a->statusTip(), Why);
    }
    EXPECT_EQ(statusWhileHovering(window, window.btnRun), Why);
    EXPECT_EQ(statusWhileHovering(window, window.btnDataLogger), Why);

    // The meter is back: the reasons go.
    sim.setSilent(false);
    ASSERT_TRUE(waitUntil([&] { return window.StatusPanel1->text() == QStringLiteral("On Connection"); }));
    EXPECT_NE(window.statusBar()->currentMessage(), Why);
    for (const Hint& h : Hints) {
        SCOPED_TRACE(h.name);
        EXPECT_EQ((window.*h.action)->toolTip(), QLatin1String(h.plainTip));
        EXPECT_TRUE((window.*h.action)->statusTip().isEmpty());
    }
    EXPECT_TRUE(statusWhileHovering(window, window.btnRun).isEmpty());
}

// Stop stays disabled while no recording runs, meter or not: it needs no reason.
TEST(MeterHints, StopAndOtherDisabledCommandsGetNoReason)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    window.setStatus(QStringLiteral("/dev/none"), QStringLiteral("Off Connection"));
    EXPECT_EQ(window.btnStop->toolTip(), QStringLiteral("Stop Graphing Real Time Data"));
    EXPECT_EQ(window.btnOutputToGraph->toolTip(), QStringLiteral("Output Tabular to graph"));
    // Load is still enabled after a start without a meter: it answers for itself when used.
    EXPECT_TRUE(window.LoadData1->isEnabled());
    EXPECT_EQ(window.LoadData1->toolTip(), QStringLiteral("Load"));
    EXPECT_EQ(window.btnRun->toolTip(), QStringLiteral("Start Graphing Real Time Data\n") + Why);
}
