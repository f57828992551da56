#pragma once
// Real-time recording: Run and Stop, the sample taken on the main timer's
// tick, and the sampling-rate change in the real-time graph window. The state
// lives in the main window (RealTimeRunning, SampleCount, RunningMax and
// RunningMin, RealTimeUnsaved, XExtensionStep, Settings.RealTimeRate); this
// class holds the logic and the recovery file of the run.
//
// The tick itself belongs to the meter link: on a tick with a frame, when
// RateTicks has reached RealTimeRate, it calls sampleDue().

#include "app/DateTime.h"
#include "realtime/RealTimeRecovery.h"

#include <QObject>
#include <array>
#include <functional>
#include <memory>

class PESGraph;
class TfrmGraph;
class TfrmMain;

class RealTimeRecorder : public QObject {
    Q_OBJECT
public:
    using Readings = std::array<float, 4>;

    // What recording needs of the meter link. Until a link is attached the
    // meter counts as not connected.
    struct Link {
        std::function<bool()> connected = [] { return false; };
        std::function<bool()> inMainTimer = [] { return false; };
        std::function<void(int)> setRateTicks = [](int) {};
    };

    explicit RealTimeRecorder(TfrmMain& main);

    void setLink(Link link) { this->link = std::move(link); }

    // Creates and sets up the real-time graph window (at start-up, from the
    // View menu when it is closed, and from Run).
    void CreateRealTimeGraph();
    // Run and Stop (tool buttons btnRun/btnStop, menu items Run1/Stop1).
    void Run();
    void Stop();
    // A sample is due on this tick: TakeSample if the real-time graph exists.
    void sampleDue(TDateTime tickTime, const Readings& readings);
    // False when the sample found no point to go to.
    bool TakeSample(TDateTime t, const Readings& readings);
    // The user changed the real-time window's ComboBox1 or ComboBox2.
    void RateBoxChange();

    // At start-up: a recovery file left behind by a run that never ended
    // properly is offered as the real-time graph.
    void offerRecovery();
    QString recoveryFileName() const;
    // The main window closes normally, every close question answered.
    void programClosing();

    static QString runQuestion();
    static QString rateQuestion();
    // The status bar's report of a recovery file that can not be written.
    static QString recoveryFailureText(const QString& path, const QString& reason);

private:
    // The chart breaks its lines where samples were not taken.
    void breakLinesAtMissedSamples(PESGraph& chart) const;
    TfrmGraph* graph() const;
    void setRunStopEnabled(bool running);
    void setClearEnabled(bool enabled);
    // Saves the real-time graph; false when nothing was saved (cancelled, failed).
    bool saveGraph();
    void discardRecovery();
    void graphCleared();
    void loadRecoveredRun(const RealTimeRecovery::Run& run);
    void recoveryFailure();

    TfrmMain& main;
    Link link;
    std::unique_ptr<RealTimeRecovery::Writer> recovery;   // while a run's samples are written
    bool samplingInTick = false;
    bool recoveryFailed = false;   // reported once per run
};
