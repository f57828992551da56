// The recovery file follows the real-time graph's unsaved samples, every run
// left behind is offered back at the next start, and nothing the program does
// removes or empties a file that is not its own run's.
#include "RealTimeFixture.h"

#include "app/Regional.h"
#include "realtime/LeftOverRuns.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QToolButton>
#include <functional>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A run of another program (tq612-cli on a second meter) in the same
// documents folder: it records while it lives, and leaves its file behind
// when it is killed.
struct OtherRun {
    QString documents;
    AppSettings settings;
    std::unique_ptr<RealTimeSession> session;
    QString path;
    TDateTime start = 0, end = 0;

    OtherRun(const QString& folder, TDateTime startTime, int samples)
        : documents(folder)
        , session(std::make_unique<RealTimeSession>(settings, documents))
        , start(startTime)
    {
        session->setKeepsSamples(false);
        session->startRun(start, 1000);
        for (int k = 0; k < samples; ++k) {
            end = start + k * DateTime::OneSecond;
            session->TakeSample(end, {20.0f + float(k), 21, 22, 23});
        }
        path = session->recoveryFileName();
    }
    // kill -9: nothing ends properly, the system drops the lock.
    void kill() { session.reset(); }
};

} // namespace

TEST_F(RealTimeTest, RecoveryFileFollowsTheSamples)
{
    startRun(100, 1);
    driver.ticks(4);
    auto run = RealTimeRecovery::read(recoveryFile());
    ASSERT_TRUE(run);
    EXPECT_EQ(run->points, 100);
    ASSERT_EQ(run->samples.size(), 4u);
    EXPECT_DOUBLE_EQ(run->samples[3].time, now());

    main->btnStopClick();
    EXPECT_TRUE(QFile::exists(recoveryFile()));   // stopped but not saved

    prompts.answers.push_back(QMessageBox::No);   // "Save Real-Time Graph ?"
    graph().tbntClr->click();
    EXPECT_EQ(main->Session.SampleCount(), 0);
    EXPECT_FALSE(QFile::exists(recoveryFile()));
}

TEST_F(RealTimeTest, ClosingAfterTheQuestionEndsTheRecoveryFile)
{
    startRun(100, 1);
    driver.ticks(3);
    main->btnStopClick();
    prompts.answers.push_back(QMessageBox::No);   // "Save Real-Time Graph ?" at closing
    graph().parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(main->RealTimeGraph);
    EXPECT_FALSE(QFile::exists(recoveryFile()));
}

TEST_F(RealTimeTest, ALeftBehindRunIsOfferedAtTheNextStart)
{
    startRun(100, 1);
    driver.readings = {20.5f, 21.0f, 3500.0f, 9999.0f};   // T4 without data
    driver.ticks(7);
    const TDateTime lastSample = now();
    // The program dies here: nothing closes, nothing is asked, and the
    // system drops the lock it held on the file.
    const QString file = recoveryFile();
    ASSERT_TRUE(QFile::exists(file));
    const QString documents = main->DocumentFolder;
    main.reset();

    struct Case {
        std::deque<QMessageBox::StandardButton> answers;   // the offer, and the question before a discard
        bool loaded;
        bool fileKept;
    };
    const Case cases[] = {{{QMessageBox::Cancel}, false, true},
                          {{QMessageBox::Yes}, true, true},
                          {{QMessageBox::No, QMessageBox::No}, false, true},
                          {{QMessageBox::No, QMessageBox::Yes}, false, false}};
    for (const Case& c : cases) {
        TfrmMain next;
        next.DocumentFolder = documents;
        next.RealTime->CreateRealTimeGraph();
        prompts.messages.clear();
        prompts.answers = c.answers;
        next.RealTime->offerRecovery();
        ASSERT_EQ(prompts.messages.size(), qsizetype(c.answers.size()));
        EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("7 samples")));
        EXPECT_EQ(QFile::exists(file), c.fileKept);
        if (c.loaded) {
            PESGraph& chart = *next.RealTimeGraph->PESGraph1;
            EXPECT_EQ(next.Session.SampleCount(), 7);
            EXPECT_EQ(chart.Points(), 7);
            EXPECT_DOUBLE_EQ(chart.XDataII(0, 6), lastSample);
            EXPECT_EQ(chart.YData(0, 6), 20.5f);
            EXPECT_TRUE(next.Session.RealTimeUnsaved());
            EXPECT_EQ(next.RealTimeGraph->maxField(2)->text(), QStringLiteral("OL"));
            EXPECT_EQ(next.RealTimeGraph->avgField(2)->text(), QStringLiteral("****"));
            // No reading ever came below "no data": no MIN to show.
            EXPECT_EQ(next.RealTimeGraph->maxField(3)->text(), QStringLiteral("OL"));
            EXPECT_EQ(next.RealTimeGraph->minField(3)->text(), QString());
        }
    }
}

