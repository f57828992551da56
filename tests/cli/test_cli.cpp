// tq612-cli against the simulated meter on real pseudo-terminals, run as a
// script runs it: what it prints, the files it writes compared with what the
// program writes and opens, the frames it puts on the wire, its exit codes.
#include "../dataset/MainFilesFixture.h"
#include "CliRun.h"
#include "MemoryImageBuilder.h"
#include "MeterSim.h"

#include "app/AppPaths.h"
#include "app/Regional.h"
#include "app/Settings.h"
#include "realtime/LeftOverRuns.h"
#include "realtime/RealTimeRecovery.h"
#include "realtime/RealTimeSession.h"
#include "realtime/RunFile.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "files/SaveAsText.h"
#include "files/UOpenSave.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "link/ComPort.h"
#include "link/PortAccess.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTableWidget>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using metersim::MemoryImageBuilder;
using metersim::MeterSim;

namespace {

// Two data sets: a negative reading, a reading beyond the text files' range,
// and a Fahrenheit set with a 90 s interval.
QByteArray testMemory()
{
    MemoryImageBuilder b;
    b.model = 612;
    b.addDataSet(12, 30);
    b.addDataSet(5, 90, true);
    b.dataSets[0].records[1][2] = MemoryImageBuilder::encodeReading(-10.5, 612);
    b.dataSets[0].records[2][3] = MemoryImageBuilder::encodeReading(3000.0, 612);
    return b.build();
}

std::unique_ptr<MeterSim> startMeter(const std::function<void(metersim::Options&)>& adjust = {})
{
    metersim::Options o;
    o.rateMs = 100;
    o.registerPort = false;
    o.pacedDownload = false;
    o.memory = testMemory();
    if (adjust)
        adjust(o);
    auto sim = std::make_unique<MeterSim>(o);
    if (!sim->start())
        return nullptr;
    return sim;
}

// Denies this account the port while it lives: as root the effective user
// becomes nobody (root opens every device), otherwise the device's mode is cleared.
class PortDenied {
public:
    explicit PortDenied(const QString& device) : path(device.toLocal8Bit())
    {
        if (::geteuid() == 0) {
            asNobody = ::seteuid(65534) == 0;
        } else {
            struct stat st {};
            ::stat(path.constData(), &st);
            mode = st.st_mode & 07777;
            ::chmod(path.constData(), 0);
        }
    }
    ~PortDenied()
    {
        if (asNobody)
            [[maybe_unused]] const int ok = ::seteuid(0);
        else if (::geteuid() != 0)
            ::chmod(path.constData(), mode);
    }

private:
    QByteArray path;
    bool asNobody = false;
    mode_t mode = 0;
};

// ---- live ------------------------------------------------------------------------------------

TEST(CliLive, PrintsTheReadingsTheMeterShowsInCsvAndJsonl)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    {
        auto locked = sim->lock();
        metersim::MeterState& m = sim->meter();
        m.hold = true;  // the display keeps these values in every frame
        m.recording = true;
        m.shown = {21.5, -3.2, 1500.0, 30.0};  // T3 beyond the Celsius range: OL
    }
    const QString stamp = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d");

    const CliRun json = runCli({"live", "--port", sim->portPath(), "--count", "2", "--format", "jsonl"});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    ASSERT_EQ(json.outLines().size(), 2) << json.out.toStdString();
    QStringList times;
    for (const QString& line : json.outLines()) {
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_EQ(o.keys(), (QStringList{"T1", "T2", "T3", "T4", "hold", "rec", "time", "unit"})) << line.toStdString();
        EXPECT_EQ(o.value("T1"), QJsonValue(21.5));
        EXPECT_EQ(o.value("T2"), QJsonValue(-3.2));
        EXPECT_EQ(o.value("T3"), QJsonValue("OL"));
        EXPECT_EQ(o.value("T4"), QJsonValue(30.0));
        EXPECT_EQ(o.value("unit"), QJsonValue("C"));
        EXPECT_EQ(o.value("hold"), QJsonValue(true));
        EXPECT_EQ(o.value("rec"), QJsonValue(true));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1$").arg(stamp)).match(o.value("time").toString()).hasMatch())
            << line.toStdString();
        times << o.value("time").toString();
    }
    ASSERT_EQ(times.size(), 2);
    EXPECT_LT(times[0], times[1]) << "one sample per tick";

