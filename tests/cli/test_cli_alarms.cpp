// tq612-cli live with alarms and a schedule, against the simulated meter, as
// a script or a service runs it: the ALARM and CLEAR lines on stderr with the
// times of the samples on stdout, the --on-alarm program as a real script in
// a folder whose name holds a space, a program that fails or hangs, a lost
// meter, a meter turned to °F, and runs that start and stop by the clock.
#include "CliRun.h"
#include "MeterSim.h"
#include "support/ShellScript.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <fstream>
#include <unistd.h>

using metersim::MeterSim;

namespace {

const QString Stamp = QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");

// A meter whose display holds `shown` (°C) in every frame.
std::unique_ptr<MeterSim> heldMeter(const std::array<double, 4>& shown)
{
    metersim::Options o;
    o.rateMs = 100;
    o.registerPort = false;
    auto sim = std::make_unique<MeterSim>(o);
    if (!sim->start())
        return nullptr;
    auto locked = sim->lock();
    sim->meter().hold = true;
    sim->meter().shown = shown;
    return sim;
}

void show(MeterSim& sim, const std::array<double, 4>& shown, bool celsius = true)
{
    auto locked = sim.lock();
    sim.meter().shown = shown;
    sim.meter().celsius = celsius;
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The lines of `text` that begin with ALARM or CLEAR.
QStringList eventLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf([](const QString& l) { return !l.startsWith(QLatin1String("ALARM ")) && !l.startsWith(QLatin1String("CLEAR ")); });
    return lines;
}

// The time of the first sample line of `csv` whose T1 is `t1`.
QString timeOfSampleWith(const QString& csv, const QString& t1)
{
    for (const QString& line : csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() == 6 && fields[1] == t1)
            return fields[0];
    }
    return {};
}

// ---- events ------------------------------------------------------------------------------------

TEST(CliAlarms, EachAlarmAndItsEndIsALineOnStderrAndARunOfTheProgram)
{
    const auto sim = heldMeter({30.0, -20.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    // Without a shell: the space stays in the path and every argument stays whole.
    const QString args = dir.filePath(QStringLiteral("args.txt"));
    const QString script = writeScript(dir.filePath(QStringLiteral("on alarm")), QStringLiteral("notify me.sh"),
                                       QStringLiteral("printf '%s|' \"$@\" >> '%1'\necho >> '%1'\n"
                                                      "echo 'the program speaks'")
                                           .arg(args));

    QString out, err;
    const CliRun run = runCli({"live", "--port", sim->portPath(), "--alarm", "T1>26", "--alarm", "T2<-18", "--alarm",
                               "T3>25", "--on-alarm", script},
                              {}, [&](QProcess& p) {
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains("ALARM T2"); }));
                                  // The door closed on T1; T3's probe is pulled out.
                                  show(*sim, {25.4, -20.0, 3000.0, 21.0});
                                  ASSERT_TRUE(readUntil(p, out, err, [&] {
                                      return err.contains("CLEAR T1") && readText(args).count('\n') >= 4;
                                  }));
                                  ::kill(pid_t(p.processId()), SIGTERM);
                              });
    out += run.out;
    err += run.err;
    EXPECT_EQ(run.exitCode, 0) << err.toStdString();

    const QString first = timeOfSampleWith(out, QStringLiteral("30.0"));
    const QString later = timeOfSampleWith(out, QStringLiteral("25.4"));
    ASSERT_FALSE(first.isEmpty()) << out.toStdString();
    ASSERT_FALSE(later.isEmpty()) << out.toStdString();
    EXPECT_EQ(eventLines(err), (QStringList{
                                   "ALARM T1 above 26.0: 30.0 at " + first,
                                   "ALARM T2 below -18.0: -20.0 at " + first,
                                   "CLEAR T1 above 26.0: 25.4 at " + later,
                                   "ALARM T3 no reading: OL at " + later,
                               }))
        << err.toStdString();
    EXPECT_EQ(readText(args).split('\n', Qt::SkipEmptyParts),
              (QStringList{
                  "ALARM|T1|high|30.0|26.0|" + first + "|",
                  "ALARM|T2|low|-20.0|-18.0|" + first + "|",
                  "CLEAR|T1|high|25.4|26.0|" + later + "|",
                  "ALARM|T3|no reading|OL||" + later + "|",
              }));
    // Standard output stays the samples' alone.
    EXPECT_FALSE(out.contains("the program speaks"));
    EXPECT_EQ(err.count("the program speaks"), 4);
}

