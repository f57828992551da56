#include "LiveAlarms.h"

#include "AlarmProgram.h"
#include "AlarmText.h"
#include "Console.h"
#include "mqtt/AlarmTopics.h"
#include "mqtt/MqttPublisher.h"

namespace cli {

LiveAlarms::LiveAlarms(const AlarmOptions& options)
    : alarmRule(options.settings)
{
    if (!options.program.isEmpty())
        program = std::make_unique<AlarmProgram>(options.program, options.programTimeoutSeconds);
    connect(&alarmRule, &AlarmRule::alarm, this, &LiveAlarms::handle);
    connect(&alarmRule, &AlarmRule::limitsConverted, this, [this](TemperatureUnit unit) {
        error(QStringLiteral("the meter now shows °%1; the alarm limits are converted: %2")
                  .arg(unit == TemperatureUnit::Celsius ? QLatin1Char('C') : QLatin1Char('F'))
                  .arg(limitsText(alarmRule.limitsInForce())));
    });
}

LiveAlarms::~LiveAlarms() = default;

void LiveAlarms::publishTo(mqtt::MqttPublisher& to, const mqtt::MqttSettings& settings)
{
    publisher = &to;
    broker = settings;
    if (settings.haDiscovery) {
        for (const auto& [topic, payload] : mqtt::haAlarmDiscoveryMessages(settings, alarmRule.settings()))
            publisher->setRetained(topic, payload);
    }
}

void LiveAlarms::start(TDateTime time)
{
    running = true;
    publishStates(momentOf(time));
    if (!linkUp)
        alarmRule.linkLost(time);
}

void LiveAlarms::sample(const LiveSample& sample, TDateTime tickTime)
{
    if (running)
        alarmRule.takeSample(AlarmSample::fromFrame(tickTime, sample.frame));
}

void LiveAlarms::linkChanged(bool connected, TDateTime time)
{
    linkUp = connected;
    if (!running)
        return;
    if (connected)
        alarmRule.linkFound(time);
    else
        alarmRule.linkLost(time);
}

// Every watched channel's state, and nothing for the others: a state an
// earlier run left there would otherwise stay.
void LiveAlarms::publishStates(const QDateTime& moment)
{
    if (!publisher)
        return;
    for (int c = 0; c < AlarmRule::Channels; ++c) {
        const bool watched = alarmRule.settings().limits[size_t(c)].watched();
        publisher->setRetained(mqtt::alarmStateTopic(*broker, c),
                               watched ? mqtt::alarmStateJson(alarmRule, c, moment) : QByteArray());
    }
}

void LiveAlarms::handle(const AlarmEvent& event)
{
    // The time as the sample's line on standard output shows it.
    const QDateTime moment = momentOf(event.time);
    note(alarmLine(event, moment));
    if (program)
        program->run(programArguments(event, moment));
    if (publisher) {
        publisher->publishMessage(mqtt::alarmTopic(*broker), mqtt::alarmEventJson(event, moment));
        publisher->setRetained(mqtt::alarmStateTopic(*broker, event.channel),
                               mqtt::alarmStateJson(alarmRule, event.channel, moment));
    }
}

void LiveAlarms::waitForPrograms(QEventLoop& wait)
{
    running = false;
    if (!program || program->idle())
        return;
    note(QStringLiteral("waiting for the --on-alarm program; Ctrl-C ends it"));
    connect(program.get(), &AlarmProgram::becameIdle, &wait, &QEventLoop::quit);
    wait.exec();
    program.reset();  // a program still running is ended
}

} // namespace cli
