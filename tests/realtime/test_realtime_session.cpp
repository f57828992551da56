// A real-time recording without any window: its samples, statistics, unsaved
// flag and recovery file, driven on a fake clock through a fake link and a
// scripted user.
#include "app/Settings.h"
#include "realtime/RealTimeRecovery.h"
#include "realtime/RealTimeSession.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

using Answer = RealTimeUser::Answer;
using Question = RealTimeUser::Question;
using Readings = RealTimeSession::Readings;

// Whole binary fractions of a day, so that their text in the file is exact.
constexpr TDateTime Start = 46143.5;        // 12:00:00
constexpr TDateTime Quarter = 0.25;
constexpr float OverRange = 3276.7f;        // shown as "OL"
constexpr float UnderRange = -3276.8f;      // shown as "OL"
constexpr float NoData = 9999.0f;           // a reading the meter did not give

// The user: answers from a script, a save that succeeds or not.
struct ScriptedUser : RealTimeUser {
    std::deque<Answer> answers;
    bool saveWorks = true;
    QList<Question> questions;
    int saves = 0;

    Answer askToSave(Question question) override
    {
        questions << question;
        if (answers.empty())
            return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool saveSamples() override
    {
        ++saves;
        return saveWorks;
    }
};

// What the session told its windows.
struct Heard {
    int started = 0;
    int stopped = 0;
    int discarded = 0;
    struct Taken {
        int index;
        unsigned newMax, newMin;
    };
    std::vector<Taken> taken;
    std::vector<bool> unsaved;
    std::vector<int> rates;
    QStringList failures;

    void listen(RealTimeSession& s)
    {
        QObject::connect(&s, &RealTimeSession::runStarted, [this] { ++started; });
        QObject::connect(&s, &RealTimeSession::runStopped, [this] { ++stopped; });
        QObject::connect(&s, &RealTimeSession::samplesDiscarded, [this] { ++discarded; });
        QObject::connect(&s, &RealTimeSession::sampleTaken,
                         [this](int i, unsigned mx, unsigned mn) { taken.push_back({i, mx, mn}); });
        QObject::connect(&s, &RealTimeSession::unsavedChanged, [this](bool u) { unsaved.push_back(u); });
        QObject::connect(&s, &RealTimeSession::rateChanged, [this](int r) { rates.push_back(r); });
        QObject::connect(&s, &RealTimeSession::recoveryFailed, [this](const QString& t) { failures << t; });
    }
};

// The meter link as the session sees it; the tick runs here, as the link's timer would.
struct FakeLink {
    bool connected = true;
    bool inMainTimer = false;
    int rateTicks = -1;