    const CliRun csv = runCli({"live", "--port", sim->portPath(), "--count", "1"});
    EXPECT_EQ(csv.exitCode, 0) << csv.err.toStdString();
    const QStringList lines = csv.outLines();
    ASSERT_EQ(lines.size(), 2) << csv.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("time,T1,T2,T3,T4,unit"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1,21.5,-3.2,OL,30.0,C$").arg(stamp)).match(lines[1]).hasMatch())
        << lines[1].toStdString();
}

// The printed time names one moment wherever the bench is: the local clock
// with its offset from UTC.
TEST(CliLive, PrintedTimesCarryTheLocalOffsetFromUtc)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    struct Case {
        const char* tz;  // POSIX form: the offset is west of Greenwich
        const char* offset;
    };
    const Case cases[] = {{"UTC0", "+00:00"}, {"IST-5:30", "+05:30"}, {"NDT+3:30", "-03:30"}};
    const QByteArray oldTz = qgetenv("TZ");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tz);
        qputenv("TZ", c.tz);
        for (const char* format : {"csv", "jsonl"}) {
            const CliRun run = runCli({"live", "--port", sim->portPath(), "--count", "1", "--format", format});
            const QDateTime now = QDateTime::currentDateTimeUtc();
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            const QString line = run.outLines().constLast();
            const auto m = QRegularExpression(QStringLiteral("(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d)")).match(line);
            ASSERT_TRUE(m.hasMatch()) << line.toStdString();
            EXPECT_TRUE(m.captured(1).endsWith(QLatin1String(c.offset))) << line.toStdString();
            const QDateTime printed = QDateTime::fromString(m.captured(1), Qt::ISODate);
            EXPECT_LE(std::abs(printed.secsTo(now)), 10) << "the moment of the sample: " << line.toStdString();
        }
    }
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
}

TEST(CliLive, ReconnectsAfterALostLinkAndEndsCleanlyOnCtrlC)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QString out, err;
    const CliRun run = runCli({"live", "--port", sim->portPath()}, {}, [&](QProcess& p) {
        const auto samples = [&] { return out.count(QLatin1Char('\n')) - 1; };  // less the heading
        ASSERT_TRUE(readUntil(p, out, err, [&] { return samples() >= 1; }));
        sim->setSilent(true);
        ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains(QLatin1String("no live frames")); }));
        const int before = samples();
        sim->setSilent(false);
        ASSERT_TRUE(readUntil(p, out, err, [&] { return err.contains(QLatin1String("answers again")) && samples() > before; }));
        sendSignal(p, SIGINT);
    });
    EXPECT_EQ(run.exitCode, 0) << "Ctrl-C ends live cleanly";
    const QStringList lines = (out + run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    for (const QString& line : lines.mid(1))
        EXPECT_EQ(line.count(QLatin1Char(',')), 5) << "a whole sample line: " << line.toStdString();
}

QString recoveryFolder()
{
    return RealTimeRecovery::folder(AppPaths::makeDocumentFolder());
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Lines of standard output, those read while it ran and the rest.
QStringList linesOf(const QString& before, const CliRun& run)
{
    return (before + run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A run of another meter, killed earlier: its file is not this run's to touch.
QString leaveOtherRunBehind()
{
    AppSettings settings;
    const QString documents = AppPaths::makeDocumentFolder();
    RealTimeSession other(settings, documents);
    other.setKeepsSamples(false);
    other.startRun(46143.5, 1000);
    other.TakeSample(46143.5, {1, 2, 3, 4});
    other.TakeSample(46143.5 + DateTime::OneSecond, {5, 6, 7, 8});
    return other.recoveryFileName();   // it ends without a word, as killed
}

TEST(CliLive, AKilledRunLeavesEveryPrintedSampleForTheProgramAndAnEndedOneLeavesNothing)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QDir(recoveryFolder()).removeRecursively();

    // Ended as asked: MAX, MIN and AVG of each channel, and no recovery file.
    const CliRun ended = runCli({"live", "--port", sim->portPath(), "--count", "2"});
    EXPECT_EQ(ended.exitCode, 0) << ended.err.toStdString();
    // Each time with its UTC offset, as every time the command line prints.
    const QString extreme = QStringLiteral(R"((-?\d+\.\d@\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d|OL))");
    for (int c = 1; c <= 4; ++c) {
        const QRegularExpression line(
            QStringLiteral(R"(T%1 MAX %2 MIN %2 AVG (-?\d+\.\d|\*\*\*\*)\n)").arg(c).arg(extreme));
        EXPECT_TRUE(line.match(ended.err).hasMatch()) << ended.err.toStdString();
    }
    EXPECT_TRUE(RealTimeRecovery::filesIn(recoveryFolder()).isEmpty());

    // Killed: every sample printed before is in the file the program offers back.
    QString out, err;
    const CliRun killed = runCli({"live", "--port", sim->portPath(), "--format", "jsonl"}, {}, [&](QProcess& p) {
        ASSERT_TRUE(readUntil(p, out, err, [&] { return out.count(QLatin1Char('\n')) >= 3; }));
        sendSignal(p, SIGKILL);
    });
    const QStringList printed = linesOf(out, killed);
    QString killedFile;
    {
        const auto offered = RealTimeRecovery::leftOverRuns(recoveryFolder());
        ASSERT_EQ(offered.size(), 1u) << "the program offers the killed run";
        const auto& samples = offered[0].run.samples;
        ASSERT_GE(samples.size(), size_t(printed.size()));
        for (int i = 0; i < printed.size(); ++i) {
            const QJsonObject line = QJsonDocument::fromJson(printed[i].toUtf8()).object();
            EXPECT_NEAR(line.value(QStringLiteral("T1")).toDouble(), samples[size_t(i)].readings[0], 0.05) << i;
        }
        killedFile = offered[0].file->path();
    }

    // Later runs keep files of their own and leave that one alone: one
    // stale file does not switch recovery off for every run after it.
    const QByteArray kept = contents(killedFile);
    const CliRun later = runCli({"live", "--port", sim->portPath(), "--count", "1"});
    EXPECT_EQ(later.exitCode, 0);
    EXPECT_FALSE(later.err.contains(QLatin1String("not kept for recovery"))) << later.err.toStdString();
    EXPECT_EQ(contents(killedFile), kept);
    out.clear();
    const CliRun killedToo = runCli({"live", "--port", sim->portPath()}, {}, [&](QProcess& p) {
        ASSERT_TRUE(readUntil(p, out, err, [&] { return out.count(QLatin1Char('\n')) >= 3; }));
        sendSignal(p, SIGKILL);
    });
    EXPECT_EQ(RealTimeRecovery::leftOverRuns(recoveryFolder()).size(), 2u);
    EXPECT_EQ(contents(killedFile), kept);
    QDir(recoveryFolder()).removeRecursively();
}

// The file of the run going on beside `other`, once it holds `samples` samples.
QString ownFileOnceItHolds(const QString& other, size_t samples)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000) {
        for (const QString& file : RealTimeRecovery::filesIn(recoveryFolder())) {
            const auto run = file == other ? std::nullopt : RealTimeRecovery::read(file);
            if (run && run->samples.size() >= samples)
                return file;
        }
        QThread::msleep(20);
    }
    return {};
}

