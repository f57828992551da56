#pragma once
// The setup commands against the simulated meter on a real pseudo-terminal:
// a meter link connected to it (receiver attached, MainTimer on), the setup
// logic on that link, and a program clock that runs four times as fast so
// that the setup's pauses (and time-outs) stay short.

#include "../link/LinkTestSupport.h"
#include "MemoryImageBuilder.h"
#include "app/Clock.h"
#include "MeterSim.h"
#include "setup/MeterSetup.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>
#include <memory>

// Ticks run `factor` times as fast as the wall clock; the date and time of
// day stand still at `now`, so the clock the meter is set to is known.
class SetupClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9));
    // Fast enough to keep the setup's pauses short, slow enough that a reply
    // time-out (1 s of program time at least) leaves a busy machine 250 ms.
    int factor = 4;
    SetupClock() { started.start(); }
    QDateTime now() const override { return current; }
    qint64 tickMs() const override { return started.elapsed() * factor; }

private:
    QElapsedTimer started;
};

// Memory with two data sets, a 01:30 interval and parameter bytes 0x20..0x2B.
inline QByteArray setupTestMemory()
{
    metersim::MemoryImageBuilder b;
    b.currentIntervalSecs = 90;
    b.addDataSet(10);
    b.addDataSet(10);
    QByteArray image = b.build();
    for (int i = 0; i < 12; ++i)
        image[32 + i] = char(0x20 + i);
    return image;
}

class SetupFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        metersim::Options o;
        o.rateMs = 50;
        o.pacedDownload = false;
        o.registerPort = false;
        o.memory = setupTestMemory();
        sim = std::make_unique<metersim::MeterSim>(o);
        ASSERT_TRUE(sim->start());
        setup.showMessage = messageBox;
        f.host.ports = QStringList{sim->portPath()};
        // The fast clock would cut the probe's wait to 75 ms, too short for the
        // simulated meter's answer on a busy machine: wait 300 ms of real time,
        // and ask again should it still answer later.
        f.link.ProbeReplyMs = 300 * clock.factor;
        for (int attempt = 0; attempt < 5 && !f.link.Connected; ++attempt)
            f.link.ProbePorts();
        ASSERT_TRUE(f.link.Connected);
        f.mainTimer.setInterval(1000);
        f.mainTimer.start();
        ASSERT_TRUE(waitUntil([&] { return f.link.FrameSeen; }));
        sim->clearCommands();
    }

    // The messages of the setup operations, in message boxes as the program shows them.
    static void messageBox(const QString& text) { Prompts::current().information(text); }

    // The link is back as the live link needs it.
    void expectLinkGivenBack()
    {
        EXPECT_TRUE(f.link.Comm1.hasOnRxChar()) << "receiver attached";
        EXPECT_TRUE(f.mainTimer.isActive()) << "MainTimer on";
    }

    // A meter with the same options in place of one a case changed, the link on its port.
    void restartMeter()
    {
        const metersim::Options options = sim->options();
        f.link.Comm1.Close();
        sim = std::make_unique<metersim::MeterSim>(options);
        ASSERT_TRUE(sim->start());
        f.link.Comm1.setDeviceName(sim->portPath());
        f.link.Comm1.Open();
    }

    QList<QByteArray> commandWords() const
    {
        QList<QByteArray> words;
        for (const QByteArray& frame : sim->commands())
            words << frame.mid(1, 8);
        return words;
    }

    FakePrompts prompts;
    ScopedPrompts answering{prompts};
    SetupClock clock;
    ScopedClock fast{clock};
    std::unique_ptr<metersim::MeterSim> sim;
    LinkFixture f;
    MeterSetup setup{f.link, f.host, f.mainTimer};
};
