// The recovery file follows the real-time graph's unsaved samples, and a
// file left behind is offered back at the next start.
#include "RealTimeFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QToolButton>
#include <functional>

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

    struct Case { QMessageBox::StandardButton answer; bool loaded; bool fileKept; };
    const Case cases[] = {{QMessageBox::Cancel, false, true}, {QMessageBox::Yes, true, true},
                          {QMessageBox::No, false, false}};
    for (const Case& c : cases) {
        TfrmMain next;
        next.DocumentFolder = documents;
        next.RealTime->CreateRealTimeGraph();
        prompts.messages.clear();
        prompts.answers.push_back(c.answer);
        next.RealTime->offerRecovery();
        ASSERT_EQ(prompts.messages.size(), 1);
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
        const QString file = recoveryFile();
        QFile::remove(file);
        startRun(100, 1);
        driver.ticks(5);
        e.end();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto run = RealTimeRecovery::read(file);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->samples.size(), 5u);
    }
}