// However a run ends as asked, it removes its own recovery file and no other.
TEST(CliLive, EveryWayARunEndsAsAskedRemovesOnlyItsOwnFile)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QDir(recoveryFolder()).removeRecursively();
    const QString other = leaveOtherRunBehind();
    const QByteArray otherBytes = contents(other);

    struct Ending {
        const char* name;
        QStringList args;
        int signal;       // sent once the run has two samples; 0: it ends by itself
        bool intoHead;    // its output piped into head -n 2, which stops reading
    };
    const Ending endings[] = {
        {"Ctrl-C", {}, SIGINT, false},
        {"SIGTERM from a service manager", {}, SIGTERM, false},
        {"a closed terminal (SIGHUP)", {}, SIGHUP, false},
        {"its reader gone (a closed pipe)", {}, 0, true},
        {"--count", {"--count", "3"}, 0, false},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        QProcess run, head;
        if (e.intoHead) {
            run.setStandardOutputProcess(&head);
            head.start(QStringLiteral("head"), {"-n", "2"});
        }
        // Whatever the test runner ignores, the run sees its signals as a terminal sends them.
        run.setChildProcessModifier([] { ::signal(SIGHUP, SIG_DFL); });
        run.start(QStringLiteral(TQ612_CLI), QStringList{"live", "--port", sim->portPath(), "--format", "jsonl"} + e.args);
        ASSERT_TRUE(run.waitForStarted());
        const QString own = ownFileOnceItHolds(other, 2);
        ASSERT_FALSE(own.isEmpty()) << "the run writes a file of its own";
        EXPECT_FALSE(RealTimeRecovery::RunFile().adopt(own)) << "a run going on is nobody else's to take";
        if (e.signal)
            sendSignal(run, e.signal);
        ASSERT_TRUE(run.waitForFinished(30000));
        const QString err = QString::fromUtf8(run.readAllStandardError());
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.exitCode(), 0) << err.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String("T1 MAX"))) << err.toStdString();
        EXPECT_FALSE(QFile::exists(own));
        EXPECT_EQ(RealTimeRecovery::filesIn(recoveryFolder()), QStringList{other});
        EXPECT_EQ(contents(other), otherBytes);
        head.waitForFinished();
    }
    QDir(recoveryFolder()).removeRecursively();
}

TEST(CliLive, PipedIntoHeadItEndsAfterTheThirdLineAndRemovesItsFile)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QDir(recoveryFolder()).removeRecursively();
    const QString pipeline = QStringLiteral("'%1' live --port '%2' | head -n 3; echo \"exit ${PIPESTATUS[0]}\" >&2")
                                 .arg(QStringLiteral(TQ612_CLI), sim->portPath());
    const CliRun run = runProgram(QStringLiteral("bash"), {"-c", pipeline});
    EXPECT_EQ(run.outLines().size(), 3);
    EXPECT_TRUE(run.err.contains(QLatin1String("exit 0"))) << "not killed by SIGPIPE: " << run.err.toStdString();
    EXPECT_TRUE(RealTimeRecovery::filesIn(recoveryFolder()).isEmpty());
}

