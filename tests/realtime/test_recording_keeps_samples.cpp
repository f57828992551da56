// What a run has recorded survives the dialogs and buttons around it: the
// chart's customisation opened mid-run, a "Clear" whose save did not happen,
// a save cancelled while it writes, a recovery file that can not be written;
// and closing the window leaves Run usable.
#include "RealTimeFixture.h"

#include "DiskSpy.h"
#include "chart/ChartCustomizeDialog.h"
#include "files/UScope.h"
#include "support/ProgressCancel.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The Y values of channel `c` over the first `count` points.
std::vector<float> channel(const PESGraph& chart, int c, int count)
{
    std::vector<float> ys;
    for (int p = 0; p < count; ++p)
        ys.push_back(chart.YData(c, p));
    return ys;
}

// The readings the tick driver hands over: a different set for every tick.
void tickWithReadings(FakeTickDriver& driver, int count, std::vector<float>& taken)
{
    for (int i = 0; i < count; ++i) {
        const float v = 10.0f + float(taken.size());
        driver.readings = {v, v + 1, v + 2, v + 3};
        taken.push_back(v);
        driver.tick();
    }
}

} // namespace

TEST_F(RealTimeTest, CustomisingMidRunKeepsTheSamplesTakenMeanwhile)
{
    // The chart's customisation dialog is modal, but the meter's ticks go on under it.
    struct Case {
        const char* name;
        bool titlesPage;              // printing hides the titles page
        std::function<void()> open;   // opens the dialog the way the user does
    };
    const Case cases[] = {
        {"Graph Option", true, [this] { graph().Button1Click(); }},
        {"Print", false, [this] {
             QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(graph().parentWidget());
             main->MdiArea->setActiveSubWindow(sub);
             ASSERT_EQ(main->activeChild(), &graph());
             main->btnPrintClick();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.answers = {QMessageBox::No};   // the samples of the case before are dropped
        startRun(50, 1);
        std::vector<float> taken;
        tickWithReadings(driver, 3, taken);
        prompts.dialogs.push_back([&](QDialog& d) {
            auto& dialog = dynamic_cast<ChartCustomizeDialog&>(d);
            dialog.edtMainTitle->setText(QStringLiteral("Oven %1").arg(c.name));
            // Samples while the dialog is open, the last ones past the X axis's end.
            tickWithReadings(driver, 2, taken);
            clock.advance(200 * 1000);
            tickWithReadings(driver, 2, taken);
            return int(QDialog::Accepted);
        });
        prompts.answers = {QMessageBox::No};   // "Do you want to save the changes ?"
        prompts.printAnswers = {false};        // the print dialog is cancelled
        c.open();

        ASSERT_EQ(main->Session.SampleCount(), 7);
        EXPECT_EQ(channel(chart(), 0, 7), taken);
        EXPECT_EQ(chart().XDataII(3, 6), now());
        EXPECT_GT(chart().ManualMaxX(), now()) << "the X axis still reaches the last sample";
        const auto run = RealTimeRecovery::read(recoveryFile());
        ASSERT_TRUE(run);
        ASSERT_EQ(run->samples.size(), 7u);
        EXPECT_EQ(run->samples.back().readings[0], taken.back());
        // The look chosen in the dialog is applied all the same.
        if (c.titlesPage)
            EXPECT_EQ(chart().MainTitle(), QStringLiteral("Oven %1").arg(c.name));
        main->btnStopClick();
    }
}

TEST_F(RealTimeTest, AStopWhileCustomisingIsNotUndone)
{
    startRun(50, 1);
    std::vector<float> taken;
    tickWithReadings(driver, 2, taken);
    prompts.dialogs.push_back([&](QDialog&) {
        tickWithReadings(driver, 1, taken);
        main->btnStopClick();
        return int(QDialog::Accepted);
    });
    prompts.answers = {QMessageBox::No};
    graph().Button1Click();
    EXPECT_FALSE(main->Session.RealTimeRunning());
    EXPECT_EQ(chart().Points(), 3) << "the stopped graph keeps its trimmed length";
    EXPECT_EQ(channel(chart(), 0, 3), taken);
    EXPECT_FALSE(graph().avgField(0)->text().isEmpty());
}

TEST_F(RealTimeTest, ClearWhoseSaveDidNotHappenKeepsEverything)
{
    QTemporaryDir other;
    struct Case {
        const char* name;
        std::deque<QString> fileNames;   // answers to the save dialog
    };
    const Case cases[] = {
        {"save dialog cancelled", {}},
        {"file can not be written", {other.filePath(QStringLiteral("missing/folder/run.GHF"))}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.answers = {QMessageBox::No};   // the samples of the case before are dropped
        startRun(100, 1);
        std::vector<float> taken;
        tickWithReadings(driver, 5, taken);
        main->btnStopClick();
        prompts.answers = {QMessageBox::Yes};   // "Save Real-Time Graph ?"
        prompts.fileNames = c.fileNames;
        graph().tbntClr->click();

        EXPECT_EQ(main->Session.SampleCount(), 5);
        EXPECT_EQ(graph().txtDataNo->text(), QStringLiteral("5"));
        EXPECT_EQ(channel(chart(), 0, 5), taken);
        const auto run = RealTimeRecovery::read(recoveryFile());
        ASSERT_TRUE(run) << "the recovery file is kept";
        EXPECT_EQ(run->samples.size(), 5u);
    }
}

// Each question that offers to save the samples, answered Yes, with a CSV
// save cancelled in its progress dialog at 30 %: nothing is saved. The old
// file keeps its bytes, the window stays open with its samples unsaved, and
// the recovery file keeps them.
TEST_F(RealTimeTest, ASaveCancelledWhileWritingKeepsTheWindowTheSamplesAndTheOldFile)
{
    QTemporaryDir saves;
    const QString target = saves.filePath(QStringLiteral("run.csv"));
    const QByteArray oldBytes = "an earlier run\r\n";
    struct Case {
        const char* name;
        std::function<void()> ask;
    };
    const Case cases[] = {
        {"closing the window", [this] { graph().parentWidget()->close(); }},
        {"Clear", [this] { graph().tbntClr->click(); }},
        {"a new run", [this] { main->btnRunClick(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(oldBytes);
        }
        prompts.answers = {QMessageBox::No};   // the samples of the case before are dropped
        startRun(100, 1);
        std::vector<float> taken;
        tickWithReadings(driver, 10, taken);
        main->btnStopClick();

        prompts.answers = {QMessageBox::Yes};
        prompts.fileNames = {target};
        prompts.dialogs = {[](QDialog& d) {
            dynamic_cast<TfrmScope&>(d).radAll->setChecked(true);
            return 1;
        }};
        ProgressCancel cancel([](const TfrmScope& scope) {
            return scope.mode() == TfrmScope::Mode::Saving && scope.Progress1->value() == 3;
        });
        c.ask();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_EQ(cancel.presses, 1);
        QFile saved(target);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll(), oldBytes);
        EXPECT_EQ(QDir(saves.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("run.csv")});
        ASSERT_TRUE(main->RealTimeGraph) << "the window stays open";
        EXPECT_TRUE(main->Session.RealTimeUnsaved());
        EXPECT_FALSE(main->Session.RealTimeRunning());
        EXPECT_EQ(main->Session.SampleCount(), 10);
        EXPECT_EQ(channel(chart(), 0, 10), taken);
        const auto run = RealTimeRecovery::read(recoveryFile());
        ASSERT_TRUE(run) << "the recovery file is kept";
        EXPECT_EQ(run->samples.size(), 10u);
    }
}

TEST_F(RealTimeTest, ClosingTheWindowLeavesRunUsableWhileConnected)
{
    struct Case { const char* name; bool connected; };
    const Case cases[] = {{"link up", true}, {"link lost", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!main->RealTimeGraph)
            main->RealTime->CreateRealTimeGraph();
        startRun(100, 1);
        driver.ticks(2);
        main->Link.Connected = c.connected;
        prompts.answers = {QMessageBox::No};   // "Save Real-Time Graph ?"
        graph().parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(main->RealTimeGraph);
        EXPECT_FALSE(main->Session.RealTimeRunning());
        EXPECT_EQ(main->btnRun->isEnabled(), c.connected);
        EXPECT_EQ(main->Run1->isEnabled(), c.connected);
        EXPECT_FALSE(main->btnStop->isEnabled());
        EXPECT_FALSE(main->Stop1->isEnabled());
    }
    // Run then works again: it makes a new window and records.
    main->Link.Connected = true;
    startRun(10, 1);
    driver.ticks(2);
    EXPECT_EQ(main->Session.SampleCount(), 2);
}

TEST_F(RealTimeTest, ATickThatStoresNothingLeavesNothingUnsaved)
{
    startRun(3, 1);
    driver.ticks(3);
    ASSERT_EQ(main->Session.SampleCount(), 3);
    main->Session.setRealTimeUnsaved(false);
    // The graph has no point left for the sample of a late tick (the run filled it).
    main->takeSample(now(), driver.readings);
    EXPECT_EQ(main->Session.SampleCount(), 3);
    EXPECT_FALSE(main->Session.RealTimeUnsaved());
    EXPECT_FALSE(main->Session.RealTimeRunning());
    prompts.answers.clear();
    graph().parentWidget()->close();
    EXPECT_TRUE(prompts.messages.isEmpty()) << "closing asks nothing";
}

namespace {

// The recovery folder refuses the samples.
struct RecoveryBlocker {
    const char* name;
    std::function<void(const QString& folder)> block;
    const char* reason;
};

} // namespace

TEST_F(RealTimeTest, ARecoveryFileThatCanNotBeWrittenIsReportedOnceAndRecordingGoesOn)
{
    const RecoveryBlocker cases[] = {
        {"full disk", [](const QString& folder) { DiskSpy::failWritesUnder(folder, ENOSPC); },
         "No space left on device"},
        {"folder blocked by a file", [](const QString& folder) {
             QDir(folder).removeRecursively();
             QFile blocker(folder.chopped(1));
             ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
         },
         "the folder can not be created"},
    };
    const QString folder = main->Session.recoveryFolder();
    for (const RecoveryBlocker& c : cases) {
        SCOPED_TRACE(c.name);
        QDir().mkpath(folder);
        c.block(folder);
        prompts.answers = {QMessageBox::No};   // the samples of the case before are dropped
        startRun(100, 1);
        prompts.messages.clear();
        std::vector<float> taken;
        tickWithReadings(driver, 4, taken);

        EXPECT_EQ(main->Session.SampleCount(), 4);
        EXPECT_EQ(channel(chart(), 0, 4), taken);
        const QString report = main->statusBar()->currentMessage();
        EXPECT_TRUE(report.contains(QDir::toNativeSeparators(recoveryFile()))) << report.toStdString();
        EXPECT_TRUE(report.contains(QDir::toNativeSeparators(folder + QStringLiteral("RealTimeRecovery-"))))
            << report.toStdString();
        EXPECT_TRUE(report.contains(QLatin1String(c.reason))) << report.toStdString();
        EXPECT_TRUE(prompts.messages.isEmpty()) << "no box interrupts the run";

        main->btnStopClick();
        main->statusBar()->clearMessage();
        DiskSpy::reset();
        QDir(folder).removeRecursively();
        QFile::remove(folder.chopped(1));
    }
}

TEST_F(RealTimeTest, ARecoveryFileThatFailsMidRunIsReportedOnce)
{
    startRun(100, 1);
    std::vector<float> taken;
    tickWithReadings(driver, 2, taken);
    EXPECT_TRUE(main->statusBar()->currentMessage().isEmpty());
    // The disk goes bad in the middle of the run: every later write fails.
    DiskSpy::failWritesUnder(main->Session.recoveryFolder(), EIO);
    tickWithReadings(driver, 3, taken);
    const QString report = main->statusBar()->currentMessage();
    main->statusBar()->showMessage(QStringLiteral("something else"));
    tickWithReadings(driver, 2, taken);
    DiskSpy::reset();

    EXPECT_TRUE(report.contains(QDir::toNativeSeparators(recoveryFile()))) << report.toStdString();
    EXPECT_TRUE(report.contains(QLatin1String("Input/output error"), Qt::CaseInsensitive)) << report.toStdString();
    EXPECT_EQ(main->statusBar()->currentMessage(), QStringLiteral("something else")) << "reported once";
    EXPECT_EQ(main->Session.SampleCount(), 7);
    EXPECT_EQ(channel(chart(), 0, 7), taken);
    EXPECT_TRUE(main->Session.RealTimeRunning());
}
