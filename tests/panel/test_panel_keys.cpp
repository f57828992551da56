// The front panel's keys: command frames, the waits for a free link, the
// short and long press of MAX/MIN/AVG, and keyboard access.
#include "PanelFixture.h"

#include "panel/ClickArea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

void click(QWidget* area)
{
    const QPointF centre = QRectF(area->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, area->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, area->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(area, &press);
    QApplication::sendEvent(area, &release);
}

void key(QWidget* target, QEvent::Type type, int code, const QString& text = {})
{
    QKeyEvent event(type, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &event);
}

TEST_F(PanelFixture, EachKeySendsItsCommandFrameAndOnlyWhenConnected)
{
    struct Case { ClickArea* TfrmPanel::*key; char letter; };
    const Case cases[] = {{&TfrmPanel::btnHOLD, 'H'}, {&TfrmPanel::btnRec, 'E'}, {&TfrmPanel::btnCF, 'C'},
                          {&TfrmPanel::btnT1_T2, 'T'}};
    for (const Case& c : cases) {
        link.written.clear();
        link.isConnected = true;
        click(panel.get()->*c.key);
        ASSERT_EQ(link.written.size(), 1) << c.letter;
        EXPECT_EQ(link.written[0], QByteArray("\x02", 1) + c.letter + QByteArray(7, '\0') + QByteArray("\x03", 1));

        link.isConnected = false;
        click(panel.get()->*c.key);
        EXPECT_EQ(link.written.size(), 1) << "sent without a link: " << c.letter;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(link.waits.isEmpty());
}

TEST_F(PanelFixture, KeyWaitsForTheTimersCommandAndForTheReceiver)
{
    link.isSendingCommand = true;
    link.isInReceive = true;
    int waitsLeft = 3;
    link.duringWait = [&] {
        link.isSendingCommand = false;
        if (--waitsLeft == 0)
            link.isInReceive = false;
    };
    panel->KeyCommand('H');
    EXPECT_EQ(link.waits.value(0), 100);
    EXPECT_EQ(link.waits.size(), 3);
    EXPECT_EQ(link.letters(), QStringLiteral("H"));
}

TEST_F(PanelFixture, ReceiverWaitEndsAfterThreeSeconds)
{
    link.isInReceive = true;   // never clears
    const qint64 start = clock.tick;
    panel->KeyCommand('C');
    EXPECT_GE(clock.tick - start, 3000);
    EXPECT_LT(clock.tick - start, 3100);
    EXPECT_EQ(link.letters(), QStringLiteral("C"));
}

TEST_F(PanelFixture, MaxMinAvgShortAndLongPress)
{
    // MMATimer ticks once a second; the tests call its handler for each tick.
    struct Case { const char* what; int ticksHeld; const char* sentWhileHeld; const char* sentInAll; };
    const Case cases[] = {
        {"click", 0, "", "M"},
        {"held 2.5 s", 2, "", "M"},
        {"held 3.5 s", 3, "N", "N"},
    };
    for (const Case& c : cases) {
        link.written.clear();
        panel->btnMMAMouseDown();
        EXPECT_TRUE(panel->mmaTimer().isActive());
        for (int tick = 0; tick < c.ticksHeld; ++tick)
            panel->MMATimerTimer();
        EXPECT_EQ(link.letters(), QLatin1String(c.sentWhileHeld)) << c.what;
        panel->btnMMAMouseUp();
        EXPECT_EQ(link.letters(), QLatin1String(c.sentInAll)) << c.what;
        EXPECT_FALSE(panel->mmaTimer().isActive()) << c.what;
        EXPECT_FALSE(panel->mmaPressed()) << c.what;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(PanelFixture, MaxMinAvgWithoutALinkSaysSoAndSendsNothing)
{
    link.isConnected = false;
    panel->btnMMAMouseDown();
    panel->btnMMAMouseUp();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("No Connection")});
    // The timer runs out on its third tick without sending.
    for (int tick = 0; tick < 3; ++tick)
        panel->MMATimerTimer();
    EXPECT_TRUE(link.written.isEmpty());
    EXPECT_FALSE(panel->mmaTimer().isActive());
}

TEST_F(PanelFixture, MaxMinAvgReleaseWaitsForTheTimersCommand)
{
    link.isSendingCommand = true;
    link.duringWait = [&] { link.isSendingCommand = false; };
    panel->btnMMAMouseDown();
    panel->btnMMAMouseUp();
    EXPECT_EQ(link.waits.value(0), 100);
    EXPECT_EQ(link.letters(), QStringLiteral("M"));
}

TEST_F(PanelFixture, LongPressFiresOnTheThirdTickOfTheRealTimer)
{
    panel->setMmaTimerInterval(5);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), panel->btnMMA->mapToGlobal(QPointF(5, 5)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);   // any button presses the key
    QApplication::sendEvent(panel->btnMMA, &press);
    QElapsedTimer waited;
    waited.start();
    while (link.written.isEmpty() && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(link.letters(), QStringLiteral("N"));
    EXPECT_FALSE(panel->mmaTimer().isActive());

    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), panel->btnMMA->mapToGlobal(QPointF(5, 5)),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel->btnMMA, &release);
    EXPECT_EQ(link.letters(), QStringLiteral("N"));
}

TEST_F(PanelFixture, KeyboardReachesEveryKey)
{
    for (auto [code, text] : {std::pair{Qt::Key_H, "h"}, {Qt::Key_R, "r"}, {Qt::Key_C, "c"}, {Qt::Key_T, "t"}}) {
        key(panel.get(), QEvent::KeyPress, code, QLatin1String(text));
        key(panel.get(), QEvent::KeyRelease, code, QLatin1String(text));
    }
    key(panel.get(), QEvent::KeyPress, Qt::Key_M, QStringLiteral("m"));
    EXPECT_TRUE(panel->mmaPressed());
    key(panel.get(), QEvent::KeyRelease, Qt::Key_M, QStringLiteral("m"));
    // Space on a focused key area presses it like the mouse.
    key(panel->btnHOLD, QEvent::KeyPress, Qt::Key_Space, QStringLiteral(" "));
    key(panel->btnHOLD, QEvent::KeyRelease, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(link.letters(), QStringLiteral("HECTMH"));
}

TEST_F(PanelFixture, ClickAreasAreNamedAndHinted)
{
    for (const char* name : {"btnClose", "btnHOLD", "btnRec", "btnCF", "btnT1_T2", "btnMMA"}) {
        auto* area = panel->findChild<ClickArea*>(QLatin1String(name));
        ASSERT_NE(area, nullptr) << name;
        EXPECT_EQ(area->cursor().shape(), Qt::PointingHandCursor) << name;
        EXPECT_NE(area->focusPolicy() & Qt::TabFocus, 0) << name;
    }
    EXPECT_EQ(panel->btnClose->toolTip(), QStringLiteral("Close PANEL"));
    EXPECT_EQ(panel->btnMMA->toolTip(),
              QStringLiteral("single click to change AVG/MAX/MIN mode, mouse down 2 seconds  to cancel ."));
}

} // namespace
