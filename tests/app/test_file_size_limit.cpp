// The program under a file size limit (ulimit -f, prlimit --fsize, a
// service's LimitFSIZE=): a write past the limit fails and the program goes
// on, with whatever unsaved data its windows hold, instead of being ended by
// the kernel's SIGXFSZ. The program itself is run, as its user runs it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileSizeLimit, TheProgramOutlivesAWritePastTheLimit)
{
    QTemporaryDir home;
    // A port that does not exist: the start-up probe asks it at once, and
    // the connection log says so.
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral("config/TQ612"))));
    QFile settings(home.filePath(QStringLiteral("config/TQ612/TQ612.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[SerialComm]\nsim=/nonexistent/ttyTQ612\n");
    settings.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    // The log's first line is longer than the limit: the system writes the
    // part that fits, and the rest, written right after, is past the limit.
    constexpr int Limit = 64;
    const QString log = home.filePath(QStringLiteral("link.log"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral("prlimit"), {QStringLiteral("--fsize=%1").arg(Limit), QStringLiteral("--"),
                                              QStringLiteral(TQ612_EXE), QStringLiteral("--log"), log});
    ASSERT_TRUE(program.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(log).size() < Limit && program.state() == QProcess::Running && waited.elapsed() < 60000)
        program.waitForFinished(50);
    ASSERT_EQ(QFileInfo(log).size(), Limit) << "the log reached the limit";

    EXPECT_FALSE(program.waitForFinished(2000))
        << "the program ended: exit status " << program.exitStatus() << ", code " << program.exitCode();
    program.kill();
    program.waitForFinished(10000);
}
