// The front panel as a screen reader meets it: each key a button with its
// name that the accessibility interface can press, and the drawn display
// read out as text.
#include "PanelFixture.h"
#include "panel/ClickArea.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

TEST_F(PanelFixture, KeysAreNamedButtonsThatAssistiveTechnologyCanPress)
{
    struct Key {
        ClickArea* TfrmPanel::*key;
        char letter;   // the command the key sends
    } keys[] = {
        {&TfrmPanel::btnHOLD, KeyCommands::Hold},
        {&TfrmPanel::btnRec, KeyCommands::Rec},
        {&TfrmPanel::btnCF, KeyCommands::CelsiusFahrenheit},
        {&TfrmPanel::btnT1_T2, KeyCommands::T1MinusT2},
    };
    for (const Key& k : keys) {
        ClickArea* key = panel.get()->*k.key;
        SCOPED_TRACE(key->objectName().toStdString());
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(key);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Button);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
        QAccessibleActionInterface* action = a->actionInterface();
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
        link.written.clear();
        action->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(link.letters(), QString(QLatin1Char(k.letter))) << "pressing the key sends its command";
    }
}

TEST_F(PanelFixture, TheDisplayIsReadAsText)
{
    LiveFrame f;
    f.Mode = 0;
    f.Celsius = true;
    f.Hold = true;
    f.Recording = true;
    f.T1 = 23.5f;
    f.T2 = 10.0f;
    f.T3 = -3.0f;
    f.T4 = 99.9f;
    panel->ShowLiveFrame(f, false);
    const QString spoken = QAccessible::queryAccessibleInterface(panel->imgPanel)->text(QAccessible::Description);
    EXPECT_TRUE(spoken.startsWith(QStringLiteral("T1 ") + panel->lblT1Value->text().trimmed() + QStringLiteral(" °C")))
        << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("T4 ") + panel->lblT4Value->text().trimmed())) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("HOLD"))) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("REC"))) << spoken.toStdString();
}