    RealTimeSession::Link link()
    {
        return {[this] { return connected; }, [this] { return inMainTimer; },
                [this](int ticks) { rateTicks = ticks; }};
    }
};

class RealTimeSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(docs.isValid());
        folder = docs.path() + QLatin1Char('/');
        makeSession();
    }
    void makeSession()
    {
        session = std::make_unique<RealTimeSession>(settings, folder);
        session->setLink(fakeLink.link());
        session->setUser(&user);
        heard = Heard{};
        heard.listen(*session);
    }
    // The tick of the link's timer with a frame: a sample is due.
    void tick(TDateTime t, const Readings& r)
    {
        clock.advance(1000);
        fakeLink.inMainTimer = true;
        session->sampleDue(t, r);
        fakeLink.inMainTimer = false;
    }
    QByteArray recoveryBytes() const
    {
        QFile f(session->recoveryFileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    bool recoveryExists() const { return QFile::exists(session->recoveryFileName()); }

    FakeClock clock;
    ScopedClock scopedClock{clock};
    QTemporaryDir docs;
    QString folder;
    AppSettings settings;
    ScriptedUser user;
    FakeLink fakeLink;
    std::unique_ptr<RealTimeSession> session;
    Heard heard;
};

TEST_F(RealTimeSessionTest, ARunKeepsItsSamplesStatisticsAndRecoveryFile)
{
    settings.RealTimeRate = 5;

    session->startRun(Start, 10);
    EXPECT_TRUE(session->RealTimeRunning());
    EXPECT_EQ(fakeLink.rateTicks, 5) << "the first tick with a frame samples";
    EXPECT_EQ(heard.started, 1);
    EXPECT_FALSE(session->RealTimeUnsaved());

    const Readings readings[] = {
        {20.5f, -3.25f, OverRange, NoData},
        {22.0f, -4.5f, 10.0f, 1.5f},
        {21.0f, UnderRange, 12.0f, NoData},
    };
    for (int k = 0; k < 3; ++k)
        tick(Start + k * Quarter, readings[k]);

    ASSERT_EQ(session->SampleCount(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(session->samples()[size_t(k)].time, Start + k * Quarter);
        EXPECT_EQ(session->samples()[size_t(k)].readings, readings[k]) << "OL and no data stay as read";
    }
    EXPECT_TRUE(session->RealTimeUnsaved());
    EXPECT_EQ(heard.unsaved, std::vector<bool>{true});
    ASSERT_EQ(heard.taken.size(), 3u);
    // Which channels each sample made a new MAX (first int) or MIN (second).
    EXPECT_EQ(heard.taken[0].newMax, 0b1111u);
    EXPECT_EQ(heard.taken[0].newMin, 0b0111u) << "no data is no new MIN";
    EXPECT_EQ(heard.taken[1].newMax, 0b0001u);
    EXPECT_EQ(heard.taken[1].newMin, 0b1110u);
    EXPECT_EQ(heard.taken[2].newMax, 0b0000u);
    EXPECT_EQ(heard.taken[2].newMin, 0b0010u);
    EXPECT_EQ(session->RunningMax(), (Readings{22.0f, -3.25f, OverRange, NoData}));
    EXPECT_EQ(session->RunningMin(), (Readings{20.5f, UnderRange, 10.0f, 1.5f}));
    EXPECT_EQ(session->extremes(0).maxTime, Start + Quarter);
    EXPECT_EQ(session->extremes(1).minTime, Start + 2 * Quarter);

    // The file as a crash would leave it: every sample already on its way to the disk.
    EXPECT_EQ(recoveryBytes(), QByteArray("TQ612 real-time recovery 1\n"
                                          "start 46143.5 points 10\n"
                                          "46143.5 20.5 -3.25 3276.69995 9999\n"
                                          "46143.75 22 -4.5 10 1.5\n"
                                          "46144 21 -3276.80005 12 9999\n"));

    session->Stop();
    EXPECT_FALSE(session->RealTimeRunning());
    EXPECT_EQ(heard.stopped, 1);
    // Only readings strictly inside +-3000 count in the average.
    const auto& averages = session->averages();
    EXPECT_DOUBLE_EQ(*averages[0].value(), (20.5 + 22.0 + 21.0) / 3);
    EXPECT_DOUBLE_EQ(*averages[1].value(), (-3.25 - 4.5) / 2);
    EXPECT_DOUBLE_EQ(*averages[2].value(), 11.0);
    EXPECT_DOUBLE_EQ(*averages[3].value(), 1.5);
    EXPECT_TRUE(session->RealTimeUnsaved()) << "stopping saves nothing";
    EXPECT_TRUE(recoveryExists()) << "the samples are not saved yet";
}

TEST_F(RealTimeSessionTest, AFullRunStopsAndTakesNothingMore)
{
    session->startRun(Start, 2);
    tick(Start, {1, 2, 3, 4});
    EXPECT_TRUE(session->RealTimeRunning());
    tick(Start + Quarter, {5, 6, 7, 8});
    EXPECT_FALSE(session->RealTimeRunning()) << "the last point stops the run";
    EXPECT_EQ(heard.stopped, 1);

    // A late tick finds no place: nothing stored, nothing more unsaved.
    session->setRealTimeUnsaved(false);
    tick(Start + 2 * Quarter, {9, 9, 9, 9});
    EXPECT_EQ(session->SampleCount(), 2);
    EXPECT_FALSE(session->RealTimeUnsaved());
    EXPECT_EQ(RealTimeRecovery::read(session->recoveryFileName())->samples.size(), 2u);
}

TEST_F(RealTimeSessionTest, ALostLinkLeavesAGapAndTheRunGoesOn)
{
    session->startRun(Start, 100);
    tick(Start, {20, 20, 20, 20});
    // Three silent ticks: the link is lost, no sample is due; then it is back.
    fakeLink.connected = false;
    clock.advance(3000);
    EXPECT_TRUE(session->RealTimeRunning()) << "a lost link does not end the run";
    fakeLink.connected = true;
    tick(Start + 4 * Quarter, {21, 21, 21, 21});

    const auto run = RealTimeRecovery::read(session->recoveryFileName());
    ASSERT_TRUE(run);
    ASSERT_EQ(run->samples.size(), 2u);
    EXPECT_EQ(run->samples[1].time - run->samples[0].time, 4 * Quarter) << "the gap stays visible";

    // Stop pressed while a tick hangs in a wait elsewhere: it waits for the tick, but not for ever.
    fakeLink.inMainTimer = true;
    clock.autoAdvanceMs = 100;
    const qint64 before = clock.tick;
    session->Stop();
    EXPECT_FALSE(session->RealTimeRunning());
    EXPECT_GE(clock.tick - before, 2500);
    EXPECT_LE(clock.tick - before, 2800);
}

TEST_F(RealTimeSessionTest, TheQuestionBeforeSamplesGo)
{
    struct Case {
        const char* name;
        Answer answer;
        bool saveWorks;
        bool mayGo;
        int saves;
    };
    const Case cases[] = {
        {"cancel", Answer::Cancel, true, false, 0},
        {"no", Answer::No, true, true, 0},
        {"yes, saved", Answer::Yes, true, true, 1},
        {"yes, save cancelled or failed", Answer::Yes, false, false, 1},
    };
    // Nothing recorded: nothing asked.
    EXPECT_TRUE(session->mayDiscardSamples(Question::BeforeRun));
    EXPECT_TRUE(user.questions.isEmpty());

    session->startRun(Start, 100);
    tick(Start, {20, 20, 20, 20});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        user.questions.clear();
        user.saves = 0;
        user.answers = {c.answer};
        user.saveWorks = c.saveWorks;
        EXPECT_EQ(session->mayDiscardSamples(Question::BeforeRun), c.mayGo);
        EXPECT_EQ(user.questions, QList<Question>{Question::BeforeRun});
        EXPECT_EQ(user.saves, c.saves);
        EXPECT_EQ(session->SampleCount(), 1) << "asking alone discards nothing";
    }
}

TEST_F(RealTimeSessionTest, ARateChangeWhileRecording)
{
    struct Case {
        const char* name;
        Answer answer;
        bool saveWorks;
        bool samplesStay;
    };
    const Case cases[] = {
        {"cancel keeps the run going", Answer::Cancel, true, true},
        {"a save that did not happen keeps the samples", Answer::Yes, false, true},
        {"no discards the samples", Answer::No, true, false},
        {"saved, the samples go", Answer::Yes, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.RealTimeRate = 2;
        session->setXExtensionStep(10 * DateTime::OneSecond);
        session->startRun(Start, 100);
        tick(Start, {20, 20, 20, 20});
        tick(Start + Quarter, {21, 21, 21, 21});
        user.answers = {c.answer};
        user.saveWorks = c.saveWorks;
        user.questions.clear();
        heard.rates.clear();
        heard.discarded = 0;
        heard.rates.clear();
        heard.discarded = 0;

        session->changeRate(7);
        EXPECT_EQ(user.questions, QList<Question>{Question::BeforeRateChange});
        EXPECT_EQ(settings.RealTimeRate, 7) << "the new rate is in force either way";
        EXPECT_EQ(heard.rates, std::vector<int>{7});
        EXPECT_EQ(session->RealTimeRunning(), c.samplesStay);
        EXPECT_EQ(session->SampleCount(), c.samplesStay ? 2 : 0);
        EXPECT_EQ(heard.discarded, c.samplesStay ? 0 : 1);
        EXPECT_EQ(recoveryExists(), c.samplesStay);
        if (c.samplesStay) {
            EXPECT_EQ(RealTimeRecovery::read(session->recoveryFileName())->samples.size(), 2u);
            EXPECT_EQ(session->XExtensionStep(), 10 * DateTime::OneSecond);
        } else {
            EXPECT_EQ(session->XExtensionStep(), 700 * DateTime::OneSecond);
        }
        session->Stop();
    }
}

TEST_F(RealTimeSessionTest, ARateOfNothingFallsBackToTwoSeconds)
{
    struct Case {
        int before, chosen, after;
        bool changed;
    };
    const Case cases[] = {{2, 0, 2, false}, {5, 0, 2, true}, {5, 5, 5, false}, {5, 60, 60, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " -> " + std::to_string(c.chosen));
        settings.RealTimeRate = c.before;
        heard.rates.clear();
        session->changeRate(c.chosen);
        EXPECT_EQ(settings.RealTimeRate, c.after);
        EXPECT_EQ(heard.rates.size(), c.changed ? 1u : 0u);
        EXPECT_TRUE(user.questions.isEmpty()) << "no samples, nothing asked";
    }
    session->setRate(0);
    EXPECT_EQ(session->rate(), 2);
}

TEST_F(RealTimeSessionTest, AKilledProgramLeavesItsSamplesForTheNextStart)
{
    session->startRun(Start, 50);
    tick(Start, {20.5f, 21, OverRange, NoData});
    tick(Start + Quarter, {19.0f, 22, 23, 24});
    tick(Start + 2 * Quarter, {25.0f, 20, 22, NoData});
    // No Stop, no close: the session simply ends, as with a killed process.
    session.reset();

    makeSession();
    EXPECT_FALSE(session->RealTimeUnsaved());
    auto runs = RealTimeRecovery::leftOverRuns(session->recoveryFolder());
    ASSERT_EQ(runs.size(), 1u);
    const RealTimeRecovery::Run& run = runs[0].run;
    EXPECT_EQ(run.start, Start);
    EXPECT_EQ(run.points, 50);
    ASSERT_EQ(run.samples.size(), 3u);
    EXPECT_EQ(run.samples[0].readings, (Readings{20.5f, 21, OverRange, NoData}));

    ASSERT_TRUE(session->loadRecoveredRun(std::move(runs[0])));
    EXPECT_FALSE(session->RealTimeRunning());
    EXPECT_EQ(session->SampleCount(), 3);
    EXPECT_TRUE(session->RealTimeUnsaved()) << "every way out asks to save them";
    EXPECT_EQ(heard.unsaved, std::vector<bool>{true});
    EXPECT_EQ(session->RunningMax()[0], 25.0f);
    EXPECT_EQ(session->extremes(0).maxTime, Start + 2 * Quarter);
    EXPECT_EQ(session->RunningMin()[0], 19.0f);
    EXPECT_EQ(session->RunningMax()[2], OverRange);
    EXPECT_DOUBLE_EQ(*session->averages()[0].value(), (20.5 + 19.0 + 25.0) / 3);
    EXPECT_DOUBLE_EQ(*session->averages()[3].value(), 24.0) << "no data is left out";

    // Still unsaved at a normal end: the file stays for the next start.
    session->endRecoveryUnlessUnsaved();
    EXPECT_TRUE(recoveryExists());
    // Saved (or knowingly discarded) and closed: it goes.
    session->setRealTimeUnsaved(false);
    session->endRecoveryUnlessUnsaved();
    EXPECT_FALSE(recoveryExists());
    EXPECT_TRUE(RealTimeRecovery::leftOverRuns(session->recoveryFolder()).empty());
}

TEST_F(RealTimeSessionTest, ALineCutByTheCrashIsLeftOutAndAnEmptyFileRemoved)
{
    session->startRun(Start, 50);
    tick(Start, {1, 2, 3, 4});
    const QString cut = session->recoveryFileName();
    session.reset();
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("46143.75 5 6");   // the process died in the middle of this line
    }
    makeSession();
    {
        const auto runs = RealTimeRecovery::leftOverRuns(session->recoveryFolder());
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].run.samples.size(), 1u);
        runs[0].file->discard();
    }

    // A run that took no sample leaves nothing worth offering.
    session->startRun(Start, 50);
    session.reset();
    makeSession();
    EXPECT_TRUE(RealTimeRecovery::leftOverRuns(session->recoveryFolder()).empty());
    EXPECT_TRUE(QDir(session->recoveryFolder()).isEmpty());
}

