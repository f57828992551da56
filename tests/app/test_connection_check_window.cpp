// Help > Connection Check: the report in a window, the live link's own port
// described from the link instead of being asked again, and Copy.
#include "MeterSim.h"
#include "app/UConnectionCheck.h"
#include "app/UMain.h"
#include "support/FakePrompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

// The real clock: asking a port waits for its reply.
class ConnectionCheckWindow : public ::testing::Test {
protected:
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    TfrmMain main;
};

TEST_F(ConnectionCheckWindow, ShowsTheReportWithTheLinksPortAndCopiesIt)
{
    metersim::Options o;
    o.registerPort = true;  // listed like a real port
    o.rateMs = 0;
    metersim::MeterSim sim(o);
    ASSERT_TRUE(sim.start());
    main.Comm1.setDeviceName(sim.portPath());
    main.Comm1.Open();
    main.Link.Connected = true;
    main.MeterModel = 618;

    const QMenu* help = main.menuBar()->findChild<QMenu*>(QStringLiteral("Help1"));
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->actions().contains(main.ConnectionCheck1));
    EXPECT_EQ(main.ConnectionCheck1->text(), QStringLiteral("Connection C&heck"));

    QString shown, copied;
    prompts.dialogs.push_back([&](QDialog& d) {
        auto& window = dynamic_cast<TfrmConnectionCheck&>(d);
        shown = window.memReport->toPlainText();
        QGuiApplication::clipboard()->clear();
        window.btnCopy->click();
        copied = QGuiApplication::clipboard()->text();
        return int(QDialog::Accepted);
    });
    main.ConnectionCheck1->trigger();

    EXPECT_TRUE(shown.contains(sim.portPath() + QStringLiteral(" (no /dev/serial/by-id name)"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("meter: model 618, connected to this program"))) << shown.toStdString();
    EXPECT_TRUE(shown.trimmed().section(QLatin1Char('\n'), -1).startsWith(QLatin1String("verdict: the meter answers on ")))
        << shown.toStdString();
    EXPECT_EQ(copied, shown);
    EXPECT_EQ(sim.commandCount('K'), 0) << "the link's port is not opened a second time";
    EXPECT_TRUE(main.Comm1.Active());
}
