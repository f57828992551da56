// The recovery file of a real-time run survives the death of the program
// that writes it, with every sample that append() returned for.
#include "realtime/RealTimeRecovery.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace RealTimeRecovery;

namespace {
constexpr TDateTime Start = 46143.375;
const Readings Sample0{21.5f, -10.3f, 3276.7f, 9999.0f};
}

TEST(RealTimeRecovery, FileNameUnderTheDocumentFolder)
{
    EXPECT_EQ(fileName(QStringLiteral("/home/u/Documents/TQ612/")),
              QStringLiteral("/home/u/Documents/TQ612/temp/RealTimeRecovery.txt"));
    EXPECT_TRUE(fileName(QString()).isEmpty());
}

TEST(RealTimeRecovery, SamplesSurviveAKilledWriter)
{
    QTemporaryDir dir;
    const QString path = fileName(dir.path() + QLatin1Char('/'));
    constexpr int Written = 25;

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The recording program: writes samples, reports, then hangs until killed.
        Writer writer(path);
        bool ok = writer.begin(Start, 2000);
        for (int i = 0; ok && i < Written; ++i)
            ok = writer.append(Start + i * 2 * DateTime::OneSecond, {float(i), 1, 2, 3});
        const char status = ok ? 'y' : 'n';
        (void)!write(ready[1], &status, 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    close(ready[0]);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(status, 'y');

    const auto run = RealTimeRecovery::read(path);
    ASSERT_TRUE(run.has_value());
    EXPECT_DOUBLE_EQ(run->start, Start);
    EXPECT_EQ(run->points, 2000);
    ASSERT_EQ(run->samples.size(), size_t(Written));
    EXPECT_EQ(run->samples.back().readings[0], float(Written - 1));
    EXPECT_DOUBLE_EQ(run->samples.back().time, Start + (Written - 1) * 2 * DateTime::OneSecond);
}

TEST(RealTimeRecovery, ValuesRoundTripExactly)
{
    QTemporaryDir dir;
    const QString path = fileName(dir.path() + QLatin1Char('/'));
    Writer writer(path);
    ASSERT_TRUE(writer.begin(Start, 100));
    const TDateTime t = Start + 1234.5 * DateTime::OneSecond;
    ASSERT_TRUE(writer.append(t, Sample0));
    const auto run = RealTimeRecovery::read(path);
    ASSERT_TRUE(run && run->samples.size() == 1);
    EXPECT_EQ(run->samples[0].time, t);
    EXPECT_EQ(run->samples[0].readings, Sample0);
}

TEST(RealTimeRecovery, ALineCutShortIsLeftOut)
{
    QTemporaryDir dir;
    const QString path = fileName(dir.path() + QLatin1Char('/'));
    {
        Writer writer(path);
        ASSERT_TRUE(writer.begin(Start, 100));
        ASSERT_TRUE(writer.append(Start, Sample0));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("46143.4 21.5 22");   // the crash came in the middle of a line
    f.close();
    const auto run = RealTimeRecovery::read(path);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->samples.size(), 1u);
}

TEST(RealTimeRecovery, ForeignOrMissingFilesAreNotRecoveries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.txt"));
    EXPECT_FALSE(RealTimeRecovery::read(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("01/02/2026\t10:00:00\t21.5\t22.0\t23.0\t24.0\r\n");
    f.close();
    EXPECT_FALSE(RealTimeRecovery::read(path));
}

TEST(RealTimeRecovery, DiscardRemovesTheFile)
{
    QTemporaryDir dir;
    const QString path = fileName(dir.path() + QLatin1Char('/'));
    Writer writer(path);
    ASSERT_TRUE(writer.begin(Start, 100));
    ASSERT_TRUE(QFile::exists(path));
    writer.discard();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(writer.append(Start, Sample0));
}