TEST_F(RealTimeTest, UnsavedSamplesKeepTheirRecoveryFileWhenTheWindowsGoWithoutAsking)
{
    // As when the program is ended by the session or a signal: no close question.
    struct Ending {
        const char* what;
        std::function<void()> end;
    };
    const Ending endings[] = {
        {"the real-time window destroyed", [this] { delete graph().parentWidget(); }},
        {"the main window destroyed", [this] { main.reset(); }},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.what);
        SetUp();  // a main window of its own for each ending
        startRun(100, 1);
        driver.ticks(5);
        const QString file = recoveryFile();
        e.end();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto run = RealTimeRecovery::read(file);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->samples.size(), 5u);
    }
}

TEST_F(RealTimeTest, EveryRunLeftBehindIsOfferedNewestFirstWithItsStartEndAndCount)
{
    const TDateTime hour = 3600 * DateTime::OneSecond;
    const QString folder = main->Session.recoveryFolder();
    OtherRun older(main->DocumentFolder, now() - 5 * hour, 3);
    OtherRun newer(main->DocumentFolder, now() - 2 * hour, 5);
    OtherRun goingOn(main->DocumentFolder, now() - hour, 4);
    older.kill();
    newer.kill();
    // Left by a version that wrote every run into one file.
    const TDateTime legacyStart = now() - 9 * hour;
    {
        QFile legacy(RealTimeRecovery::legacyFileName(folder));
        ASSERT_TRUE(legacy.open(QIODevice::WriteOnly));
        legacy.write(RealTimeRecovery::headerLines(legacyStart, 100)
                     + RealTimeRecovery::sampleLine(legacyStart, {1, 2, 3, 4})
                     + RealTimeRecovery::sampleLine(legacyStart + 2 * DateTime::OneSecond, {1, 2, 3, 4}));
    }
    const QString legacyPath = RealTimeRecovery::legacyFileName(folder);
    const QByteArray olderBytes = contents(older.path), newerBytes = contents(newer.path),
                     legacyBytes = contents(legacyPath);

    prompts.answers = {QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel};
    main->RealTime->offerRecovery();
    struct Offered {
        int samples;
        TDateTime start, end;
    };
    const Offered expected[] = {{5, newer.start, newer.end},
                                {3, older.start, older.end},
                                {2, legacyStart, legacyStart + 2 * DateTime::OneSecond}};
    ASSERT_EQ(prompts.messages.size(), 3) << "the run going on is not offered: " << prompts.messages.join('\n').toStdString();
    for (int i = 0; i < 3; ++i) {
        const QString& m = prompts.messages[i];
        EXPECT_TRUE(m.contains(QStringLiteral("%1 samples").arg(expected[i].samples))) << m.toStdString();
        EXPECT_TRUE(m.contains(Regional::dateTimeText(expected[i].start))) << m.toStdString();
        EXPECT_TRUE(m.contains(Regional::dateTimeText(expected[i].end))) << m.toStdString();
    }
    EXPECT_EQ(main->Session.SampleCount(), 0);

    // Cancel keeps them, and nothing later removes them unasked.
    main->Exit1Click();
    EXPECT_EQ(contents(older.path), olderBytes);
    EXPECT_EQ(contents(newer.path), newerBytes);
    EXPECT_EQ(contents(legacyPath), legacyBytes);
    EXPECT_EQ(RealTimeRecovery::read(goingOn.path)->samples.size(), 4u);
    EXPECT_EQ(RealTimeRecovery::leftOverRuns(folder).size(), 3u) << "offered again at the next start";
}

