#pragma once
// A main window with its real-time graph, a fake clock, fake prompts and a
// stand-in for the meter link's timer tick.

#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/USetupRealtime.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// What the link's MainTimerTimer does for recording: count ticks, take a
// sample on a tick with a frame once RateTicks reaches the rate, and reset
// the count when three silent ticks declare the link lost.
struct FakeTickDriver {
    TfrmMain* main = nullptr;
    FakeClock* clock = nullptr;
    bool connected = true;
    bool inMainTimer = false;
    int rateTicks = 0;
    int missedTicks = 0;
    RealTimeRecorder::Readings readings{20.0f, 21.0f, 22.0f, 23.0f};
    std::uint8_t overRange = 0;   // bit c: channel c reads "OL"
    bool celsius = true;          // the unit the meter shows

    RealTimeRecorder::Link link()
    {
        return {[this] { return connected; }, [this] { return inMainTimer; },
                [this](int ticks) { rateTicks = ticks; }};
    }

    TDateTime now() const { return DateTime::fromQDateTime(clock->current); }

    void tick(bool frame = true)
    {
        clock->advance(1000);
        inMainTimer = true;
        ++rateTicks;
        if (frame) {
            missedTicks = 0;
            connected = true;
            main->LastFrame = liveFrame();
            if (main->Session.RealTimeRunning() && rateTicks >= main->Settings.RealTimeRate) {
                rateTicks = 0;
                main->takeSample(now(), readings);
            }
            main->frameTick(now());
        } else if (++missedTicks >= 3) {
            connected = false;
            rateTicks = 0;
            missedTicks = 0;
        }
        inMainTimer = false;
    }

    // The frame the meter sent last: the readings as its display shows them.
    LiveFrame liveFrame() const
    {
        LiveFrame f;
        f.T1 = readings[0];
        f.T2 = readings[1];
        f.T3 = readings[2];
        f.T4 = readings[3];
        f.OverRange = overRange;
        f.Celsius = celsius;
        return f;
    }

    void ticks(int count, bool frame = true)
    {
        for (int i = 0; i < count; ++i)
            tick(frame);
    }
};

class RealTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main = std::make_unique<TfrmMain>();
        main->DocumentFolder = docs.path() + QLatin1Char('/');
        main->Session.setXExtensionStep(10 * DateTime::OneSecond);
        driver.main = main.get();
        driver.clock = &clock;
        main->RealTime->setLink(driver.link());
        main->RealTime->CreateRealTimeGraph();
        prompts.messages.clear();   // the template notice of a fresh graph
    }

    TfrmGraph& graph() { return *main->RealTimeGraph; }
    PESGraph& chart() { return *main->RealTimeGraph->PESGraph1; }
    TDateTime now() const { return driver.now(); }

    // Answers the setup dialog with Start, `number` points and the rate mm:ss.
    void answerSetup(const QString& number, int minutes, int seconds)
    {
        prompts.dialogs.push_back([=](QDialog& d) {
            auto& setup = dynamic_cast<TfrmSetupRealTime&>(d);
            setup.edtRealTimeNo->setText(number);
            setup.ComboBox1->setCurrentIndex(minutes);
            setup.ComboBox2->setCurrentIndex(seconds);
            return int(QDialog::Accepted);
        });
    }
    void answerSetupCancel()
    {
        prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    }
    void startRun(int points, int rateSeconds)
    {
        answerSetup(QString::number(points), rateSeconds / 60, rateSeconds % 60);
        main->btnRunClick();
        ASSERT_TRUE(main->Session.RealTimeRunning());
    }
    QString recoveryFile() const { return main->RealTime->recoveryFileName(); }

    FakeClock clock;
    ScopedClock scopedClock{clock};
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    QTemporaryDir docs;
    FakeTickDriver driver;
    std::unique_ptr<TfrmMain> main;
};
