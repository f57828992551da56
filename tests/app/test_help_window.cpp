// F1 shows the user guide in a window of the program, with its contents'
// links, Back and Forward, and Find; a guide that is missing is said there.
#include "app/AppPaths.h"
#include "app/HelpWindow.h"
#include "app/UMain.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QLineEdit>
#include <QTextBrowser>
#include <QUrl>
#include <gtest/gtest.h>

TEST(HelpWindow, F1ShowsTheGuideInAWindowOfTheProgram)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    window.Contents1->trigger();
    auto* help = window.findChild<THelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->browser->toPlainText().isEmpty());
    window.Contents1->trigger();
    EXPECT_EQ(window.findChildren<THelpWindow*>().size(), 1) << "F1 again shows the same window";
}

TEST(HelpWindow, TheGuideHasItsLinksBackForwardAndFind)
{
    THelpWindow window;
    THelpWindow* help = &window;
    help->showGuide(QStringLiteral(TQ612_SOURCE_DIR "/resources/TQ612HELP.htm"));
    EXPECT_TRUE(help->browser->toPlainText().contains(QStringLiteral("Four Channel Thermometer Software")));
    EXPECT_FALSE(help->actBack->isEnabled());

    help->browser->setSource(QUrl(QStringLiteral("#printing")));   // as the contents' link does
    EXPECT_TRUE(help->actBack->isEnabled());
    help->actBack->trigger();
    EXPECT_TRUE(help->actForward->isEnabled());
    help->actForward->trigger();
    EXPECT_EQ(help->browser->source().fragment(), QStringLiteral("printing"));

    help->edtFind->setText(QStringLiteral("Printer Setup"));
    EXPECT_TRUE(help->findNext());
    EXPECT_EQ(help->browser->textCursor().selectedText(), QStringLiteral("Printer Setup"));
    help->edtFind->setText(QStringLiteral("no such words here"));
    EXPECT_FALSE(help->findNext());
}

TEST(HelpWindow, AMissingGuideIsSaidInTheWindow)
{
    THelpWindow help;
    help.showGuide(QStringLiteral("/nonexistent/TQ612HELP.htm"));
    EXPECT_TRUE(help.browser->toPlainText().contains(QStringLiteral("not installed")));
}
