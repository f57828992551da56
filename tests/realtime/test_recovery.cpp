// The recovery files of real-time runs: each run's own file survives the death
// of the program that writes it, with every sample that append() returned
// for, and the runs left behind are found, newest first, without touching a
// run that goes on in another process.
#include "DiskSpy.h"
#include "realtime/LeftOverRuns.h"
#include "realtime/RealTimeRecovery.h"
#include "realtime/RunFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace RealTimeRecovery;

namespace {

constexpr TDateTime Start = 46143.375;   // 2026-05-01 09:00:00
const Readings Sample0{21.5f, -10.3f, 3276.7f, 9999.0f};

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A run in a process of its own: it writes `samples` samples into its own
// file in `folder`, then records on until it is killed.
class RunInAnotherProcess {
public:
    RunInAnotherProcess(const QString& folder, TDateTime start, int samples)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        child = ::fork();
        if (child == 0) {
            RunFile file;
            bool ok = file.create(folder, start, 2000);
            for (int i = 0; ok && i < samples; ++i)
                ok = file.append(start + i * 2 * DateTime::OneSecond, {float(i), 1, 2, 3});
            const QByteArray report = (ok ? "y" : "n") + file.path().toLocal8Bit() + '\n';
            (void)!::write(ready[1], report.constData(), size_t(report.size()));
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        QByteArray report;
        char c = 0;
        while (::read(ready[0], &c, 1) == 1 && c != '\n')
            report += c;
        ::close(ready[0]);
        started = report.startsWith('y');
        path = QString::fromLocal8Bit(report.mid(1));
    }
    ~RunInAnotherProcess() { kill(); }
    // As kill -9: nothing of the run ends properly.
    void kill()
    {
        if (child <= 0)
            return;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        child = -1;
    }
    bool started = false;
    QString path;   // the run's file

private:
    pid_t child = -1;
};

class Recovery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(docs.isValid()); }
    QString folder() const { return RealTimeRecovery::folder(docs.path() + QLatin1Char('/')); }
    QTemporaryDir docs;
};

TEST_F(Recovery, EachRunHasAFileOfItsOwnNamedAfterItsStartAndProcess)
{
    EXPECT_EQ(RealTimeRecovery::folder(QStringLiteral("/home/u/Documents/TQ612/")),
              QStringLiteral("/home/u/Documents/TQ612/temp/"));
    EXPECT_TRUE(RealTimeRecovery::folder(QString()).isEmpty());

    // Two runs of one process in the same second, one of another process.
    RunFile first, second;
    ASSERT_TRUE(first.create(folder(), Start, 100));
    ASSERT_TRUE(second.create(folder(), Start, 100));
    const QString pid = QString::number(::getpid());
    EXPECT_EQ(first.path(), folder() + QStringLiteral("RealTimeRecovery-20260501-090000-%1.txt").arg(pid));
    EXPECT_EQ(second.path(), folder() + QStringLiteral("RealTimeRecovery-20260501-090000-%1-2.txt").arg(pid));
    ASSERT_TRUE(first.append(Start, Sample0));
    ASSERT_TRUE(second.append(Start, {1, 2, 3, 4}));
    EXPECT_EQ(read(first.path())->samples[0].readings, Sample0);
    EXPECT_EQ(read(second.path())->samples[0].readings, (Readings{1, 2, 3, 4}));
}

TEST_F(Recovery, ANewFileRemovedBeforeItsLockIsReplacedByAnother)
{
    // Another program's look for runs left behind found the new, empty file
    // unlocked and removed it: the run takes another name and keeps its samples.
    DiskSpy::removeBeforeNextWaitingLock();
    RunFile file;
    ASSERT_TRUE(file.create(folder(), Start, 100));
    const QString removed = DiskSpy::removedBeforeLock();
    DiskSpy::reset();
    ASSERT_FALSE(removed.isEmpty());
    EXPECT_NE(file.path(), removed);
    ASSERT_TRUE(file.append(Start, Sample0));
    const auto run = read(file.path());
    ASSERT_TRUE(run);
    EXPECT_EQ(run->samples.size(), 1u);
    EXPECT_TRUE(leftOverRuns(folder()).empty()) << "and holds it";
}

TEST_F(Recovery, SamplesSurviveAKilledWriter)
{
    constexpr int Written = 25;
    RunInAnotherProcess other(folder(), Start, Written);
    ASSERT_TRUE(other.started);
    other.kill();

    const auto runs = leftOverRuns(folder());
    ASSERT_EQ(runs.size(), 1u);
    const RealTimeRecovery::Run& run = runs[0].run;
    EXPECT_DOUBLE_EQ(run.start, Start);
    EXPECT_EQ(run.points, 2000);
    ASSERT_EQ(run.samples.size(), size_t(Written));
    EXPECT_EQ(run.samples.back().readings[0], float(Written - 1));
    EXPECT_DOUBLE_EQ(runs[0].end(), Start + (Written - 1) * 2 * DateTime::OneSecond);
}

