// The recovery file is promised written through to the disk: every sample's
// line is synced (fdatasync), lines that come faster than once a second share
// a sync, a stalled disk holds up no sample, and a disk that refuses the
// samples is reported.
#include "DiskSpy.h"

#include "app/Settings.h"
#include "realtime/RealTimeSession.h"
#include "realtime/RunFile.h"

#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cerrno>

using namespace std::chrono_literals;
using RealTimeRecovery::RunFile;

namespace {

constexpr TDateTime Start = 46143.5;
constexpr TDateTime Second = DateTime::OneSecond;
const RealTimeRecovery::Readings Reading{21.5f, 22.5f, 23.5f, 24.5f};

class RecoverySync : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(docs.isValid());
        DiskSpy::reset();
    }
    void TearDown() override { DiskSpy::reset(); }

    QString folder() const { return docs.path() + QStringLiteral("/temp/"); }
    static qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }
    QTemporaryDir docs;
};

TEST_F(RecoverySync, EachSamplesLineIsOnTheDiskBeforeTheNextSampleIsDue)
{
    // At one sample a second or slower every line has a sync of its own; the
    // test does not wait the second between them.
    RunFile file(0ms);
    ASSERT_TRUE(file.create(folder(), Start, 100));
    for (int k = 0; k < 5; ++k) {
        ASSERT_TRUE(file.append(Start + k * Second, Reading));
        ASSERT_TRUE(file.waitUntilOnDisk(10s));
        EXPECT_EQ(DiskSpy::syncedSize(file.path()), sizeOf(file.path())) << "sample " << k;
    }
}

TEST_F(RecoverySync, LinesFasterThanOneASecondShareASync)
{
    RunFile file;   // the program's own gap of a second
    ASSERT_TRUE(file.create(folder(), Start, 1000));
    QElapsedTimer writing;
    writing.start();
    for (int k = 0; k < 20; ++k) {
        ASSERT_TRUE(file.append(Start + k * Second / 20, Reading));
        QThread::msleep(20);   // lines a twentieth of a second apart, each with time for a sync of its own
    }
    const qint64 seconds = writing.elapsed() / 1000;
    ASSERT_TRUE(file.waitUntilOnDisk(10s));
    EXPECT_EQ(DiskSpy::syncedSize(file.path()), sizeOf(file.path())) << "the last line is on the disk too";
    // The header's sync, then one a second at most.
    EXPECT_LE(DiskSpy::syncs().size(), size_t(2 + seconds));
}

TEST_F(RecoverySync, AStalledDiskHoldsUpNoSample)
{
    AppSettings settings;
    const QString documents = docs.path() + QLatin1Char('/');
    RealTimeSession session(settings, documents);
    DiskSpy::stallSyncs(20s);
    session.startRun(Start, 100);
    ASSERT_TRUE(DiskSpy::waitForSyncs(1, 10s)) << "the header's sync, which the disk holds up";
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(session.TakeSample(Start + k * Second, Reading));
    // Had a sample waited for the disk, it would have returned only when the stall ended.
    EXPECT_TRUE(DiskSpy::stalled()) << "the samples were taken while the disk stalled";
    const auto run = RealTimeRecovery::read(session.recoveryFileName());
    ASSERT_TRUE(run);
    EXPECT_EQ(run->samples.size(), 3u) << "every line is with the system, waiting for the disk";
    DiskSpy::release();
    session.keepRecovery();
    EXPECT_EQ(DiskSpy::syncedSize(session.recoveryFileName()), sizeOf(session.recoveryFileName()))
        << "a kept file goes to the disk whole";
}

TEST_F(RecoverySync, ADiskThatRefusesTheSamplesIsReportedOnceAndTheRunGoesOn)
{
    AppSettings settings;
    const QString documents = docs.path() + QLatin1Char('/');
    RealTimeSession session(settings, documents);
    QStringList reports;
    QObject::connect(&session, &RealTimeSession::recoveryFailed, [&](const QString& text) { reports << text; });
    DiskSpy::failSyncsWith(EIO);   // NFS, a quota, a failing USB stick: they say so only here
    session.startRun(Start, 100);
    // The failed sync is heard of with a sample after it; then three more.
    QElapsedTimer waited;
    waited.start();
    int taken = 0;
    while (reports.isEmpty() && waited.elapsed() < 10000) {
        session.TakeSample(Start + taken++ * Second, Reading);
        QThread::msleep(5);
    }
    for (int k = 0; k < 3; ++k)
        session.TakeSample(Start + taken++ * Second, Reading);
    EXPECT_EQ(session.SampleCount(), taken) << "the recording goes on";
    ASSERT_EQ(reports.size(), 1) << reports.join('\n').toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("Input/output error"))) << reports[0].toStdString();
    EXPECT_TRUE(reports[0].contains(session.recoveryFileName())) << reports[0].toStdString();
}

} // namespace
