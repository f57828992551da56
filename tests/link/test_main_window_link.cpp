// The main window with the meter link: port list, status bar, controls, closing.
#include "LinkTestSupport.h"
#include "support/MainWindowStart.h"
#include "MeterSim.h"
#include "app/UMain.h"
#include "support/FakePrompts.h"

#include <QMenu>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QLineEdit>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

class MainWindowLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        metersim::Options o;
        o.model = 618;
        o.rateMs = 50;
        sim = std::make_unique<metersim::MeterSim>(o);  // registers its port in the settings
        ASSERT_TRUE(sim->start());
        window = std::make_unique<TfrmMain>();
    }

    // Starts the window with the simulated meter as the only port.
    void showWithTheSimulatorOnly()
    {
        showWithOnlyPort(*window, sim->portPath());
        ASSERT_TRUE(waitUntil([&] { return window->StatusPanel1->text() == QStringLiteral("On Connection"); }));
    }

    // Start-up questions (a missing graph template, samples to recover) are answered here.
    FakePrompts prompts;
    ScopedPrompts answering{prompts};
    std::unique_ptr<metersim::MeterSim> sim;
    std::unique_ptr<TfrmMain> window;
};

TEST_F(MainWindowLink, PortListEndsWithRegisteredPortsAndSelectsTheFirst)
{
    QComboBox* list = window->ComboBoxDeviceName;
    ASSERT_GE(list->count(), 1);
    EXPECT_EQ(list->itemText(list->count() - 1), sim->portPath());
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(window->Comm1.DeviceName(), TComPort::devicePathFor(list->itemText(0)));
    EXPECT_TRUE(list->isEditable());
}

TEST_F(MainWindowLink, StartUpFindsTheMeterAndClosingRemembersIt)
{
    showWithTheSimulatorOnly();
    EXPECT_EQ(window->StatusPanel0->text(), sim->portPath());
    EXPECT_EQ(window->MeterModel, 618);
    EXPECT_TRUE(window->btnRun->isEnabled());
    EXPECT_TRUE(window->Run1->isEnabled());
    EXPECT_FALSE(window->btnStop->isEnabled());
    EXPECT_TRUE(window->LoadData1->isEnabled());
    EXPECT_TRUE(window->MainTimer.isActive());
    EXPECT_TRUE(waitUntil([&] { return window->Link.FrameSeen; }));

    window->close();
    EXPECT_FALSE(window->Comm1.Active());
    const auto settings = AppSettings::load();
    EXPECT_EQ(settings.LastConnectedModel, 618);
    EXPECT_EQ(settings.LastConnectedPort, 0);
}

TEST_F(MainWindowLink, ASilentMeterTurnsTheLinkControlsOff)
{
    showWithTheSimulatorOnly();
    window->MainTimer.stop();  // the test drives the ticks
    sim->setSilent(true);
    QThread::msleep(120);
    QCoreApplication::processEvents();
    for (int tick = 0; tick < 4; ++tick)
        window->Link.MainTimerTimer();
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("Off Connection"));
    EXPECT_FALSE(window->btnRun->isEnabled());
    EXPECT_FALSE(window->Run1->isEnabled());
    EXPECT_FALSE(window->btnDataLogger->isEnabled());
    EXPECT_FALSE(window->LoadData1->isEnabled());
    EXPECT_FALSE(window->DataLogger1->menuAction()->isEnabled()) << "the Data Logger menu itself";
    EXPECT_TRUE(window->btnNoMeter->isVisibleTo(window.get())) << "the status bar offers the connection check";

    sim->setSilent(false);
    EXPECT_TRUE(waitUntil([&] { return window->StatusPanel1->text() == QStringLiteral("On Connection"); }));
    EXPECT_TRUE(window->LoadData1->isEnabled());
    EXPECT_TRUE(window->DataLogger1->menuAction()->isEnabled());
    EXPECT_FALSE(window->btnNoMeter->isVisibleTo(window.get()));
}

TEST_F(MainWindowLink, TypingAPortNameChangesThePortOnEveryKeystroke)
{
    QLineEdit* edit = window->ComboBoxDeviceName->lineEdit();
    edit->clear();
    edit->insert(QStringLiteral("t"));
    EXPECT_EQ(window->Comm1.DeviceName(), QStringLiteral("/dev/t"));
    edit->insert(QStringLiteral("t"));
    EXPECT_EQ(window->Comm1.DeviceName(), QStringLiteral("/dev/tt"));
    EXPECT_EQ(window->Settings.LastConnectedPort, -1);

    edit->setText(sim->portPath());  // the registered entry, typed out in full
    EXPECT_TRUE(window->Comm1.Active());
    EXPECT_EQ(window->Settings.LastConnectedPort, window->ComboBoxDeviceName->count() - 1);
}

} // namespace
