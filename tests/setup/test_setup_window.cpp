// The setup window: opened from the hidden Setup item, its controls and
// texts, one window at most, and its reference cleared on closing.
#include "app/UMain.h"
#include "setup/MeterSetup.h"
#include "setup/USetup.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>


TEST(SetupWindow, HiddenItemOpensOneWindowWithTheControlsAndTexts)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain main;
    EXPECT_FALSE(main.Setup1->isVisible());
    EXPECT_EQ(main.Setup1->text(), QStringLiteral("&Setup"));

    main.Setup1->trigger();
    ASSERT_TRUE(main.frmSetup);
    TfrmSetup& w = *main.frmSetup;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Data Logger Setup"));
    EXPECT_EQ(w.Button1->text(), QStringLiteral("Adjust Meter Time To Computer Time"));
    EXPECT_EQ(w.Button2->text(), QStringLiteral("Adjust Meter Recording Interval "));
    EXPECT_EQ(w.Button3->text(), QStringLiteral("Erase Meter Memory"));
    EXPECT_EQ(w.Button4->text(), QStringLiteral("Read  "));
    EXPECT_EQ(w.Button5->text(), QStringLiteral("ALL"));
    EXPECT_TRUE(w.Button5->font().bold());
    EXPECT_TRUE(w.lblsetuptime->font().bold());
    EXPECT_EQ(w.edtInt1->text(), QStringLiteral("00"));
    EXPECT_EQ(w.edtInt2->text(), QStringLiteral("02"));
    for (const QLabel* status : {w.lblsetuptime, w.lblsetupint, w.lblerase, w.lblread})
        EXPECT_EQ(status->text(), QStringLiteral("OK"));

    QStringList groups;
    for (const auto* g : w.findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_EQ(groups, (QStringList{QStringLiteral("Meter Recording Interval "),
                                   QStringLiteral("Meter DataLogger Information"), QStringLiteral("argument")}));
    QStringList labels;
    for (const auto* l : w.findChildren<QLabel*>())
        labels << l->text();
    for (const char* caption : {"mm:ss(00:01~59:59)", "Firmware Version::", "Meter Time:", "Recording Interval:",
                                "Data Sets In Memory:", "Memory Available:", "Tspsn(20 21 22)", "Toffset(23 24)",
                                "TLcnt(25 26)", "THcnt(27 28)", "Tcoffset", "Extoffset"})
        EXPECT_TRUE(labels.contains(QLatin1String(caption))) << caption;
    for (int i = 32; i <= 43; ++i)
        EXPECT_TRUE(w.findChild<QLineEdit*>(QStringLiteral("edt%1").arg(i))) << i;

    // Shown texts follow the setup's.
    main.Setup->display.lblDataSets = QStringLiteral("7");
    main.Setup->display.parameters[11] = QStringLiteral("AB");
    main.Setup->displayChanged();
    EXPECT_EQ(w.lblDataSets->text(), QStringLiteral("7"));
    EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("edt43"))->text(), QStringLiteral("AB"));

    // Again while minimised: the same window comes back.
    auto* frame = qobject_cast<QMdiSubWindow*>(w.parentWidget());
    ASSERT_TRUE(frame);
    frame->showMinimized();
    main.Setup1->trigger();
    EXPECT_EQ(main.frmSetup.data(), &w);
    EXPECT_FALSE(frame->isMinimized());
    const auto windows = main.MdiArea->subWindowList();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QMdiSubWindow* s) { return qobject_cast<TfrmSetup*>(s->widget()) != nullptr; }),
              1);

    // Closing frees it and clears the reference; the commands' state stays.
    main.Setup->ReplyTimeout = 1000;
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(main.frmSetup);
    main.Setup1->trigger();
    ASSERT_TRUE(main.frmSetup);
    EXPECT_EQ(main.Setup->ReplyTimeout, 1000);
}

TEST(SetupWindow, StatusChangesKeepTypedParametersAndANewWindowStartsWithoutOldReadings)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain main;
    main.Setup1->trigger();
    ASSERT_TRUE(main.frmSetup);
    MeterSetup::Display& d = main.Setup->display;
    d.lblFirmwareVersion = QStringLiteral("12");
    d.lblDataSets = QStringLiteral("3");
    d.parameters.fill(QStringLiteral("20"));
    main.Setup->displayChanged();

    auto* edt35 = main.frmSetup->findChild<QLineEdit*>(QStringLiteral("edt35"));
    edt35->setText(QStringLiteral("7F"));
    // Status labels change as an operation runs and ends.
    for (const char* status : {"", "fail"}) {
        d.lblerase = QLatin1String(status);
        main.Setup->displayChanged();
        EXPECT_EQ(edt35->text(), QStringLiteral("7F")) << "what the user typed stays";
    }
    EXPECT_EQ(main.frmSetup->lblerase->text(), QStringLiteral("fail"));

    auto* frame = qobject_cast<QMdiSubWindow*>(main.frmSetup->parentWidget());
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.Setup1->trigger();
    ASSERT_TRUE(main.frmSetup);
    TfrmSetup& again = *main.frmSetup;
    for (const QLabel* info : {again.lblFirmwareVersion, again.lblMeterTime, again.lblInt, again.lblDataSets,
                               again.lblMemoryAvailable})
        EXPECT_TRUE(info->text().isEmpty()) << info->objectName().toStdString();
    for (const QLineEdit* edit : again.parameterEdits)
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    for (const QLabel* status : {again.lblsetuptime, again.lblsetupint, again.lblerase, again.lblread})
        EXPECT_EQ(status->text(), QStringLiteral("OK"));
}