TEST(CliLive, UnderNohupAClosedTerminalDoesNotEndTheRun)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QProcess p;
    p.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });   // as nohup starts it
    p.start(QStringLiteral(TQ612_CLI), {"live", "--port", sim->portPath()});
    QString out, err;
    const auto lines = [&] { return out.count(QLatin1Char('\n')); };
    ASSERT_TRUE(readUntil(p, out, err, [&] { return lines() >= 2; }));
    sendSignal(p, SIGHUP);
    const int atHangUp = lines();
    EXPECT_TRUE(readUntil(p, out, err, [&] { return lines() >= atHangUp + 2; })) << "still recording";
    sendSignal(p, SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
}

TEST(CliLive, AnOutputThatCanNotBeWrittenEndsTheRunAndKeepsItsSamples)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QDir(recoveryFolder()).removeRecursively();
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));   // a full disk
    p.start(QStringLiteral(TQ612_CLI), {"live", "--port", sim->portPath(), "--format", "jsonl", "--count", "5"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << "not a success: " << err.toStdString();
    const QStringList files = RealTimeRecovery::filesIn(recoveryFolder());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("standard output can not be written (No space left on device); "
                                            "the samples are kept in %1").arg(files[0])))
        << err.toStdString();
    EXPECT_EQ(RealTimeRecovery::leftOverRuns(recoveryFolder()).at(0).run.samples.size(), 1u);
    QDir(recoveryFolder()).removeRecursively();
}

TEST(CliLive, TwoRunsAtOnceOnTwoMetersEachKeepTheirOwnFile)
{
    std::unique_ptr<MeterSim> sims[] = {startMeter(), startMeter()};
    ASSERT_TRUE(sims[0] && sims[1]);
    const float t1[] = {11.5f, 22.5f};   // tells the meters apart
    for (int m = 0; m < 2; ++m) {
        auto locked = sims[m]->lock();
        sims[m]->meter().hold = true;   // the display keeps these values
        sims[m]->meter().shown = {t1[m], 1.0, 2.0, 3.0};
    }
    QDir(recoveryFolder()).removeRecursively();
    QProcess runs[2];
    QString out[2], err[2];
    for (int m = 0; m < 2; ++m)
        runs[m].start(QStringLiteral(TQ612_CLI), {"live", "--port", sims[m]->portPath(), "--format", "jsonl"});
    for (int m = 0; m < 2; ++m)
        ASSERT_TRUE(readUntil(runs[m], out[m], err[m], [&] { return out[m].count(QLatin1Char('\n')) >= 3; }));
    for (QProcess& p : runs) {
        sendSignal(p, SIGKILL);
        p.waitForFinished();
    }
    for (int m = 0; m < 2; ++m)
        EXPECT_FALSE(err[m].contains(QLatin1String("not kept for recovery"))) << err[m].toStdString();

    const auto offered = RealTimeRecovery::leftOverRuns(recoveryFolder());
    ASSERT_EQ(offered.size(), 2u) << "each killed run is offered";
    std::vector<float> firstReadings;
    for (const auto& leftOver : offered) {
        ASSERT_GE(leftOver.run.samples.size(), 3u);
        const float first = leftOver.run.samples[0].readings[0];
        for (const auto& sample : leftOver.run.samples)
            EXPECT_EQ(sample.readings[0], first) << "one meter's samples in each file";
        firstReadings.push_back(first);
    }
    std::sort(firstReadings.begin(), firstReadings.end());
    EXPECT_EQ(firstReadings, (std::vector<float>{t1[0], t1[1]}));
    QDir(recoveryFolder()).removeRecursively();
}

TEST(CliLive, ASecondProgramOnThePortIsRefusedAndTheFirstGoesOn)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QString out, err;
    CliRun second;
    const CliRun first = runCli({"live", "--port", sim->portPath(), "--count", "4"}, {}, [&](QProcess& p) {
        ASSERT_TRUE(readUntil(p, out, err, [&] { return out.count(QLatin1Char('\n')) >= 2; }));
        second = runCli({"live", "--port", sim->portPath(), "--count", "1"});
    });
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_TRUE(second.err.contains(PortAccess::inUseText(sim->portPath()))) << second.err.toStdString();
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_EQ(first.exitCode, 0);
    const QStringList lines = (out + first.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    for (const QString& line : lines.mid(1))
        EXPECT_EQ(line.count(QLatin1Char(',')), 5) << line.toStdString();
}

// ---- ports and the probe -----------------------------------------------------------------

TEST(CliPorts, ListsEveryPortWithTheModelAnsweringAndProbesWithoutAPort)
{
    const auto sim612 = startMeter([](metersim::Options& o) { o.registerPort = true; });
    const auto sim618 = startMeter([](metersim::Options& o) {
        o.registerPort = true;
        o.model = 618;
    });
    ASSERT_TRUE(sim612 && sim618);
    const CliRun ports = runCli({"ports"});
    EXPECT_EQ(ports.exitCode, 0) << ports.err.toStdString();
    EXPECT_TRUE(ports.outLines().contains(sim612->portPath() + QStringLiteral("\tmeter 612"))) << ports.out.toStdString();
    EXPECT_TRUE(ports.outLines().contains(sim618->portPath() + QStringLiteral("\tmeter 618"))) << ports.out.toStdString();

    const CliRun live = runCli({"live", "--count", "1"});
    EXPECT_EQ(live.exitCode, 0) << live.err.toStdString();
    EXPECT_EQ(live.outLines().size(), 2);
}

