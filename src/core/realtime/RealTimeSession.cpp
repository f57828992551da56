#include "realtime/RealTimeSession.h"

#include "app/Clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopedValueRollback>

namespace {

// How long Stop waits for a tick that is running elsewhere.
constexpr qint64 StopWaitMs = 2500;
// A rate of 00:00 falls back to this.
constexpr int FallbackRate = 2;

} // namespace

RealTimeSession::RealTimeSession(AppSettings& appSettings, const QString& folder, QObject* parent)
    : QObject(parent)
    , settings(appSettings)
    , documentFolder(folder)
{
}

// A session that ends without Stop leaves its recovery file as a killed
// program would: the next start offers the samples.
RealTimeSession::~RealTimeSession() = default;

RealTimeSession::Readings RealTimeSession::RunningMax() const
{
    Readings r{};
    for (int c = 0; c < Channels; ++c)
        r[size_t(c)] = runExtremes[size_t(c)].max;
    return r;
}

RealTimeSession::Readings RealTimeSession::RunningMin() const
{
    Readings r{};
    for (int c = 0; c < Channels; ++c)
        r[size_t(c)] = runExtremes[size_t(c)].min;
    return r;
}

void RealTimeSession::setRealTimeUnsaved(bool value)
{
    if (unsaved == value)
        return;
    unsaved = value;
    emit unsavedChanged(unsaved);
}

QString RealTimeSession::recoveryFolder() const
{
    return RealTimeRecovery::folder(documentFolder);
}

void RealTimeSession::resetSamples()
{
    runSamples.clear();
    sampleCount = 0;
    runExtremes = {};
    runAverages = {};
    stopAverages = {};
}

void RealTimeSession::discardRecovery()
{
    if (recovery)
        recovery->discard();
    recovery.reset();
}

bool RealTimeSession::keepRecovery()
{
    const bool kept = recovery && recovery->isHeld();
    recovery.reset();   // its end keeps the file
    return kept;
}

// ---- Run ----------------------------------------------------------------------

bool RealTimeSession::mayDiscardSamples(RealTimeUser::Question question)
{
    if (!running && sampleCount == 0)
        return true;
    if (!user)
        return false;   // nobody to ask: the samples stay
    const RealTimeUser::Answer answer = user->askToSave(question);
    if (answer == RealTimeUser::Answer::Cancel)
        return false;
    // A save that did not happen must not lose the samples.
    return answer == RealTimeUser::Answer::No || user->saveSamples();
}

void RealTimeSession::setRate(int seconds)
{
    settings.RealTimeRate = seconds > 0 ? seconds : FallbackRate;
}

void RealTimeSession::startRun(TDateTime startTime, int points)
{
    start = startTime;
    runPoints = points;
    resetSamples();

    // The first tick with a frame takes the first sample.
    link.setRateTicks(settings.RealTimeRate);
    running = true;
    emit runStarted();

    // The samples before were saved or knowingly discarded before the run
    // began: their file goes, and the run gets a file of its own.
    discardRecovery();
    recovery = std::make_unique<RealTimeRecovery::RunFile>();
    recoveryReported = false;
    const bool created = recovery->create(recoveryFolder(), start, points);
    recoveryPath = recovery->path();
    if (!created)
        recoveryFailure();
}

// The run goes on; the user learns once that a crash would now lose it.
void RealTimeSession::recoveryFailure()
{
    if (!recovery)
        return;
    if (!recoveryReported) {
        recoveryReported = true;
        emit recoveryFailed(recoveryFailureText(recovery->path(), recovery->errorString()));
    }
    // Half a line may have been written: nothing more goes after it.
    recovery->stopWriting();
}

QString RealTimeSession::recoveryFailureText(const QString& path, const QString& reason)
{
    return QStringLiteral("The Real-Time samples can not be written to %1 (%2). "
                          "Recording goes on; save the graph, a crash would lose it.")
        .arg(QDir::toNativeSeparators(path), reason);
}

// ---- Samples ------------------------------------------------------------------------

