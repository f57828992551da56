// The user's alarm program, chosen in Real Time > Alarms...: a real script in
// a folder whose name holds a space, run without a shell at each beginning
// and end with every argument whole; one that fails is reported in the
// status bar and the samples go on.
#include "AlarmWindowFixture.h"
#include "support/ShellScript.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStatusBar>

namespace {

QStringList linesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The sample's time as the program gets it: local, with its offset from UTC.
QString zoned(TDateTime time)
{
    const QDateTime local = DateTime::toQDateTime(time);
    const int offset = local.offsetFromUtc();
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                 .arg(std::abs(offset) / 60 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

TEST_F(AlarmWindowTest, TheProgramGetsEachEventsWordsAsWholeArguments)
{
    // Each argument in brackets on a line of its own: an empty one shows as [].
    const QString script = writeScript(docs.filePath(QStringLiteral("alarm scripts")), QStringLiteral("log args.sh"),
                                       QStringLiteral("printf '[%s]' \"$@\" >> \"$(dirname \"$0\")/args.txt\"\n"
                                                      "echo >> \"$(dirname \"$0\")/args.txt\""));
    const QString args = docs.filePath(QStringLiteral("alarm scripts/args.txt"));
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}, {1, std::nullopt, -18.0}}, 0.5, 0, false, false, script),
              QDialog::Accepted);
    startRun(100, 1);
    setReadings(26.4f, -17.0f, 20, 20);
    driver.tick();
    const TDateTime first = now();
    setReadings(25.0f, -17.0f, 20, 20, 0b0010);
    driver.tick();
    const TDateTime second = now();

    ASSERT_TRUE(waitFor([&] { return linesOf(args).size() >= 3; })) << linesOf(args).join('\n').toStdString();
    const QStringList expected{
        "[ALARM][T1][high][26.4][26.0][" + zoned(first) + "]",
        "[CLEAR][T1][high][25.0][26.0][" + zoned(second) + "]",
        "[ALARM][T2][no reading][OL][][" + zoned(second) + "]",
    };
    EXPECT_EQ(linesOf(args).join('\n').toStdString(), expected.join('\n').toStdString());
}

TEST_F(AlarmWindowTest, AProgramThatFailsIsReportedAndTheRunGoesOn)
{
    const QString script = writeScript(docs.filePath(QStringLiteral("alarm scripts")), QStringLiteral("fails"),
                                       QStringLiteral("exit 3"));
    ASSERT_EQ(chooseAlarms({{0, 26.0, std::nullopt}}, 0.5, 0, false, false, script), QDialog::Accepted);
    startRun(100, 1);
    setReadings(27.0f, 20, 20, 20);
    driver.tick();
    ASSERT_TRUE(waitFor([&] { return !main->statusBar()->currentMessage().isEmpty(); }));
    EXPECT_EQ(main->statusBar()->currentMessage(),
              QStringLiteral("The alarm program %1 (ALARM T1 high) failed with exit code 3.").arg(script));
    driver.ticks(2);
    EXPECT_EQ(main->Session.SampleCount(), 3);
}