// ---- download and convert ----------------------------------------------------------------

class CliFiles : public MainFiles {
protected:
    void answerRangeAll()
    {
        prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmScope&>(d).radAll->setChecked(true);
            return 1;
        });
    }
    // File > Save of data set k from the DataLogger window, as a single data set.
    QByteArray programSave(int k, const char* name)
    {
        TfrmGraph* graph = main.DataLoggerGraph;
        graph->Grid2->selectRow(k);
        main.Grid2Click();
        main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(graph->parentWidget()));
        prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSingleSet); });
        prompts.fileNames.push_back(path(name));
        answerRangeAll();
        main.Save1Click();
        return readFile(path(name));
    }
    QString folder(const char* name)
    {
        QDir().mkpath(path(name));
        return path(name);
    }
};

TEST_F(CliFiles, DownloadWritesTheMemoryAndTheFilesTheProgramWrites)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    const QString collection = path("night.ch4");
    // Into a folder that is not there yet, as a nightly job names one.
    const CliRun run = runCli({"download", "--port", sim->portPath(), "-o", collection, "--csv", path("night/csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("received"))) << "progress on stderr";
    EXPECT_EQ(readFile(collection), sim->memoryImage()) << "the collection file is the memory, byte for byte";

    // The program opens it to the data sets of the meter's memory.
    DataSetModel expected;
    expected.RawImage = sim->memoryImage();
    ASSERT_EQ(expected.ParseImage(612), LoadResult::Success);
    prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSets); });
    prompts.fileNames.push_back(collection);
    main.Open1Click();
    ASSERT_NE(main.DataLoggerGraph, nullptr);
    EXPECT_EQ(gridRows(main.DataSets), gridRows(expected));
    EXPECT_EQ(main.DataSets.Readings, expected.Readings);
    EXPECT_EQ(main.DataSets.ReadingTimes, expected.ReadingTimes);
    EXPECT_EQ(readFile(scratch()), sim->memoryImage());

    // Each data set's CSV file: a heading that names the columns and the data
    // set's unit (the first in °C, the second in °F), then what File > Save
    // writes for it.
    const QByteArray headings[] = {"Date,Time,T1 (\u00B0C),T2 (\u00B0C),T3 (\u00B0C),T4 (\u00B0C)\r\n",
                                   "Date,Time,T1 (\u00B0F),T2 (\u00B0F),T3 (\u00B0F),T4 (\u00B0F)\r\n"};
    ASSERT_EQ(expected.dataSetCount(), 2);
    for (int k = 0; k < expected.dataSetCount(); ++k) {
        const QByteArray saved = programSave(k, "saved.csv");
        ASSERT_FALSE(saved.isEmpty());
        EXPECT_EQ(readFile(path("night/csv/") + QStringLiteral("set%1.csv").arg(k + 1, 2, 10, QLatin1Char('0'))),
                  headings[k] + saved)
            << "data set " << k + 1;
    }

    // convert: the collection gives the same CSV files, into a folder it makes,
    // and says what it wrote; text files stay as File > Save writes them.
    const CliRun csv = runCli({"convert", collection, "--csv", path("again")});
    ASSERT_EQ(csv.exitCode, 0) << csv.err.toStdString();
    for (const char* name : {"set01.csv", "set02.csv"})
        EXPECT_EQ(readFile(path("again/") + QLatin1String(name)), readFile(path("night/csv/") + QLatin1String(name))) << name;
    EXPECT_EQ(csv.err, QStringLiteral("wrote %1 (data set 1: 12 records in \u00B0C)\n"
                                      "wrote %2 (data set 2: 5 records in \u00B0F)\n")
                           .arg(path("again/set01.csv"), path("again/set02.csv")));
    EXPECT_TRUE(csv.out.isEmpty());
    const CliRun txt = runCli({"convert", collection, "--txt", path("txt")});
    ASSERT_EQ(txt.exitCode, 0) << txt.err.toStdString();
    EXPECT_EQ(readFile(path("txt/set02.txt")), programSave(1, "saved.txt"));
}

// A folder for the files that cannot be made is refused before the meter or
// the file is asked (neither exists here): a usage error with the reason.
TEST_F(CliFiles, AFolderThatCannotBeMadeIsRefusedWithItsReason)
{
    {
        QFile inTheWay(path("plain-file"));
        ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    }
    const QString collection = path("night.ch4");  // never read: the folder comes first
    const struct {
        const char* name;
        QString folder;
        QString saying;
    } folders[] = {
        {"a file by that name", path("plain-file"), path("plain-file") + QStringLiteral(" is not a folder")},
        {"below a file", path("plain-file/csv"), QStringLiteral("could not make the folder ") + path("plain-file/csv")},
    };
    for (const auto& f : folders) {
        for (const QStringList& command : {QStringList{"download", "--port", "/dev/tq612-none"}, QStringList{"convert", collection}}) {
            SCOPED_TRACE(std::string(f.name) + ", " + command.first().toStdString());
            const CliRun run = runCli(command + QStringList{"--csv", f.folder});
            EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(f.saying)) << run.err.toStdString();
        }
    }
}