void RealTimeSession::sampleDue(TDateTime tickTime, const Readings& readings)
{
    // A Stop reached from here runs inside the tick and must not wait for it.
    samplingInTick = true;
    const bool stored = TakeSample(tickTime, readings);
    samplingInTick = false;
    if (stored)
        setRealTimeUnsaved(true);
}

bool RealTimeSession::TakeSample(TDateTime t, const Readings& readings)
{
    if (SampleCount() >= runPoints) {
        Stop();   // nowhere to put the sample
        return false;
    }
    if (recovery && recovery->isWriting() && !recovery->append(t, readings))
        recoveryFailure();

    unsigned newMax = 0, newMin = 0;
    for (int c = 0; c < Channels; ++c) {
        const auto changed = runExtremes[size_t(c)].offer(readings[size_t(c)], t);
        newMax |= changed.max ? 1u << c : 0u;
        newMin |= changed.min ? 1u << c : 0u;
        runAverages[size_t(c)].add(readings[size_t(c)]);
    }
    if (keepsSamples)
        runSamples.push_back({t, readings});
    ++sampleCount;
    emit sampleTaken(SampleCount() - 1, newMax, newMin);
    if (SampleCount() >= runPoints)
        Stop();
    return true;
}

// ---- Stop -----------------------------------------------------------------------------

void RealTimeSession::Stop()
{
    // Let a tick that is running elsewhere (inside a wait) finish its sample;
    // the tick we are called from cannot finish before we return.
    if (!samplingInTick && link.inMainTimer()) {
        const qint64 begin = Clock::current().tickMs();
        while (link.inMainTimer() && Clock::current().tickMs() - begin <= StopWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    running = false;
    stopAverages = runAverages;
    emit runStopped();
}

void RealTimeSession::stopWithoutWaiting()
{
    const QScopedValueRollback inTick(samplingInTick, true);
    Stop();
}

// ---- Sampling rate --------------------------------------------------------------------

void RealTimeSession::changeRate(int seconds)
{
    if (seconds == settings.RealTimeRate)
        return;
    if (seconds <= 0) {
        seconds = FallbackRate;
        // 00:00 falls back to the rate in force: nothing changes.
        if (seconds == settings.RealTimeRate)
            return;
    }
    settings.RealTimeRate = seconds;
    emit rateChanged(seconds);

    if (!mayDiscardSamples(RealTimeUser::Question::BeforeRateChange))
        return;   // the new rate is in force; recording goes on

    running = false;
    resetSamples();
    discardRecovery();
    extensionStep = seconds * 100 * DateTime::OneSecond;
    emit samplesDiscarded();
}

// ---- The graph of the samples -----------------------------------------------------------

void RealTimeSession::clear()
{
    resetSamples();
    discardRecovery();
    // Saved or knowingly thrown away: an empty graph has nothing left to save.
    setRealTimeUnsaved(false);
}

void RealTimeSession::graphClosed()
{
    running = false;
    resetSamples();
}

void RealTimeSession::endRecoveryUnlessUnsaved()
{
    if (!unsaved)
        discardRecovery();
}

// ---- Recovery -------------------------------------------------------------------------------

bool RealTimeSession::loadRecoveredRun(RealTimeRecovery::LeftOver leftOver)
{
    if (running || !leftOver.file || !leftOver.file->isHeld())
        return false;
    // The samples shown before were saved or knowingly discarded.
    discardRecovery();
    recovery = std::move(leftOver.file);
    recoveryPath = recovery->path();
    const RealTimeRecovery::Run& run = leftOver.run;
    start = run.start;
    runPoints = int(run.samples.size());
    resetSamples();
    runSamples = run.samples;
    sampleCount = int(runSamples.size());
    for (const Sample& s : runSamples) {
        for (int c = 0; c < Channels; ++c) {
            runExtremes[size_t(c)].offer(s.readings[size_t(c)], s.time);
            runAverages[size_t(c)].add(s.readings[size_t(c)]);
        }
    }
    stopAverages = runAverages;
    setRealTimeUnsaved(true);
    return true;
}