TEST_F(RealTimeSessionTest, ClearingTheGraphEndsItsSamplesAndFile)
{
    session->startRun(Start, 50);
    tick(Start, {1, 2, 3, 4});
    session->Stop();
    session->clear();
    EXPECT_EQ(session->SampleCount(), 0);
    EXPECT_FALSE(recoveryExists());

    // Closing the graph ends a run and its samples; the file is for the close question to settle.
    session->startRun(Start, 50);
    tick(Start, {1, 2, 3, 4});
    session->graphClosed();
    EXPECT_FALSE(session->RealTimeRunning());
    EXPECT_EQ(session->SampleCount(), 0);
    EXPECT_TRUE(recoveryExists());
}

TEST_F(RealTimeSessionTest, ARecoveryFileThatCanNotBeWrittenIsReportedOnceAndTheRunGoesOn)
{
    // Where the recovery file's folder should be there is a file.
    QFile blocker(docs.filePath(QStringLiteral("temp")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    session->startRun(Start, 50);
    tick(Start, {1, 2, 3, 4});
    tick(Start + Quarter, {1, 2, 3, 4});
    EXPECT_EQ(session->SampleCount(), 2);
    ASSERT_EQ(heard.failures.size(), 1);
    EXPECT_TRUE(heard.failures[0].contains(QStringLiteral("temp/RealTimeRecovery-")));
    EXPECT_TRUE(heard.failures[0].contains(QStringLiteral("a crash would lose it")));
}

TEST_F(RealTimeSessionTest, TwoRunsAtOnceEachKeepTheirOwnRecoveryFile)
{
    // The program records one meter while tq612-cli records another, both
    // with the same documents folder.
    session->startRun(Start, 50);
    tick(Start, {1, 2, 3, 4});

    RealTimeSession other(settings, folder);
    Heard otherHeard;
    otherHeard.listen(other);
    other.startRun(Start + 1, 50);
    other.TakeSample(Start + 1, {5, 6, 7, 8});
    EXPECT_TRUE(otherHeard.failures.isEmpty()) << otherHeard.failures.join('\n').toStdString();
    EXPECT_NE(other.recoveryFileName(), session->recoveryFileName());
    EXPECT_EQ(RealTimeRecovery::read(other.recoveryFileName())->samples.size(), 1u);
    const QByteArray firstRun = recoveryBytes();
    other.Stop();
    other.discardRecovery();
    EXPECT_FALSE(QFile::exists(other.recoveryFileName()));
    EXPECT_EQ(recoveryBytes(), firstRun) << "neither emptied nor removed by the other run";

    // The first run goes on writing; when its process dies the lock goes with it.
    tick(Start + Quarter, {9, 10, 11, 12});
    session.reset();
    const auto runs = RealTimeRecovery::leftOverRuns(folder + QStringLiteral("temp/"));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].run.samples.size(), 2u);
}

