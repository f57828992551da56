// The first start: the splash gives way to the first message instead of
// hiding it, and the ports that would not open are told once, together.
#include "app/UAbout.h"
#include "app/UMain.h"
#include "link/PortAccess.h"
#include "support/FakePrompts.h"

#include <QCoreApplication>
#include <QPointer>
#include <cerrno>
#include <gtest/gtest.h>

TEST(FirstStart, TheSplashGivesWayToTheMessageThatNamesEveryPortThatWouldNotOpen)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    QPointer<TfrmAbout> splash = new TfrmAbout;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    TfrmMain window(splash);
    window.portsNotOpened({{QStringLiteral("/dev/ttyS0"), EACCES}, {QStringLiteral("/dev/ttyUSB0"), EBUSY}});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!splash || !splash->isVisible()) << "the splash is gone before the message shows";
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("No meter found.\n\n") + PortAccess::permissionHint(QStringLiteral("/dev/ttyS0"))
                                            + QStringLiteral("\n\n") + PortAccess::inUseText(QStringLiteral("/dev/ttyUSB0"))});
    // A later probe says nothing more.
    window.portsNotOpened({{QStringLiteral("/dev/ttyS0"), EACCES}});
    EXPECT_EQ(prompts.messages.size(), 1);
}
