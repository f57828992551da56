// Real-time recording end to end: the simulated meter sends its live frames
// over a pseudo-terminal to the main window's link, whose timer ticks (driven
// here) put samples into the real-time graph.
#include "../link/LinkTestSupport.h"
#include "support/MainWindowStart.h"
#include "MeterSim.h"
#include "app/Regional.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "realtime/USetupRealtime.h"
#include "support/FakePrompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>
#include <memory>

namespace {

using Readings = std::array<float, 4>;

class RealTimeWithMeter : public ::testing::Test {
protected:
    void SetUp() override
    {
        metersim::Options o;
        o.model = 618;
        o.rateMs = 0;   // a frame only when the test sends one
        sim = std::make_unique<metersim::MeterSim>(o);
        ASSERT_TRUE(sim->start());
        window = std::make_unique<TfrmMain>();
        showWithOnlyPort(*window, sim->portPath());
        // Start-up finds the meter and asks it for frames once its receiver is
        // listening. From then on one frame at a time is in flight, and each is
        // handled before the next is sent, so LatestReadings always hold the
        // frame the test sent last, however slowly the machine runs.
        ASSERT_TRUE(waitUntil([&] { return sim->commandCount('a') >= 1; }, 10000));
        window->MainTimer.stop();   // the test drives the ticks
        frame();
        ASSERT_EQ(window->StatusPanel1->text(), QStringLiteral("On Connection"));
        window->DocumentFolder = docs.path() + QLatin1Char('/');
        prompts.messages.clear();
    }

    // The meter sends one frame; returns what it shows once the link has it.
    Readings frame()
    {
        window->Link.FrameSeen = false;
        sim->sendLiveFrame();
        const auto shown = sim->snapshot().shown;
        Readings r{};
        for (int c = 0; c < 4; ++c)
            r[size_t(c)] = float(std::lround(shown[size_t(c)] * 10.0) / 10.0);
        const auto linkShows = [&] {
            for (int c = 0; c < 4; ++c)
                if (std::abs(window->Link.LatestReadings[size_t(c)] - r[size_t(c)]) > 0.001f)
                    return false;
            return true;
        };
        EXPECT_TRUE(waitUntil([&] { return window->Link.FrameSeen && linkShows(); }, 10000));
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(window->Link.LatestReadings[size_t(c)], r[size_t(c)], 0.001) << "T" << c + 1;
        return r;
    }

    // One due tick with a fresh frame: returns the readings it sampled.
    Readings sampleTick()
    {
        const Readings r = frame();
        window->Link.MainTimerTimer();
        return r;
    }

    void startRun(int points)
    {
        prompts.dialogs.push_back([=](QDialog& d) {
            auto& setup = dynamic_cast<TfrmSetupRealTime&>(d);
            setup.edtRealTimeNo->setText(QString::number(points));
            setup.ComboBox1->setCurrentIndex(0);   // 00 minutes
            setup.ComboBox2->setCurrentIndex(1);   // 01 seconds
            return int(QDialog::Accepted);
        });
        window->btnRunClick();
        ASSERT_TRUE(window->Session.RealTimeRunning());
    }

    PESGraph& chart() { return *window->RealTimeGraph->PESGraph1; }

    FakePrompts prompts;
    ScopedPrompts answering{prompts};
    QTemporaryDir docs;
    std::unique_ptr<metersim::MeterSim> sim;
    std::unique_ptr<TfrmMain> window;
};

TEST_F(RealTimeWithMeter, SamplesTheMetersReadingsThroughALostLinkUntilStop)
{
    startRun(10);
    TfrmGraph& graph = *window->RealTimeGraph;
    std::vector<Readings> taken;
    for (int i = 0; i < 3; ++i)
        taken.push_back(sampleTick());
    ASSERT_EQ(window->Session.SampleCount(), 3);

    // The meter falls silent: three ticks without a frame lose the link and
    // take no sample; the run goes on.
    sim->setSilent(true);
    QThread::msleep(20);
    QCoreApplication::processEvents();
    for (int tick = 0; tick < 3; ++tick)
        window->Link.MainTimerTimer();
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("Off Connection"));
    EXPECT_EQ(window->Session.SampleCount(), 3);
    EXPECT_TRUE(window->Session.RealTimeRunning());

    // It speaks again: the next due tick samples again.
    sim->setSilent(false);
    taken.push_back(sampleTick());
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("On Connection"));
    ASSERT_EQ(window->Session.SampleCount(), 4);

    for (int p = 0; p < 4; ++p)
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(testing::Message() << "point " << p << " T" << c + 1);
            EXPECT_NEAR(chart().YData(c, p), taken[size_t(p)][size_t(c)], 0.001);
            EXPECT_GT(chart().XDataII(c, p), 40000.0);
            if (p > 0)
                EXPECT_GE(chart().XDataII(c, p), chart().XDataII(c, p - 1));
        }
    // The running MAX and MIN of each channel, with one decimal before the time.
    for (int c = 0; c < 4; ++c) {
        float max = -9999, min = 9999;
        for (const Readings& r : taken) {
            max = std::max(max, r[size_t(c)]);
            min = std::min(min, r[size_t(c)]);
        }
        EXPECT_TRUE(graph.maxField(c)->text().startsWith(Regional::fixed(max, 1) + QLatin1Char('@')))
            << "T" << c + 1 << " " << graph.maxField(c)->text().toStdString();
        EXPECT_TRUE(graph.minField(c)->text().startsWith(Regional::fixed(min, 1) + QLatin1Char('@')))
            << "T" << c + 1 << " " << graph.minField(c)->text().toStdString();
        EXPECT_TRUE(graph.avgField(c)->text().isEmpty());
    }
    // The plot draws the samples and leaves out the points not yet filled.
    EXPECT_EQ(chart().plottedData(0).size(), 4u);

    window->btnStopClick();
    EXPECT_FALSE(window->Session.RealTimeRunning());
    EXPECT_EQ(chart().Points(), 4);
    for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (const Readings& r : taken)
            sum += r[size_t(c)];
        EXPECT_EQ(graph.avgField(c)->text(), Regional::fixed(sum / 4, 3)) << "T" << c + 1;
    }
    // No more samples after Stop.
    sampleTick();
    EXPECT_EQ(window->Session.SampleCount(), 4);
}

} // namespace