TEST_F(CliFiles, ConvertOfAGraphFileWritesWhatFileSaveWritesFromTheGraph)
{
    PESGraph chart;
    chart.setSubsets(4);
    chart.setPoints(8);  // the last two points were never recorded
    const TDateTime t0 = DateTime::fromQDateTime(QDateTime(QDate(2030, 3, 4), QTime(5, 6, 7)));
    for (int p = 0; p < 6; ++p)
        for (int s = 0; s < 4; ++s) {
            chart.setXDataII(s, p, t0 + 15 * p * DateTime::OneSecond);
            chart.setYData(s, p, p == 3 && s == 2 ? 9999.0f : float(p) * 1.5f - float(s) * 7.25f);
        }
    const QString graph = path("run.ghf");
    ASSERT_TRUE(StoreGraphFile(chart, graph));
    answerRangeAll();
    ASSERT_TRUE(SaveGraphAsText(chart, path("program.csv"), QLatin1Char(',')));

    const CliRun run = runCli({"convert", graph, "--csv", folder("out")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray converted = readFile(path("out/run.csv"));
    // A graph keeps no unit: the heading names the columns only.
    EXPECT_EQ(converted, "Date,Time,T1,T2,T3,T4\r\n" + readFile(path("program.csv")));
    EXPECT_EQ(converted.count("\r\n"), 7) << "the unrecorded points are left out";
    EXPECT_EQ(run.err, QStringLiteral("wrote %1 (6 points; the graph file records no unit)\n").arg(path("out/run.csv")));
}

// Past a file size limit (ulimit -f, as on a full disk) the file that does
// not fit keeps its earlier contents and is named with the reason, exit code
// 1: the limit's signal does not end the program. A collection's data sets
// are written one file each; the one that fails is reported as well.
TEST_F(CliFiles, ConvertPastAFileSizeLimitFailsAndKeepsTheOldFile)
{
    PESGraph chart;
    chart.setSubsets(4);
    chart.setPoints(400);
    const TDateTime t0 = DateTime::fromQDateTime(QDateTime(QDate(2030, 3, 4), QTime(5, 6, 7)));
    for (int p = 0; p < 400; ++p)
        for (int s = 0; s < 4; ++s) {
            chart.setXDataII(s, p, t0 + p * DateTime::OneSecond);
            chart.setYData(s, p, float(p) * 0.5f + float(s));
        }
    const QString graph = path("big.ghf");
    ASSERT_TRUE(StoreGraphFile(chart, graph));
    MemoryImageBuilder memory;
    memory.addDataSet(20, 30);    // fits below the limit
    memory.addDataSet(300, 2);    // does not
    const QString collection = path("night.ch4");
    writeFile(collection, memory.build());

    struct Case {
        const char* name;
        QString source;
        const char* failing;     // the file past the limit
        QStringList left;        // every file in the folder afterwards
    };
    const Case cases[] = {
        {"graph file", graph, "big.csv", {"big.csv"}},
        {"collection file", collection, "set02.csv", {"set01.csv", "set02.csv"}},
    };
    const QByteArray old = "an earlier conversion\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = folder(c.name);
        const QString failing = out + QLatin1Char('/') + QLatin1String(c.failing);
        writeFile(failing, old);
        const CliRun run = runProgram(QStringLiteral("prlimit"),
                                      {"--fsize=4096", "--", QStringLiteral(TQ612_CLI), "convert", c.source, "--csv", out});
        EXPECT_EQ(run.exitCode, 1) << "-1: ended by a signal; " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("could not write %1: File too large").arg(failing)))
            << run.err.toStdString();
        EXPECT_EQ(readFile(failing), old);
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), c.left) << "nothing partial is left";
    }
}

// ---- setup ------------------------------------------------------------------------------------