// Another run's file, left behind by a killed tq612-cli or program, stays
// byte for byte whatever this session does with its own samples.
TEST_F(RealTimeSessionTest, NothingASessionDoesTouchesAnotherRunsFile)
{
    QString theirs;
    {
        RealTimeSession killed(settings, folder);
        killed.startRun(Start - 1, 50);
        killed.TakeSample(Start - 1, {1, 2, 3, 4});
        theirs = killed.recoveryFileName();
    }   // ends without a word, as a killed process
    QFile f(theirs);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray kept = f.readAll();
    f.close();

    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"clear with nothing recorded", [&] { session->clear(); }},
        {"the program ends", [&] { session->endRecoveryUnlessUnsaved(); }},
        {"discard with nothing of its own", [&] { session->discardRecovery(); }},
        {"a run, stopped and cleared", [&] {
             session->startRun(Start, 50);
             tick(Start, {5, 6, 7, 8});
             session->Stop();
             session->clear();
         }},
        {"a run whose samples were saved, at the end", [&] {
             session->startRun(Start, 50);
             tick(Start, {5, 6, 7, 8});
             session->Stop();
             session->setRealTimeUnsaved(false);
             session->endRecoveryUnlessUnsaved();
         }},
        {"a run ended by a rate change", [&] {
             session->startRun(Start, 50);
             tick(Start, {5, 6, 7, 8});
             user.answers = {Answer::No};
             session->changeRate(settings.RealTimeRate + 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), kept);
        f.close();
    }
}

