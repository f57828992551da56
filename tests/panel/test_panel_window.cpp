// The front panel as a child window of the main window: creation from the
// View menu, closing, moving, activation, and frames across a reopened panel.
#include "app/Regional.h"
#include "app/UMain.h"
#include "link/LiveFrame.h"
#include "panel/ClickArea.h"
#include "panel/UPanel.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

class MainWindowPanel : public ::testing::Test {
protected:
    MainWindowPanel() : scopedPrompts(prompts) { main = std::make_unique<TfrmMain>(); }

    QMdiSubWindow* frame() const
    {
        return main->FrontPanel ? qobject_cast<QMdiSubWindow*>(main->FrontPanel->parentWidget()) : nullptr;
    }
    void closePanelWithItsCloseArea()
    {
        QMetaObject::invokeMethod(main->FrontPanel->btnClose, &ClickArea::clicked);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    FakePrompts prompts;
    ScopedPrompts scopedPrompts;
    std::unique_ptr<TfrmMain> main;
};

TEST_F(MainWindowPanel, ViewControlPanelCreatesClosesAndRestores)
{
    ASSERT_FALSE(main->FrontPanel);
    main->ControlPanel1->trigger();
    ASSERT_TRUE(main->FrontPanel);
    EXPECT_TRUE(main->ControlPanel1->isChecked());
    ASSERT_NE(frame(), nullptr);
    EXPECT_EQ(frame()->pos(), QPoint(0, 0));
    EXPECT_EQ(frame()->size(), QSize(160, 493));
    EXPECT_TRUE(frame()->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(main->FrontPanel->geometry(), QRect(0, 0, 160, 493));

    closePanelWithItsCloseArea();
    EXPECT_FALSE(main->FrontPanel);
    EXPECT_FALSE(main->ControlPanel1->isChecked());
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());

    main->ControlPanel1->trigger();
    ASSERT_TRUE(main->FrontPanel);
    EXPECT_TRUE(main->ControlPanel1->isChecked());

    // With the panel open the item restores it instead of making a second one.
    TfrmPanel* first = main->FrontPanel;
    frame()->showMinimized();
    main->ControlPanel1->trigger();
    EXPECT_EQ(main->FrontPanel.data(), first);
    EXPECT_FALSE(frame()->isMinimized());
    EXPECT_TRUE(main->ControlPanel1->isChecked());
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1);
}

TEST_F(MainWindowPanel, DraggingThePictureMovesThePanel)
{
    main->ControlPanel1Click();
    QLabel* picture = main->FrontPanel->imgPanel;
    const QPoint start(80, 200);
    const auto send = [picture, start](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(start), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(picture, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(30, 40), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPoint(30, 40), Qt::NoButton);
    EXPECT_EQ(frame()->pos(), QPoint(30, 40));
    send(QEvent::MouseMove, start + QPoint(90, 90), Qt::NoButton);
    EXPECT_EQ(frame()->pos(), QPoint(30, 40));
}

TEST_F(MainWindowPanel, ActivatingThePanelDisablesOutputToGraph)
{
    main->ControlPanel1Click();
    auto* other = main->addChild(new QWidget);
    other->show();
    main->MdiArea->setActiveSubWindow(other);
    main->btnOutputToGraph->setEnabled(true);
    main->MdiArea->setActiveSubWindow(frame());
    EXPECT_FALSE(main->btnOutputToGraph->isEnabled());
}

TEST_F(MainWindowPanel, FramesReachThePanelOnlyWhileItExists)
{
    LiveFrame f;
    f.T1 = 21.5f;
    main->showLiveFrame(f, false);   // no panel: nothing to show, nothing breaks
    main->setNoConnectionVisible(true);

    main->ControlPanel1Click();
    main->showLiveFrame(f, false);
    EXPECT_EQ(main->FrontPanel->lblT1Value->text(), Regional::fixed(21.5, 1));
    main->setNoConnectionVisible(true);
    EXPECT_TRUE(main->FrontPanel->lblNoConnection->isVisibleTo(main->FrontPanel));
    main->setNoConnectionVisible(false);
    EXPECT_FALSE(main->FrontPanel->lblNoConnection->isVisibleTo(main->FrontPanel));
}

TEST_F(MainWindowPanel, PanelReopenedDuringHoldStaysFrozenUntilOneFrameAfterRelease)
{
    // PreviousHold belongs to the decoder and follows every frame, panel or not.
    bool previousHold = false;
    const auto decode = [&](bool hold, float t1) {
        LiveFrame f;
        f.Hold = hold;
        f.T1 = t1;
        main->showLiveFrame(f, previousHold);
        previousHold = hold;
    };
    main->ControlPanel1Click();
    decode(false, 1.0f);
    decode(true, 2.0f);
    closePanelWithItsCloseArea();
    decode(true, 3.0f);

    main->ControlPanel1Click();
    const QString dashes = QStringLiteral("-------");
    decode(true, 4.0f);
    EXPECT_EQ(main->FrontPanel->lblT1Value->text(), dashes);
    EXPECT_TRUE(main->FrontPanel->imgHOLD->isVisibleTo(main->FrontPanel));
    decode(false, 5.0f);
    EXPECT_EQ(main->FrontPanel->lblT1Value->text(), dashes);
    decode(false, 6.0f);
    EXPECT_EQ(main->FrontPanel->lblT1Value->text(), Regional::fixed(6.0, 1));
}

TEST_F(MainWindowPanel, BlinkRunsOnWhileThePanelIsClosed)
{
    main->ControlPanel1Click();
    LiveFrame both;
    both.Mode = 3;
    main->showLiveFrame(both, false);
    EXPECT_TRUE(main->MaxMinTimer.isActive());
    main->MaxMinTimerTimer();
    EXPECT_TRUE(main->FrontPanel->lblMAX->isVisibleTo(main->FrontPanel));

    closePanelWithItsCloseArea();
    main->MaxMinTimerTimer();
    EXPECT_FALSE(main->MaxMinState.BlinkPhase);
    main->MaxMinTimerTimer();
    EXPECT_TRUE(main->MaxMinState.BlinkPhase);
}

TEST_F(MainWindowPanel, KeysWithoutAMeterLinkSendNothing)
{
    main->ControlPanel1Click();
    // The stand-in link is never connected: the keys stay silent.
    main->FrontPanel->btnHOLDClick();
    main->FrontPanel->btnMMAMouseDown();
    main->FrontPanel->btnMMAMouseUp();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("No Connection")});
}

} // namespace