TEST(CliSetup, PutsTheSetupFramesOnTheWireAndPrintsTheInformation)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    // Erasing is asked first; "no" leaves the meter untouched.
    const CliRun declined = runCli({"setup", "--port", sim->portPath(), "--erase"}, "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(sim->commands().isEmpty()) << "nothing was sent";

    const CliRun run = runCli({"setup", "--port", sim->portPath(), "--clock", "2031-05-06T07:08:00", "--interval",
                               "01:30", "--erase", "--yes", "--info"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QList<QByteArray> words;
    QByteArray setClock;
    for (const QByteArray& frame : sim->commands()) {
        const QByteArray word = frame.mid(1, 8);
        if (word.startsWith("\x31\x05\x06\x07\x08"))
            setClock = frame;
        words << word;
    }
    const auto sent = [&](const QByteArray& word) { return words.contains(word.leftJustified(8, '\0')); };
    EXPECT_TRUE(sent("rtc"));
    ASSERT_EQ(setClock.size(), 10) << "the clock frame: 31 05 06 07 08 ss 08";
    EXPECT_LT(quint8(setClock[6]), 0x10) << "seconds just after the given time";
    EXPECT_EQ(setClock[7], '\x08');
    EXPECT_TRUE(sent(QByteArray("int\x01\x30", 5)));
    EXPECT_TRUE(sent("erase"));
    EXPECT_TRUE(sent("V"));
    const QStringList info = run.outLines();
    EXPECT_TRUE(info.contains(QStringLiteral("Firmware Version: 21"))) << run.out.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Recording Interval: 01:30(mm:ss)")));
    EXPECT_TRUE(info.contains(QStringLiteral("Data Sets In Memory: 0"))) << "read after the erase";
    // The free memory with its unit: all but the 257-byte header, 8 bytes a record.
    EXPECT_TRUE(info.contains(QStringLiteral("Memory Available: 15999 records"))) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("Memory erased successfully")));
}

// ---- exit codes --------------------------------------------------------------------------

TEST(CliExitCodes, EachOutcomeHasItsCode)
{
    const auto sim = startMeter();
    const auto notAMeter = startMeter([](metersim::Options& o) { o.badIdentify = metersim::BadIdentify::Wrong; });
    const auto recording = startMeter();
    ASSERT_TRUE(sim && notAMeter && recording);
    {
        auto locked = recording->lock();
        recording->meter().recording = true;
    }
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("x.ch4"));
    struct Case {
        const char* name;
        QStringList args;
        int exitCode;
        const char* saying;
    };
    const QString port = sim->portPath();
    const Case cases[] = {
        {"version", {"--version"}, 0, ""},
        {"no command", {}, 1, "a command is needed"},
        {"unknown command", {"fetch"}, 1, "unknown command"},
        {"unknown option", {"live", "--bogus"}, 1, "bogus"},
        {"wrong format", {"live", "--port", port, "--format", "xml"}, 1, "--format"},
        {"wrong interval", {"setup", "--port", port, "--interval", "00:00"}, 1, "--interval"},
        {"nothing to write", {"download", "--port", port}, 1, "nothing to write"},
        {"csv and txt", {"download", "--port", port, "--csv", dir.path(), "--txt", dir.path()}, 1, "exclude"},
        {"missing file", {"convert", dir.filePath("none.ch4"), "--csv", dir.path()}, 1, "none.ch4"},
        {"no such port", {"live", "--port", "/dev/tq612-none", "--count", "1"}, 2, "no serial port /dev/tq612-none"},
        {"not a meter", {"download", "--port", notAMeter->portPath(), "-o", out}, 2, "no meter answered"},
        {"meter recording", {"download", "--port", recording->portPath(), "-o", out}, 3, "please stop recording"},
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.saying))) << c.name << ": " << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out)) << "nothing written on failure";
}

TEST(CliExitCodes, AFailedTransferIsTriedAgainRetriesTimesThenReportedWithItsCode)
{
    // Every sending of block 2 is spoilt 21 times in a row: the first transfer fails.
    const struct {
        int retries;
        int exitCode;
    } cases[] = {{0, 3}, {1, 0}};
    for (const auto& c : cases) {
        const auto sim = startMeter();
        ASSERT_TRUE(sim);
        {
            auto locked = sim->lock();
            sim->downloadServer().faults = {{metersim::BlockFault::Kind::BadChecksum, 2, 21}};
        }
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("x.ch4"));
        const CliRun run = runCli({"download", "--port", sim->portPath(), "-o", out, "--retries",
                                   QString::number(c.retries)});
        EXPECT_EQ(run.exitCode, c.exitCode) << "retries " << c.retries << ": " << run.err.toStdString();
        if (c.exitCode == 3) {
            EXPECT_TRUE(run.err.contains(QLatin1String("There was error when reading data from meter (code 3)")))
                << run.err.toStdString();
            EXPECT_FALSE(QFile::exists(out));
        } else {
            EXPECT_TRUE(run.err.contains(QLatin1String("trying again")));
            EXPECT_EQ(readFile(out), sim->memoryImage());
        }
    }
}

// ---- the dialout hint ---------------------------------------------------------------------

TEST(CliPermission, APortThisAccountMayNotOpenGetsTheDialoutHint)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    const QString hint = PortAccess::permissionHint(sim->portPath());
    CliRun run;
    if (::geteuid() == 0) {
        run = runProgram(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                                     QStringLiteral(TQ612_CLI), "live", "--port", sim->portPath(),
                                                     "--count", "1"});
    } else {
        const PortDenied denied(sim->portPath());
        run = runCli({"live", "--port", sim->portPath(), "--count", "1"});
    }
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(hint)) << run.err.toStdString();
    EXPECT_TRUE(hint.contains(QLatin1String("sudo adduser $USER dialout, then log in again")));
}

