#pragma once
// One real-time recording without any window: the state of the run, its
// samples with their running MAX and MIN, the averages at Stop, the recovery
// file, and the rules of Run, Stop, the sample of a tick and a rate change.
// Windows follow it through its signals; what it must ask goes to a
// RealTimeUser.
//
// The tick itself belongs to the meter link: on a tick with a frame, when
// RateTicks has reached the rate, the link has sampleDue() called.

#include "app/DateTime.h"
#include "app/Settings.h"
#include "realtime/LeftOverRuns.h"
#include "realtime/RealTimeRecovery.h"
#include "realtime/RealTimeUser.h"
#include "stats/GraphStatistics.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class RealTimeSession : public QObject {
    Q_OBJECT
public:
    static constexpr int Channels = GraphStatistics::Channels;
    using Readings = RealTimeRecovery::Readings;
    using Sample = RealTimeRecovery::Sample;

    // What recording needs of the meter link. Until a link is attached the
    // meter counts as not connected.
    struct Link {
        std::function<bool()> connected = [] { return false; };
        std::function<bool()> inMainTimer = [] { return false; };
        std::function<void(int)> setRateTicks = [](int) {};
    };

    // The rate is Settings.RealTimeRate; the recovery files live in
    // `documentFolder`, read each time it is needed (it is set at start-up).
    RealTimeSession(AppSettings& settings, const QString& documentFolder, QObject* parent = nullptr);
    ~RealTimeSession() override;

    void setLink(Link link) { this->link = std::move(link); }
    void setUser(RealTimeUser* user) { this->user = user; }
    const Link& meterLink() const { return link; }

    // ---- The state of the run ---------------------------------------------------
    bool RealTimeRunning() const { return running; }
    int SampleCount() const { return sampleCount; }
    TDateTime startTime() const { return start; }
    // Empty when the session keeps no samples (see setKeepsSamples).
    const std::vector<Sample>& samples() const { return runSamples; }
    // A run with no window to draw it (tq612-cli) may last for weeks: it keeps
    // its samples only in the recovery file, and its statistics as it goes.
    void setKeepsSamples(bool keep) { keepsSamples = keep; }
    // -9999 and 9999 until a sample comes.
    Readings RunningMax() const;
    Readings RunningMin() const;
    const GraphStatistics::Extremes& extremes(int channel) const { return runExtremes[size_t(channel)]; }
    // Over the samples, as of the last Stop or recovered run.
    const std::array<GraphStatistics::Average, Channels>& averages() const { return stopAverages; }
    // Samples were taken since the real-time graph was last saved or closed.
    bool RealTimeUnsaved() const { return unsaved; }
    void setRealTimeUnsaved(bool value);
    // How far the X axis reaches past a sample beyond its end.
    TDateTime XExtensionStep() const { return extensionStep; }
    void setXExtensionStep(TDateTime step) { extensionStep = step; }
    int rate() const { return settings.RealTimeRate; }

    // ---- Run ------------------------------------------------------------------------
    // Before a run or a rate change resets the samples: the user may save them
    // or cancel. False when the samples must stay (Cancel, a save that did not happen).
    bool mayDiscardSamples(RealTimeUser::Question question);
    // A run of `points` samples begins at `startTime` with an empty graph; the
    // first tick with a frame takes the first sample.
    void startRun(TDateTime startTime, int points);
    // Sets the rate a run starts with; 0 or less becomes 2 seconds.
    void setRate(int seconds);

    // ---- Samples --------------------------------------------------------------------
    // A sample is due on this tick; a stored sample leaves the run unsaved.
    void sampleDue(TDateTime tickTime, const Readings& readings);
    // False when the run has no place left for the sample (it stops then).
    bool TakeSample(TDateTime t, const Readings& readings);

    // ---- Stop -----------------------------------------------------------------------
    void Stop();
    // Ends the run at once, waiting for no tick: for a scheduled run's end,
    // which comes from the link's own tick (that tick cannot finish before
    // this returns) and whose later samples the schedule refuses anyway.
    void stopWithoutWaiting();

    // ---- Sampling rate --------------------------------------------------------------
    // The user chose a new rate (0 falls back to 2 seconds). While samples
    // exist the user may save them or keep them (the new rate is in force
    // either way); otherwise the run ends and its samples go.
    void changeRate(int seconds);

    // ---- The graph of the samples ---------------------------------------------------
    // The graph was cleared: its samples and their recovery file go, and
    // nothing is left unsaved.
    void clear();
    // The real-time graph closed: no run, no samples.
    void graphClosed();
    // The window of the samples is gone or the program ends normally: the
    // session's recovery file goes unless the samples are unsaved.
    void endRecoveryUnlessUnsaved();

    // ---- Recovery ---------------------------------------------------------------------
    // Every run has a recovery file of its own, and the session only ever
    // writes or removes its own: the file of its latest run, or of the run
    // it took over. Another run's file stays whatever happens here.
    QString recoveryFolder() const;
    // The session's own file; it stays named after the file was kept or
    // discarded, so that a caller can say where the samples are or were.
    // Empty before the first run.
    QString recoveryFileName() const { return recoveryPath; }
    // The run left behind becomes the session's samples, as if it had been
    // stopped: unsaved, so every way out asks to save them; and its file
    // becomes the session's own. False while recording.
    bool loadRecoveredRun(RealTimeRecovery::LeftOver leftOver);
    // Samples saved or knowingly thrown away: the session's own file goes.
    void discardRecovery();
    // The run ends, but its file stays on the disk for the program's next
    // start to offer: the samples did not reach everywhere they were to go.
    // False when the session had no file to keep.
    bool keepRecovery();

    // The status bar's report of a recovery file that can not be written.
    static QString recoveryFailureText(const QString& path, const QString& reason);

signals:
    // Sample `index` was stored; `newMax` and `newMin` have bit c set for each
    // channel c whose MAX or MIN it became.
    void sampleTaken(int index, unsigned newMax, unsigned newMin);
    void runStarted();
    void runStopped();
    // The rate changed (it is already in force).
    void rateChanged(int seconds);
    // A rate change ended the run and threw its samples away.
    void samplesDiscarded();
    void unsavedChanged(bool unsaved);
    // The recovery file can not be written; reported once per run.
    void recoveryFailed(const QString& text);

private:
    void resetSamples();
    void recoveryFailure();

    AppSettings& settings;
    const QString& documentFolder;
    Link link;
    RealTimeUser* user = nullptr;

    bool keepsSamples = true;
    bool running = false;
    bool unsaved = false;
    TDateTime extensionStep = 0;
    TDateTime start = 0;
    int runPoints = 0;
    std::vector<Sample> runSamples;
    int sampleCount = 0;
    std::array<GraphStatistics::Extremes, Channels> runExtremes{};
    std::array<GraphStatistics::Average, Channels> runAverages{};   // as the samples come
    std::array<GraphStatistics::Average, Channels> stopAverages{};

    std::unique_ptr<RealTimeRecovery::RunFile> recovery;   // the session's own file, while it holds one
    QString recoveryPath;
    bool samplingInTick = false;
    bool recoveryReported = false;   // reported once per run
};
