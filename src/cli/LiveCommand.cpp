// tq612-cli live: one line per sample, taken as the program's real-time
// recording takes them: on a MainTimer tick after a live frame, every
// --every ticks, from the latest frame; with --mqtt each sample also goes to
// a broker. The samples go into a real-time session as the program's Run
// keeps them: in a recovery file of the run's own, which the program offers
// at its next start if this run ends without a goodbye, and with MAX, MIN
// and AVG per channel on standard error at the end.
#include "Commands.h"
#include "Console.h"
#include "MeterConnection.h"
#include "StopSignal.h"

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "live/LiveAlarms.h"
#include "live/LiveSample.h"
#include "live/ScheduleOptions.h"
#include "mqtt/MqttPublisher.h"
#include "realtime/RealTimeSession.h"
#include "realtime/RunSchedule.h"

#include <QEventLoop>
#include <QSysInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace cli {

namespace {

constexpr int StopGraceMs = 10000;

// A whole number of at least 1, or nothing.
std::optional<int> positiveInteger(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 1 ? std::optional<int>(value) : std::nullopt;
}

// Sends what the broker has not taken yet, then says offline. The broker is
// waited for `waitSeconds` at most, after Ctrl-C or a service manager's stop
// only a while; a further signal leaves at once. True when the time ran out.
bool finishPublishing(mqtt::MqttPublisher& publisher, StopSignal& stop, bool stopped, int waitSeconds)
{
    QEventLoop loop;
    bool finished = false;
    bool timedOut = false;
    QObject::connect(&publisher, &mqtt::MqttPublisher::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&publisher, &mqtt::MqttPublisher::refused, &loop, &QEventLoop::quit);
    QObject::connect(&stop, &StopSignal::stopRequested, &loop, &QEventLoop::quit);
    const int waitMs = stopped ? std::min(StopGraceMs, waitSeconds * 1000) : waitSeconds * 1000;
    QTimer::singleShot(waitMs, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QTimer::singleShot(2000, &loop, [&] {
        if (publisher.waitingCount() > 0)
            note(QStringLiteral("sending %1 kept reading(s) to the broker, waiting at most %2 s; Ctrl-C leaves without them")
                     .arg(publisher.waitingCount())
                     .arg(waitMs / 1000));
        else
            note(QStringLiteral("saying offline to the broker; Ctrl-C leaves at once"));
    });
    publisher.finish();
    if (!finished)
        loop.exec();
    publisher.sayDropped();
    return timedOut;
}

// Where the readings the broker did not take are kept: the recovery file
// holds every sample of the run, and the program offers it at its next start.
void tellWhereUnsentAre(std::uint64_t unsent, const QString& broker, const QString& recoveryFile)
{
    const QString notSent = QStringLiteral("%1 reading(s) were not sent to the broker %2").arg(unsent).arg(broker);
    if (recoveryFile.isEmpty())
        error(notSent + QStringLiteral("; this run keeps no recovery file, so they are only in what it printed"));
    else
        error(notSent + QStringLiteral("; the run's samples are kept in %1, which TQ612 offers at its next start")
                            .arg(recoveryFile));
}

// A MAX or MIN as the real-time graph shows it, with '.' and the moment's UTC
// offset as everything tq612-cli prints: 25.5@2026-12-11T03:52:19+01:00.
QString extremeText(float value, TDateTime time)
{
    if (GraphStatistics::isOverRange(value))
        return QStringLiteral("OL");
    return QString::number(double(value), 'f', 1) + QLatin1Char('@') + timeText(momentOf(time));
}

QString averageText(const GraphStatistics::Average& average)
{
    const auto value = average.value();
    return value ? QString::number(*value, 'f', 1) : QStringLiteral("****");
}

// The run's MAX, MIN and AVG per channel, as the real-time graph shows them.
void reportStatistics(const RealTimeSession& session)
{
    if (session.SampleCount() == 0)
        return;
    for (int c = 0; c < RealTimeSession::Channels; ++c) {
        const GraphStatistics::Extremes& e = session.extremes(c);
        note(QStringLiteral("T%1 MAX %2 MIN %3 AVG %4")
                 .arg(c + 1)
                 .arg(extremeText(e.max, e.maxTime), extremeText(e.min, e.minTime),
                      averageText(session.averages()[size_t(c)])));
    }
}

// The documents folder, where the run keeps its recovery file; none with --no-recovery.
QString recoveryDocuments(const QCommandLineParser& parser)
{
    if (parser.isSet(QStringLiteral("no-recovery")))
        return {};
    return AppPaths::makeDocumentFolder();
}

} // namespace

int runLive(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("live takes no arguments"));
        return Usage;
    }
    const QString format = parser.value(QStringLiteral("format"));
    if (format != QLatin1String("csv") && format != QLatin1String("jsonl") && format != QLatin1String("influx")) {
        error(QStringLiteral("--format must be csv, jsonl or influx"));
        return Usage;
    }
    const auto every = positiveInteger(parser.value(QStringLiteral("every")));
    if (!every) {
        error(QStringLiteral("--every must be a whole number of seconds, at least 1"));
        return Usage;
    }
    std::optional<int> count;
    if (parser.isSet(QStringLiteral("count"))) {
        count = positiveInteger(parser.value(QStringLiteral("count")));
        if (!count) {
            error(QStringLiteral("--count must be a whole number, at least 1"));
            return Usage;
        }
    }

    auto alarmOptions = readAlarmOptions(parser);
    if (const QString* why = std::get_if<QString>(&alarmOptions)) {
        error(*why);
        return Usage;
    }
    const auto plan = readSchedule(parser, Clock::current().now());
    if (const QString* why = std::get_if<QString>(&plan)) {
        error(*why);
        return Usage;
    }

    std::optional<mqtt::MqttSettings> broker;
    if (parser.isSet(QStringLiteral("mqtt"))) {
        auto read = mqtt::readMqttSettings(parser, QProcessEnvironment::systemEnvironment());
        if (const QString* why = std::get_if<QString>(&read)) {
            error(*why);
            return Usage;
        }
        broker = std::get<mqtt::MqttSettings>(std::move(read));
    } else if (const QString option = brokerOptionWithoutBroker(parser); !option.isEmpty()) {
        error(QStringLiteral("%1 is for the broker: give --mqtt HOST[:PORT] too").arg(option));
        return Usage;
    }

    MeterConnection connection(parser.value(QStringLiteral("port")));
    if (const int code = connection.connect())
        return code;

    connection.settings().RealTimeRate = *every;
    ConsoleHost& host = connection.host();

    QEventLoop loop;
    int exitCode = Done;
    // One name for this host's meter on this port: the broker's client, the sensors, the influx tag.
    const QString meterId = mqtt::meterIdFor(QSysInfo::machineHostName(), connection.link().Comm1.DeviceName());
    std::unique_ptr<mqtt::MqttPublisher> publisher;
    if (broker) {
        broker->meterId = meterId;
        broker->clientId = meterId;
        publisher = std::make_unique<mqtt::MqttPublisher>(*broker);
        QObject::connect(publisher.get(), &mqtt::MqttPublisher::refused, &loop, [&](const QString& reason) {
            error(QStringLiteral("the broker %1 refused the connection: %2").arg(broker->address(), reason));
            exitCode = BrokerRefused;
            loop.quit();
        });
        publisher->start();
    }
    std::unique_ptr<LiveAlarms> alarms;
    if (const auto& options = std::get<std::optional<AlarmOptions>>(alarmOptions)) {
        alarms = std::make_unique<LiveAlarms>(*options);
        if (publisher)
            alarms->publishTo(*publisher, *broker);
        host.onLinkChange = [&](bool up) { alarms->linkChanged(up, DateTime::fromQDateTime(Clock::current().now())); };
    }

    const QString documents = recoveryDocuments(parser);
    RealTimeSession session(connection.settings(), documents);
    session.setKeepsSamples(false);
    bool recoveryKept = !documents.isEmpty();
    if (recoveryKept) {
        QObject::connect(&session, &RealTimeSession::recoveryFailed, &session, [&](const QString& text) {
            error(text);
            recoveryKept = false;
        });
    }
    // The run starts now, or when --start-at says; --duration and --until end it.
    RunSchedule schedule(std::get<RunSchedule::Plan>(plan));
    QObject::connect(&schedule, &RunSchedule::started, &loop, [&](const QDateTime& at) {
        // As Run does: a sample every `every` ticks, the first on the next tick after a frame.
        connection.link().RateTicks = *every;
        host.sampling = true;
        session.startRun(DateTime::fromQDateTime(at), count.value_or(std::numeric_limits<int>::max()));
        if (alarms)
            alarms->start(DateTime::fromQDateTime(at));
    });
    QObject::connect(&schedule, &RunSchedule::ended, &loop, &QEventLoop::quit);

    const auto line = [&](const LiveSample& sample) {
        if (format == QLatin1String("jsonl"))
            return jsonLine(sample);
        if (format == QLatin1String("influx"))
            return influxLine(sample, meterId);
        return csvLine(sample);
    };
    // A reader that has had enough (`| head -n 3`) closes the pipe: the write
    // then fails with EPIPE, which ends the run as asked, instead of the
    // signal killing the process and leaving its recovery file behind.
    std::signal(SIGPIPE, SIG_IGN);
    // Standard output failed: EPIPE when its reader is gone, anything else
    // when the samples can not be kept there (a full disk).
    int outputError = 0;
    const auto print = [&](const QString& text) {
        if (outputError == 0 && !out(text)) {
            outputError = errno != 0 ? errno : EIO;
            loop.quit();
        }
    };
    if (format == QLatin1String("csv"))
        print(csvHeading());
    int printed = 0;
    host.onSample = [&](TDateTime tickTime) {
        if (outputError)
            return;
        if (!host.lastFrame || !schedule.takesSampleAt(DateTime::toQDateTime(tickTime)))
            return;
        const LiveSample sample = makeSample(tickTime, *host.lastFrame);
        // Into the recovery file first: every sample printed survives a kill.
        if (session.RealTimeRunning())
            session.TakeSample(tickTime, connection.link().LatestReadings);
        print(line(sample));
        if (publisher)
            publisher->publish(sample);
        if (alarms)
            alarms->sample(sample, tickTime);
        if (count && ++printed >= *count)
            loop.quit();
    };
    StopSignal stop;
    bool stopped = false;
    QObject::connect(&stop, &StopSignal::stopRequested, &loop, [&] {
        stopped = true;
        loop.quit();
    });
    schedule.begin();
    if (schedule.state() == RunSchedule::State::Waiting)
        note(QStringLiteral("waiting until %1 to start").arg(timeText(*schedule.plan().startAt)));
    if (outputError == 0)
        loop.exec();
    host.onSample = nullptr;
    host.onLinkChange = nullptr;
    host.sampling = false;
    if (session.RealTimeRunning())
        session.Stop();
    // On Ctrl-C, SIGTERM, SIGHUP, --count or a reader that left; a run the
    // broker refused ends on its reason.
    if (exitCode == Done)
        reportStatistics(session);
    if (alarms)
        alarms->finish(stop);
    const bool outputFailed = outputError != 0 && outputError != EPIPE;

    bool timedOut = false;
    if (publisher && exitCode == Done)
        timedOut = finishPublishing(*publisher, stop, stopped, broker->endWaitSeconds);
    const std::uint64_t unsent = publisher ? publisher->unsentCount() : 0;
    if (!outputFailed && unsent == 0) {
        // A run that ended as asked leaves no recovery file behind; another run's file stays.
        session.discardRecovery();
        return exitCode;
    }
    // Samples that did not reach their reader or the broker: the recovery file keeps them.
    const bool kept = recoveryKept && session.SampleCount() > 0 && session.keepRecovery();
    const QString keptIn = kept ? session.recoveryFileName() : QString();
    if (!kept && session.SampleCount() == 0)
        session.discardRecovery();
    if (outputFailed) {
        const QString why = QStringLiteral("standard output can not be written (%1)")
                                .arg(QString::fromLocal8Bit(std::strerror(outputError)));
        error(kept ? why + QStringLiteral("; the samples are kept in ") + keptIn : why);
    }
    if (unsent > 0)
        tellWhereUnsentAre(unsent, broker->address(), keptIn);
    if (outputFailed && exitCode == Done)
        return Usage;
    // A run that was stopped was told to leave them; a run that ended by
    // itself and ran out of time failed to send them.
    if (exitCode == Done && timedOut && !stopped)
        exitCode = ReadingsNotSent;
    return exitCode;
}

} // namespace cli