TEST_F(CliFiles, TheProgramShowsTheSameHintOnceWhenItsProbeIsRefused)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    {
        // Filled as at start-up, without the port change that would open the port.
        const QSignalBlocker quiet(main.ComboBoxDeviceName);
        main.ComboBoxDeviceName->clear();
        main.ComboBoxDeviceName->addItems({sim->portPath(), sim->portPath()});
    }
    Clock wallClock;  // the probe's waits run on real time
    const ScopedClock realTime(wallClock);
    {
        const PortDenied denied(sim->portPath());
        main.Link.ProbePorts();
    }
    EXPECT_FALSE(main.Link.Connected);
    EXPECT_EQ(userMessages(), QStringList{QStringLiteral("No meter found.\n\n") + PortAccess::permissionHint(sim->portPath())});
}

TEST_F(CliFiles, APortAnotherProgramHoldsIsNamedAndTriedAgainOnceFree)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    {
        const QSignalBlocker quiet(main.ComboBoxDeviceName);
        main.ComboBoxDeviceName->clear();
        main.ComboBoxDeviceName->addItems({sim->portPath()});
    }
    Clock wallClock;  // the probe's waits run on real time
    const ScopedClock realTime(wallClock);
    auto holder = std::make_unique<TComPort>();   // another program on the meter's port
    holder->setDeviceName(sim->portPath());
    holder->Open();
    ASSERT_TRUE(holder->Active());
    main.Link.ProbePorts();
    EXPECT_FALSE(main.Link.Connected);
    EXPECT_EQ(userMessages(), QStringList{QStringLiteral("No meter found.\n\n") + PortAccess::inUseText(sim->portPath())});
    EXPECT_EQ(main.statusBar()->currentMessage(), PortAccess::inUseText(sim->portPath()));
    EXPECT_EQ(main.ComboBoxDeviceName->findText(sim->portPath()), 0) << "the port stays in the list";

    // The other program ends: the link's restarts open the port and find the meter.
    holder.reset();
    main.MainTimer.stop();
    QElapsedTimer waited;
    waited.start();
    while (!main.Link.Connected && waited.elapsed() < 10000) {
        main.Link.MainTimerTimer();
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
    }
    EXPECT_TRUE(main.Link.Connected);
}

} // namespace

TEST(CliLog, TheLinkLogIsQuietUnlessAskedForThenSaysWhatTheProbeAskedAndHeard)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    const QString logFile = dir.filePath(QStringLiteral("link.log"));
    struct Case {
        const char* name;
        QStringList options;
        bool onStderr, inFile;
    } cases[] = {
        {"quiet by default", {}, false, false},
        {"-v: on stderr", {QStringLiteral("-v")}, true, false},
        {"--log FILE: in the file", {QStringLiteral("--log"), logFile}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(logFile);
        const CliRun run = runCli(QStringList{"live", "--count", "1"} + c.options + QStringList{"--port", sim->portPath()});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err.contains(QLatin1String("tq612.link: probe")), c.onStderr) << run.err.toStdString();
        QFile file(logFile);
        const QString logged = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        EXPECT_EQ(logged.contains(QLatin1String("tq612.link: probe")), c.inFile) << logged.toStdString();
    }
    const CliRun unwritable = runCli({"ports", "--log", dir.filePath(QStringLiteral("missing/link.log"))});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains(QLatin1String("cannot write the log"))) << unwritable.err.toStdString();
}

// What a user sends to a helpdesk: the log file of a download and of a setup
// holds their own lines, each with its time, next to the link's.
TEST(CliLog, TheLogFileHoldsTheDownloadsBlocksAndTheSetupsFramesWithTheirTimes)
{
    const auto sim = startMeter();
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    const QString logFile = dir.filePath(QStringLiteral("link.log"));
    const QString block0 = QString::fromLatin1(metersim::DownloadServer::block(sim->memoryImage(), 0).toHex(' '));
    struct Case {
        const char* name;
        QStringList args;
        QStringList expected;
    } cases[] = {
        {"download", {"download", "-o", dir.filePath(QStringLiteral("night.ch4"))},
         {"tq612.download: sent 'c': 02 63 00 00 00 00 00 00 00 03", "tq612.download: block 0 received: " + block0,
          "tq612.download: ended with"}},
        {"setup", {"setup", "--info"},
         {"tq612.setup: sent: 02 56 00 00 00 00 00 00 00 03", "tq612.setup: reply: ", "tq612.setup: read done"}},
    };
    // Each line's time with its UTC offset ("Z" where that is none).
    static const QRegularExpression timed(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d) tq612\.)"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(logFile);
        const CliRun run = runCli(c.args + QStringList{"--port", sim->portPath(), "--log", logFile});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QFile file(logFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString logged = lines.join(QLatin1Char('\n'));
        for (const QString& expected : c.expected)
            EXPECT_TRUE(logged.contains(expected)) << "missing: " << expected.toStdString() << "\n" << logged.toStdString();
        for (const QString& line : lines)
            EXPECT_TRUE(timed.match(line).hasMatch()) << "no time: " << line.toStdString();
    }
}
