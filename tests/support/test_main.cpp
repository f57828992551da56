// Every test program starts here: widget tests need an application object,
// and they run with the offscreen platform and throw-away settings.
#include "support/FakePrompts.h"
#include "support/ScratchHome.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Offscreen always; a test may have chosen the offscreen screen's size.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never read or write the user's own settings or documents from a test.
    ScratchHome home;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TQ612"));
    QApplication::setApplicationName(QStringLiteral("TQ612"));
    // A question no test answers must never wait for a user who is not there.
    FakePrompts unattended;
    ScopedPrompts noScreen(unattended);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
