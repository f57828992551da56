#pragma once
// The alarms of tq612-cli live: the core's alarm rule, fed the samples the
// run prints and the live link's losses and returns, and what each of its
// events does: a line on standard error, the --on-alarm program, and with
// --mqtt the broker's alarm topics.

#include "AlarmOptions.h"
#include "LiveSample.h"
#include "alarm/AlarmRule.h"
#include "mqtt/MqttSettings.h"

#include <QEventLoop>
#include <QObject>
#include <memory>
#include <optional>

namespace cli {

namespace mqtt {
class MqttPublisher;
} // namespace mqtt

class AlarmProgram;

class LiveAlarms : public QObject {
    Q_OBJECT
public:
    explicit LiveAlarms(const AlarmOptions& options);
    ~LiveAlarms() override;

    // Each event also to PREFIX/alarm, each channel's state to PREFIX/alarm/T1
    // ... (retained), and with --ha-discovery the binary sensors.
    void publishTo(mqtt::MqttPublisher& publisher, const mqtt::MqttSettings& settings);

    // The run began at `time`: from now on its samples and the link count.
    void start(TDateTime time);
    // A sample the run printed, taken on the tick at `tickTime`.
    void sample(const LiveSample& sample, TDateTime tickTime);
    // The link's watchdog gave the meter up, or its frames came back.
    void linkChanged(bool connected, TDateTime time);
    // After the run: waits for the --on-alarm runs still due, each within its
    // time-out; `stop`'s stopRequested() (Ctrl-C) ends the wait and them.
    template <typename Stop>
    void finish(Stop& stop)
    {
        QEventLoop wait;
        connect(&stop, &Stop::stopRequested, &wait, &QEventLoop::quit);
        waitForPrograms(wait);
    }

    const AlarmRule& rule() const { return alarmRule; }

private:
    void handle(const AlarmEvent& event);
    void publishStates(const QDateTime& moment);
    void waitForPrograms(QEventLoop& wait);

    AlarmRule alarmRule;
    std::unique_ptr<AlarmProgram> program;
    mqtt::MqttPublisher* publisher = nullptr;
    std::optional<mqtt::MqttSettings> broker;
    bool running = false;
    bool linkUp = true;
};

} // namespace cli
