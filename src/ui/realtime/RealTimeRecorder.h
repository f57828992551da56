#pragma once
// The windows of a real-time recording: the real-time graph window, the setup
// dialog of Run, the rate boxes and the Run, Stop and Clear buttons. The run
// itself (its state, samples, statistics and recovery file) is the
// RealTimeSession; this class draws what the session reports and asks the
// user what the session needs to know.

#include "alarm/AlarmEvent.h"
#include "app/DateTime.h"
#include "chart/ChartState.h"
#include "realtime/RealTimeSession.h"
#include "realtime/ScheduledRun.h"
#include "realtime/RealTimeUser.h"

#include <QObject>
#include <QPointer>

class GraphHost;
class PESGraph;
class TfrmGraph;

class RealTimeRecorder : public QObject, private RealTimeUser, public ScheduledRunHost {
    Q_OBJECT
public:
    using Readings = RealTimeSession::Readings;
    using Link = RealTimeSession::Link;

    // New graph windows get `host`; the run is `session`.
    RealTimeRecorder(GraphHost& host, RealTimeSession& session);

    void setLink(Link link) { session.setLink(std::move(link)); }

    // Creates and sets up the real-time graph window (at start-up, from the
    // View menu when it is closed, and from Run).
    void CreateRealTimeGraph();
    // `window` becomes the real-time graph: its samples are the session's,
    // its Clear and its closing reach the session.
    void attachRealTimeGraph(TfrmGraph& window);
    // Run and Stop (tool buttons btnRun/btnStop, menu items Run1/Stop1).
    void Run();
    void Stop() { session.Stop(); }
    // ScheduledRunHost: a run that starts and stops by the clock, asking nothing.
    bool hasUnsavedRun() const override;
    TDateTime unsavedRunStart() const override { return session.startTime(); }
    bool saveUnsavedRun(const QString& path, QString* error) override;
    void startRun(TDateTime start, int points) override;
    void stopRun() override;
    int rateSeconds() const override { return session.rate(); }

    // ---- Alarms ---------------------------------------------------------------
    // The limits in force, drawn as dashed lines in the real-time graph (and
    // in every real-time graph made later).
    void showLimits(const AlarmSettings& limits);
    // An alarm of the run began or ended: a mark on the chart at its time.
    void markAlarm(const AlarmEvent& event);

    // A sample is due on this tick: taken if the real-time graph exists.
    void sampleDue(TDateTime tickTime, const Readings& readings);
    // False when the sample found no point to go to.
    bool TakeSample(TDateTime t, const Readings& readings);
    // The user changed the real-time window's ComboBox1 or ComboBox2.
    void RateBoxChange();

    // At start-up: every run left behind in the recovery folder is offered,
    // newest first, to open in the real-time graph, discard, or keep for the
    // next start.
    void offerRecovery();
    // The recovery file of the session's run.
    QString recoveryFileName() const { return session.recoveryFileName(); }
    // The main window closes normally, every close question answered.
    void programClosing();

    static QString runQuestion();
    static QString rateQuestion();
    static QString offerQuestion(const RealTimeRecovery::LeftOver& leftOver);
    static QString discardQuestion(const RealTimeRecovery::LeftOver& leftOver);

    // The real-time graph window, while it is open.
    TfrmGraph* graph() const { return realTimeGraph.data(); }

signals:
    // `window` became the real-time graph.
    void realTimeGraphOpened(TfrmGraph* window);
    // The real-time graph closed; its run and samples are gone.
    void realTimeGraphClosed();

private:
    // RealTimeUser: the questions of Run and of a rate change.
    Answer askToSave(Question question) override;
    bool saveSamples() override;

    // The session's news, drawn in the real-time graph.
    void drawSample(int index, unsigned newMax, unsigned newMin);
    void runStarted();
    void runStopped();
    void rateChanged();
    void samplesDiscarded();
    void openRecoveredRun(RealTimeRecovery::LeftOver leftOver);
    void drawRecoveredRun();
    void graphClosed(TfrmGraph* window);

    // The chart breaks its lines where samples were not taken.
    void breakLinesAtMissedSamples(PESGraph& chart) const;
    void setClearEnabled(bool enabled);
    // The graph's points, fields and X range for a run of `points` samples from `start`.
    void beginRun(TfrmGraph& window, TDateTime start, int points);

    GraphHost& host;
    RealTimeSession& session;
    QPointer<TfrmGraph> realTimeGraph;
    std::vector<LimitLine> limitLines;
};
