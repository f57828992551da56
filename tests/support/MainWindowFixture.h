#pragma once
// A main window whose frame for child windows is on screen, a throw-away
// folder, answered prompts and a fake clock: the fixture of the tests that
// drive the main window's commands.

#include "app/UMain.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class MainWindowFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    FakeClock clock;
    ScopedClock scopedClock{clock};
    TfrmMain main;
    std::unique_ptr<QMdiArea> frame;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Child windows become active only in a visible frame; showing the
        // main window itself would start the meter probe.
        frame.reset(main.MdiArea);
        frame->setParent(nullptr);
        frame->show();
    }

    // Shows `child` as the active child window.
    void activate(QWidget* child)
    {
        QMdiSubWindow* sub = main.addChild(child);
        sub->show();
        main.MdiArea->setActiveSubWindow(sub);
    }
};