TEST_F(RealTimeSessionTest, ARunEndsKeepingItsFileOrRemovingIt)
{
    struct Case {
        const char* name;
        bool keep;
    };
    for (const Case& c : {Case{"kept: the samples did not reach everywhere", true},
                          Case{"removed: the run ended as asked", false}}) {
        SCOPED_TRACE(c.name);
        makeSession();
        session->setKeepsSamples(false);
        session->startRun(Start, 50);
        tick(Start, {1, 2, 3, 4});
        tick(Start + Quarter, {5, 6, 7, 8});
        session->Stop();
        const QString own = session->recoveryFileName();
        if (c.keep)
            EXPECT_TRUE(session->keepRecovery());
        else
            session->discardRecovery();
        EXPECT_EQ(session->recoveryFileName(), own) << "the file is still named, to say where it is";
        EXPECT_EQ(QFile::exists(own), c.keep);
        auto runs = RealTimeRecovery::leftOverRuns(session->recoveryFolder());
        ASSERT_EQ(runs.size(), c.keep ? 1u : 0u) << "a kept file is offered at the next start";
        if (c.keep) {
            EXPECT_EQ(runs[0].run.samples.size(), 2u);
            runs[0].file->discard();
        }
    }
}

TEST_F(RealTimeSessionTest, ARunWithoutAWindowKeepsItsSamplesOnlyInTheRecoveryFile)
{
    // Longer than any graph of the program holds: a headless run of days.
    constexpr int Samples = 100'050;
    session->setKeepsSamples(false);
    const QString keptFolder = folder + QStringLiteral("kept/");   // the session reads it as it goes
    RealTimeSession kept(settings, keptFolder);
    session->startRun(Start, std::numeric_limits<int>::max());
    kept.startRun(Start, std::numeric_limits<int>::max());
    for (int k = 0; k < Samples; ++k) {
        const float wave = float(k % 1000) / 8;   // exact in binary
        const Readings r{wave, -wave, k == 70'000 ? OverRange : 20.0f, k % 3 ? wave : NoData};
        session->TakeSample(Start + k * Quarter, r);
        kept.TakeSample(Start + k * Quarter, r);
    }
    EXPECT_TRUE(session->RealTimeRunning());
    EXPECT_EQ(session->SampleCount(), Samples);
    EXPECT_TRUE(session->samples().empty());
    session->Stop();
    kept.Stop();
    for (int c = 0; c < RealTimeSession::Channels; ++c) {
        EXPECT_EQ(session->extremes(c).max, kept.extremes(c).max) << c;
        EXPECT_EQ(session->extremes(c).maxTime, kept.extremes(c).maxTime) << c;
        EXPECT_EQ(session->extremes(c).min, kept.extremes(c).min) << c;
        EXPECT_EQ(session->averages()[size_t(c)].value(), kept.averages()[size_t(c)].value()) << c;
    }
    EXPECT_EQ(session->RunningMax()[2], OverRange);

    const auto run = RealTimeRecovery::read(session->recoveryFileName());
    ASSERT_TRUE(run);
    ASSERT_EQ(run->samples.size(), size_t(Samples)) << "every sample, past what a graph of the program holds";
    EXPECT_EQ(run->samples.back().time, Start + (Samples - 1) * Quarter);
    EXPECT_EQ(run->samples[70'000].readings[2], OverRange);
}

} // namespace
