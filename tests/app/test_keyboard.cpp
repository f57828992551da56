// The keyboard reaches every menu and item: each menu of the menu bar, and
// each item within its menu, has a mnemonic of its own, and the real-time
// run starts and stops with F5 and Shift+F5.
#include "app/UMain.h"
#include "panel/UPanel.h"
#include "support/FakePrompts.h"
#include "support/MainWindowStart.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace {

// The mnemonic letters of the visible, named entries; a repeated or missing one fails.
void expectOwnMnemonics(const QList<QAction*>& actions, const QString& where)
{
    QMap<QKeySequence, QString> taken;
    for (const QAction* a : actions) {
        if (a->isSeparator() || !a->isVisible() || a->text().isEmpty())
            continue;
        const QKeySequence key = QKeySequence::mnemonic(a->text());
        EXPECT_FALSE(key.isEmpty()) << where.toStdString() << ": \"" << a->text().toStdString() << "\" has no mnemonic";
        if (key.isEmpty())
            continue;
        EXPECT_FALSE(taken.contains(key)) << where.toStdString() << ": \"" << a->text().toStdString()
                                          << "\" shares its mnemonic with \"" << taken.value(key).toStdString() << '"';
        taken.insert(key, a->text());
    }
}

} // namespace

TEST(Keyboard, EveryMenuAndItemHasItsOwnMnemonicAndRunAndStopHaveKeys)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    const QList<QAction*> menus = window.menuBar()->actions();
    expectOwnMnemonics(menus, QStringLiteral("menu bar"));
    for (QAction* entry : menus) {
        QMenu* menu = entry->menu();
        ASSERT_NE(menu, nullptr);
        emit menu->aboutToShow();   // menus that are filled as they open
        expectOwnMnemonics(menu->actions(), menu->title());
    }
    EXPECT_EQ(window.Run1->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(window.Stop1->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F5));
}

TEST(WindowMenu, WindowsOfOneFileAreToldApart)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    for (int i = 0; i < 3; ++i) {
        auto* child = new QWidget;
        child->setWindowTitle(i < 2 ? QStringLiteral("run1.txt") : QStringLiteral("run2.txt"));
        window.addChild(child);
    }
    emit window.Window1->aboutToShow();
    QStringList entries;
    for (const QAction* a : window.Window1->actions()) {
        if (!a->isSeparator() && a->text().startsWith(QLatin1Char('&')) && a->text().at(1).isDigit())
            entries << a->text().section(QLatin1Char(' '), 1);
    }
    EXPECT_TRUE(entries.contains(QStringLiteral("run1.txt")));
    EXPECT_TRUE(entries.contains(QStringLiteral("run1.txt (2)")));
    EXPECT_TRUE(entries.contains(QStringLiteral("run2.txt")));
    EXPECT_EQ(entries.removeDuplicates(), 0) << entries.join(QStringLiteral(", ")).toStdString();
}

TEST(WindowMenu, TheFrontPanelCanBeMinimisedAndBroughtBack)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    showWithOnlyPort(window, QStringLiteral("/nonexistent/ttyTQ612"));
    for (int i = 0; i < 50 && !window.FrontPanel; ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(window.FrontPanel);
    auto* frame = qobject_cast<QMdiSubWindow*>(window.FrontPanel->parentWidget());
    ASSERT_NE(frame, nullptr);
    window.MdiArea->setActiveSubWindow(frame);
    emit window.Window1->aboutToShow();
    ASSERT_TRUE(window.Minimize1->isEnabled());
    window.Minimize1->trigger();
    EXPECT_TRUE(frame->isMinimized());

    // Its entry in the Window menu brings it back.
    emit window.Window1->aboutToShow();
    for (QAction* a : window.Window1->actions()) {
        if (a->text().endsWith(frame->windowTitle()) && a->text().startsWith(QLatin1Char('&')))
            a->trigger();
    }
    EXPECT_FALSE(frame->isMinimized());
}