TEST(CliAlarms, AMeterTurnedToFahrenheitConvertsTheLimitsAndSaysSo)
{
    const auto sim = heldMeter({25.0, 21.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    QString out, err;
    const CliRun run = runCli({"live", "--port", sim->portPath(), "--alarm", "T1>26"}, {}, [&](QProcess& p) {
        ASSERT_TRUE(readUntil(p, out, err, [&] { return out.count('\n') >= 2; }));
        show(*sim, {25.0, 21.0, 21.0, 21.0}, false);  // 77.0 °F
        ASSERT_TRUE(readUntil(p, out, err, [&] { return out.contains(",F"); }));
        show(*sim, {26.5, 21.0, 21.0, 21.0}, false);  // 79.7 °F
        ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains("ALARM"); }));
        ::kill(pid_t(p.processId()), SIGTERM);
    });
    err += run.err;
    EXPECT_TRUE(err.contains("tq612-cli: the meter now shows °F; the alarm limits are converted: T1 above 78.8 "
                             "(hysteresis 0.9)\n"))
        << err.toStdString();
    const QStringList events = eventLines(err);
    ASSERT_EQ(events.size(), 1) << err.toStdString();
    EXPECT_TRUE(QRegularExpression("^ALARM T1 above 78.8: 79.7 at " + Stamp + "$").match(events[0]).hasMatch())
        << events[0].toStdString();
}

TEST(CliAlarms, ALostMeterIsAnAlarmOnEveryWatchedChannelUntilItsFramesComeBack)
{
    const auto sim = heldMeter({21.0, 21.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    QString out, err;
    const CliRun run = runCli({"live", "--port", sim->portPath(), "--alarm", "T1>26", "--alarm", "T4<-40"}, {},
                              [&](QProcess& p) {
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return out.count('\n') >= 2; }));
                                  sim->setSilent(true);
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains("ALARM T4 no meter"); }));
                                  sim->setSilent(false);
                                  ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains("CLEAR T4 no meter"); }));
                                  ::kill(pid_t(p.processId()), SIGTERM);
                              });
    err += run.err;
    EXPECT_EQ(run.exitCode, 0);
    const QStringList events = eventLines(err);
    ASSERT_EQ(events.size(), 4) << err.toStdString();
    const QStringList expected = {"ALARM T1 no meter", "ALARM T4 no meter", "CLEAR T1 no meter", "CLEAR T4 no meter"};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(QRegularExpression("^" + expected[i] + " at " + Stamp + "$").match(events[i]).hasMatch())
            << events[i].toStdString();
    EXPECT_LT(err.indexOf("no live frames"), err.indexOf("ALARM T1 no meter")) << "after the link's own watchdog";
}

// ---- the program that fails or hangs ----------------------------------------------------------

struct ProgramCase {
    const char* name;
    const char* body;     // the script; $PIDFILE is where it leaves the process it started
    const char* message;  // what stderr says about it
};

std::ostream& operator<<(std::ostream& os, const ProgramCase& c)
{
    return os << c.name;
}

class CliAlarmProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(CliAlarmProgram, IsReportedAndNeverHoldsUpTheSamples)
{
    const auto sim = heldMeter({30.0, 21.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("child.pid"));
    const QString script = writeScript(dir.filePath(QStringLiteral("hook dir")), QStringLiteral("hook"),
                                       QString::fromLatin1(GetParam().body).replace("$PIDFILE", "'" + pidFile + "'"));
    QElapsedTimer took;
    took.start();
    const CliRun run = runCli({"live", "--port", sim->portPath(), "--count", "5", "--alarm", "T1>26", "--on-alarm",
                               script, "--on-alarm-timeout", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_LT(took.elapsed(), 20000) << "nothing waited for the 60 s the program wanted";
    EXPECT_TRUE(QRegularExpression(QRegularExpression::escape(
                                       "tq612-cli: the --on-alarm program " + script + " (ALARM T1 high) ")
                                   + GetParam().message)
                    .match(run.err)
                    .hasMatch())
        << run.err.toStdString();

    // A sample a second while the program ran: five in about four seconds (a
    // wait for the program would add its time-out), each on its own second.
    QList<QDateTime> times;
    for (const QString& line : run.outLines().mid(1))
        times << QDateTime::fromString(line.section(',', 0, 0), Qt::ISODate);
    ASSERT_EQ(times.size(), 5) << run.out.toStdString();
    for (int i = 1; i < times.size(); ++i)
        EXPECT_LT(times[i - 1], times[i]) << run.out.toStdString();
    EXPECT_LE(times.first().secsTo(times.last()), 5) << run.out.toStdString();

    // Whatever the program started is ended with it.
    const QString child = readText(pidFile).trimmed();
    if (!child.isEmpty()) {
        const QString stat = readText(QStringLiteral("/proc/%1/stat").arg(child));
        EXPECT_TRUE(stat.isEmpty() || stat.section(' ', 2, 2) == QLatin1String("Z")) << "still running: " << stat.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CliAlarmProgram,
    ::testing::Values(ProgramCase{"Fails", "exit 3", R"(failed with exit code 3)"},
                      ProgramCase{"DiesOfASignal", "kill -KILL $$", R"(was ended by a signal)"},
                      ProgramCase{"Hangs", "sleep 60 &\necho $! > $PIDFILE\nwait",
                                  R"(did not end within 2 s; it was ended)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliAlarms, AProgramGoneSinceTheStartIsReportedAndTheRunGoesOn)
{
    const auto sim = heldMeter({30.0, 30.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    // The first alarm's run takes the program away from the second.
    const QString script = writeScript(dir.path(), QStringLiteral("once"), QStringLiteral("rm -f \"$0\""));
    const CliRun run = runCli({"live", "--port", sim->portPath(), "--count", "3", "--alarm", "T1>26", "--alarm",
                               "T2>26", "--on-alarm", script});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outLines().size(), 4) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("tq612-cli: the --on-alarm program " + script + " (ALARM T2 high) could not be started"))
        << run.err.toStdString();
}

TEST(CliAlarms, AProgramStillRunningEndsWithAKilledRun)
{
    const auto sim = heldMeter({30.0, 21.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("program.pid"));
    const QString script = writeScript(dir.path(), QStringLiteral("hook"),
                                       QStringLiteral("echo $$ > '%1'\nexec sleep 60").arg(pidFile));
    QString out, err;
    runCli({"live", "--port", sim->portPath(), "--alarm", "T1>26", "--on-alarm", script}, {}, [&](QProcess& p) {
        ASSERT_TRUE(readUntil(p, out, err, [&] { return !readText(pidFile).isEmpty(); }));
        ::kill(pid_t(p.processId()), SIGKILL);
    });
    const QString program = readText(pidFile).trimmed();
    ASSERT_FALSE(program.isEmpty());
    QElapsedTimer waited;
    waited.start();
    QString stat;
    do {
        QThread::msleep(100);
        stat = readText(QStringLiteral("/proc/%1/stat").arg(program));
    } while (!stat.isEmpty() && stat.section(' ', 2, 2) != QLatin1String("Z") && waited.elapsed() < 10000);
    EXPECT_TRUE(stat.isEmpty() || stat.section(' ', 2, 2) == QLatin1String("Z")) << "still running: " << stat.toStdString();
}

// ---- the command line ---------------------------------------------------------------------------

struct UsageCase {
    QStringList args;
    const char* message;
};

TEST(CliAlarms, OptionsThatCannotBeUsedAreRefusedBeforeTheMeterIsAsked)
{
    QTemporaryDir dir;
    const QString notExecutable = dir.filePath(QStringLiteral("notify.txt"));
    QFile(notExecutable).open(QIODevice::WriteOnly);
    const UsageCase cases[] = {
        {{"--alarm", "T5>26"}, "--alarm must be a channel, > or < and degrees, like T1>26 or T2<-18.5F: \"T5>26\""},
        {{"--alarm", "T1=26"}, "--alarm must be a channel, > or < and degrees"},
        {{"--alarm", "T1>warm"}, "--alarm must be a channel, > or < and degrees"},
        {{"--alarm", "T1>26", "--alarm", "T1>30"}, "--alarm gives T1 two high limits"},
        {{"--alarm", "T2>-20", "--alarm", "T2<-18"}, "T2's low limit must be below its high limit"},
        {{"--alarm", "T1>26C", "--alarm", "T2<0F"}, "give every --alarm in the same unit, C or F"},
        {{"--alarm", "T1>26", "--alarm-hysteresis", "-1"}, "--alarm-hysteresis must be a number of degrees, 0 or more"},
        {{"--alarm", "T1>26", "--alarm-delay", "1.5"}, "--alarm-delay must be a whole number of samples, 0 or more"},
        {{"--on-alarm", "/bin/true"}, "--on-alarm needs at least one --alarm"},
        {{"--alarm-delay", "2"}, "--alarm-delay needs at least one --alarm"},
        {{"--alarm", "T1>26", "--on-alarm", "no-such-program-here"}, "--on-alarm: there is no program no-such-program-here in PATH"},
        {{"--alarm", "T1>26", "--on-alarm", notExecutable}, "is not an executable file"},
        {{"--alarm", "T1>26", "--on-alarm", "/bin/true", "--on-alarm-timeout", "0"},
         "--on-alarm-timeout must be a whole number of seconds, at least 1"},
        {{"--start-at", "25:00"}, "--start-at must be HH:MM, HH:MM:SS or YYYY-MM-DDTHH:MM[:SS]"},
        {{"--start-at", "2001-01-01T00:00"}, "--start-at 2001-01-01T00:00 has passed"},
        {{"--until", "tomorrow"}, "--until must be HH:MM, HH:MM:SS or YYYY-MM-DDTHH:MM[:SS]"},
        {{"--start-at", "2199-01-02T00:00", "--until", "2199-01-01T00:00"}, "--until 2199-01-01T00:00 is not after the start"},
        {{"--duration", "0"}, "--duration must be a whole number of seconds, at least 1"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        // A port that does not exist: a refusal must come before it is looked at.
        const CliRun run = runCli(QStringList{"live", "--port", "/dev/no-such-port"} + c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tq612-cli: "))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
    }
}

// ---- the schedule ------------------------------------------------------------------------------

TEST(CliSchedule, ARunStartsAtItsTimeAndStopsAfterItsDurationOrAtItsEnd)
{
    const auto sim = heldMeter({21.0, 21.0, 21.0, 21.0});
    ASSERT_TRUE(sim);
    for (const bool byDuration : {true, false}) {
        SCOPED_TRACE(byDuration ? "--duration" : "--until");
        // Whole seconds: the options take no fractions.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime start = now.addMSecs(3000 - now.time().msec());
        const QDateTime end = start.addSecs(3);
        const QStringList stop = byDuration ? QStringList{"--duration", "3"}
                                            : QStringList{"--until", end.toString(Qt::ISODate)};
        const CliRun run = runCli(QStringList{"live", "--port", sim->portPath(), "--start-at",
                                              start.time().toString("HH:mm:ss")}
                                  + stop);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(QRegularExpression("^waiting until " + Stamp + " to start$", QRegularExpression::MultilineOption)
                        .match(run.err)
                        .hasMatch())
            << run.err.toStdString();
        const QStringList samples = run.outLines().mid(1);
        EXPECT_GE(samples.size(), 2) << run.out.toStdString();
        for (const QString& line : samples) {
            const QDateTime taken = QDateTime::fromString(line.section(',', 0, 0), Qt::ISODate);
            EXPECT_GE(taken, start) << line.toStdString();
            EXPECT_LT(taken, end) << line.toStdString();
        }
        EXPECT_GE(QDateTime::currentDateTime(), end);
    }
}

} // namespace