TEST_F(Recovery, ValuesRoundTripExactly)
{
    RunFile file;
    ASSERT_TRUE(file.create(folder(), Start, 100));
    const TDateTime t = Start + 1234.5 * DateTime::OneSecond;
    ASSERT_TRUE(file.append(t, Sample0));
    const auto run = read(file.path());
    ASSERT_TRUE(run && run->samples.size() == 1);
    EXPECT_EQ(run->samples[0].time, t);
    EXPECT_EQ(run->samples[0].readings, Sample0);
}

TEST_F(Recovery, ALineCutShortIsLeftOut)
{
    QString path;
    {
        RunFile file;
        ASSERT_TRUE(file.create(folder(), Start, 100));
        ASSERT_TRUE(file.append(Start, Sample0));
        path = file.path();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("46143.4 21.5 22");   // the crash came in the middle of a line
    f.close();
    const auto run = read(path);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->samples.size(), 1u);
}

TEST_F(Recovery, ForeignOrMissingFilesAreNotRecoveries)
{
    const QString path = docs.filePath(QStringLiteral("other.txt"));
    EXPECT_FALSE(read(path));
    writeFile(path, "01/02/2026\t10:00:00\t21.5\t22.0\t23.0\t24.0\r\n");
    EXPECT_FALSE(read(path));
}

TEST_F(Recovery, KeepLeavesTheFileForTheNextStartAndDiscardRemovesIt)
{
    RunFile kept, discarded;
    ASSERT_TRUE(kept.create(folder(), Start, 100));
    ASSERT_TRUE(discarded.create(folder(), Start + 1, 100));
    ASSERT_TRUE(kept.append(Start, Sample0));
    ASSERT_TRUE(discarded.append(Start + 1, Sample0));
    EXPECT_TRUE(leftOverRuns(folder()).empty()) << "both are held while their runs go on";

    kept.keep();
    discarded.discard();
    EXPECT_FALSE(QFile::exists(discarded.path()));
    EXPECT_FALSE(discarded.append(Start, Sample0));
    const auto runs = leftOverRuns(folder());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].file->path(), kept.path());
}

// What the program finds at its start in a folder where several runs were
// left behind, one goes on in another process, and some files hold nothing.
TEST_F(Recovery, EveryRunLeftBehindIsFoundNewestFirstAndARunGoingOnIsLeftAlone)
{
    const TDateTime hour = 3600 * DateTime::OneSecond;
    RunInAnotherProcess older(folder(), Start, 3);
    RunInAnotherProcess newer(folder(), Start + 2 * hour, 5);
    RunInAnotherProcess goingOn(folder(), Start + 3 * hour, 4);
    ASSERT_TRUE(older.started && newer.started && goingOn.started);
    older.kill();
    newer.kill();
    // Left by a version that wrote one file for every run.
    writeFile(legacyFileName(folder()), "TQ612 real-time recovery 1\nstart 46143.416666666664 points 10\n"
                                        "46143.416666666664 1 2 3 4\n46143.42 5 6 7 8\n");
    // A run that took no sample, one that died before its first line, and a file of someone else's.
    RunFile noSample;
    ASSERT_TRUE(noSample.create(folder(), Start + hour, 10));
    const QString noSamplePath = noSample.path();
    noSample.keep();
    const QString unborn = folder() + QStringLiteral("RealTimeRecovery-20260501-120000-1.txt");
    writeFile(unborn, "");
    const QString foreign = folder() + QStringLiteral("RealTimeRecovery-notes.txt");
    writeFile(foreign, "my own notes\n");

    const auto runs = leftOverRuns(folder());
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].run.samples.size(), 5u) << "newest first";
    EXPECT_EQ(runs[1].run.samples.size(), 2u);
    EXPECT_EQ(runs[1].file->path(), legacyFileName(folder()));
    EXPECT_DOUBLE_EQ(runs[1].end(), 46143.42);
    EXPECT_EQ(runs[2].run.samples.size(), 3u);

    EXPECT_FALSE(QFile::exists(noSamplePath)) << "nothing in it worth offering";
    EXPECT_FALSE(QFile::exists(unborn));
    EXPECT_EQ(contents(foreign), QByteArray("my own notes\n")) << "not a run's file: left as it is";
    const auto goingOnRun = read(goingOn.path);
    ASSERT_TRUE(goingOnRun) << "the run going on keeps its file";
    EXPECT_EQ(goingOnRun->samples.size(), 4u);

    // While these are being offered, no other program offers them.
    EXPECT_TRUE(leftOverRuns(folder()).empty());
}

TEST_F(Recovery, ALegacyFileThatAnOlderVersionIsWritingIsNotOffered)
{
    QDir().mkpath(folder());
    writeFile(legacyFileName(folder()), "TQ612 real-time recovery 1\nstart 46143 points 10\n46143 1 2 3 4\n");
    QFile lock(legacyFileName(folder()) + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(lock.handle(), LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(leftOverRuns(folder()).empty());
    lock.close();
    EXPECT_EQ(leftOverRuns(folder()).size(), 1u);
}

} // namespace
