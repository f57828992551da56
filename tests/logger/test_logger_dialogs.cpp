// The error dialog and the data retrieving progress dialog: their texts,
// buttons and results.
#include "files/UScope.h"
#include "logger/RetrievingProgress.h"
#include "logger/UErr.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(TfrmErr, ButtonsGiveTheirResults)
{
    TfrmErr dialog;
    EXPECT_EQ(dialog.windowTitle(), "Error Message");
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "fixed size";
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    struct Case { QPushButton* button; const char* text; int result; };
    const Case cases[] = {
        {dialog.Button2, "Try Again", 4},
        {dialog.Button1, "Fixed the error ", 1},
        {dialog.Button3, "Cancel", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.button->text(), c.text);
        dialog.setResult(0);
        c.button->click();
        EXPECT_EQ(dialog.result(), c.result) << c.text;
    }
}

TEST(RetrievingProgress, ShowsTotalAndReceivedAndClosesWithItsOwner)
{
    QWidget main;
    auto progress = openRetrievingProgress(320, &main);
    auto* dialog = main.findChild<TfrmScope*>(QStringLiteral("frmScope"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->mode(), TfrmScope::Mode::DataRetrieving);
    EXPECT_EQ(dialog->windowTitle(), "Data Retriving Progress");
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("Progress1"));
    const auto label = [&](const char* name) { return dialog->findChild<QLabel*>(QLatin1String(name))->text(); };
    EXPECT_EQ(bar->maximum(), 320);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(label("lblTotalBytes"), "320");
    EXPECT_EQ(label("lblBytesReceived"), "0");
    EXPECT_EQ(label("SText1"), "bytes received");
    EXPECT_EQ(label("SText2"), "total bytes");
    progress->setReceived(128);
    EXPECT_EQ(bar->value(), 128);
    EXPECT_EQ(label("lblBytesReceived"), "128");
    progress.reset();
    EXPECT_FALSE(main.findChild<QDialog*>(QStringLiteral("frmScope")));

    // A main window that goes first takes the dialog with it.
    auto orphan = std::make_unique<QWidget>();
    progress = openRetrievingProgress(64, orphan.get());
    orphan.reset();
    progress->setReceived(64);
    progress.reset();
}

TEST(RetrievingProgress, CancelAsksTheTransferToStop)
{
    QWidget main;
    auto progress = openRetrievingProgress(640, &main);
    auto* dialog = main.findChild<TfrmScope*>(QStringLiteral("frmScope"));
    ASSERT_TRUE(dialog);
    auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("BitBtn2"));
    ASSERT_TRUE(cancel);
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_FALSE(progress->cancelled());
    cancel->click();
    EXPECT_TRUE(progress->cancelled());
}
