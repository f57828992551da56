// While the meter setup holds Comm1 (frame receiver detached), neither the
// panel's keys nor the Load command may talk to the meter.
#include "app/UMain.h"
#include "logger/LoggerLink.h"
#include "panel/PanelLink.h"

#include <gtest/gtest.h>

TEST(SetupHoldsThePort, KeysAndLoadWaitForTheLiveLink)
{
    TfrmMain window;
    window.Link.Connected = true;

    window.Link.attachReceiver();
    EXPECT_TRUE(window.FrontPanelLink->connected());
    EXPECT_TRUE(window.DataLoggerLink->Connected());

    window.Link.detachReceiver();   // what command mode does
    EXPECT_FALSE(window.FrontPanelLink->connected());
    EXPECT_FALSE(window.DataLoggerLink->Connected());
}