TEST_F(RealTimeTest, EachRunLeftBehindIsOpenedDiscardedOrKeptOnItsOwn)
{
    using B = QMessageBox::StandardButton;
    struct Case {
        const char* name;
        std::deque<B> answers;
        bool newerKept, olderKept;
        int shown;   // samples in the real-time graph
    };
    const Case cases[] = {
        {"Yes opens the newest, Cancel keeps the older", {B::Yes, B::Cancel}, true, true, 5},
        {"No asks before it discards", {B::No, B::Yes, B::No, B::No}, false, true, 0},
        // The run opened first is offered for saving before the next one takes the graph.
        {"Yes to both", {B::Yes, B::Yes, B::No}, false, true, 3},
        {"Yes to both, the first one's question cancelled", {B::Yes, B::Yes, B::Cancel}, true, true, 5},
    };
    const TDateTime hour = 3600 * DateTime::OneSecond;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        QDir(main->Session.recoveryFolder()).removeRecursively();   // nothing left by the case before
        OtherRun older(main->DocumentFolder, now() - 2 * hour, 3);
        OtherRun newer(main->DocumentFolder, now() - hour, 5);
        older.kill();
        newer.kill();
        prompts.messages.clear();
        prompts.answers = c.answers;
        main->RealTime->offerRecovery();
        EXPECT_TRUE(prompts.answers.empty()) << "every answer was asked for";
        EXPECT_EQ(QFile::exists(newer.path), c.newerKept);
        EXPECT_EQ(QFile::exists(older.path), c.olderKept);
        EXPECT_EQ(main->Session.SampleCount(), c.shown);
        EXPECT_EQ(chart().Points(), c.shown ? c.shown : 100);
        if (c.shown) {
            EXPECT_TRUE(main->Session.RealTimeUnsaved());
            EXPECT_EQ(main->RealTime->recoveryFileName(), c.shown == 5 ? newer.path : older.path)
                << "the opened run's file is now the program's own";
        }
        // The program holds the run it shows: another program does not offer it meanwhile.
        const auto offeredElsewhere = RealTimeRecovery::leftOverRuns(main->Session.recoveryFolder());
        EXPECT_EQ(int(offeredElsewhere.size()), int(c.newerKept) + int(c.olderKept) - (c.shown ? 1 : 0));
    }
}

TEST_F(RealTimeTest, AnotherRunsFileOutlivesEverythingTheProgramDoes)
{
    struct Case {
        const char* name;
        std::function<void()> act;
        bool ownRun;
    };
    const Case cases[] = {
        {"File > Exit while idle", [this] { main->Exit1Click(); }, false},
        {"Cancel at the offer, then Exit", [this] {
             prompts.answers = {QMessageBox::Cancel};
             main->RealTime->offerRecovery();
             main->Exit1Click();
         }, false},
        {"Run, Stop, Clear", [this] {
             startRun(100, 1);
             driver.ticks(3);
             main->btnStopClick();
             prompts.answers = {QMessageBox::No};   // "Save Real-Time Graph ?"
             graph().tbntClr->click();
         }, true},
        {"Run, then Exit without saving", [this] {
             startRun(100, 1);
             driver.ticks(3);
             prompts.answers = {QMessageBox::No};   // "Save Real-Time Graph ?"
             main->Exit1Click();
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        // tq612-cli on a second meter is killed while the program is open and idle.
        OtherRun killed(main->DocumentFolder, now() - 60 * DateTime::OneSecond, 6);
        killed.kill();
        const QByteArray before = contents(killed.path);
        c.act();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(contents(killed.path), before);
        if (c.ownRun) {
            EXPECT_NE(recoveryFile(), killed.path);
            EXPECT_FALSE(QFile::exists(recoveryFile())) << "the program's own run ended as asked";
        }
        QFile::remove(killed.path);
    }
}
