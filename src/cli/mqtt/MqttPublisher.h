#pragma once
// Sends every live sample to an MQTT broker as PREFIX/readings, and keeps
// PREFIX/status at "online" (retained) while connected, "offline" (the last
// will, and on a clean end). A broker that goes away loses nothing: the
// readings wait in order until it answers again (up to a bound, past which
// the oldest go), and it is asked again after 1, 2, 4 ... at most 30 s.
//
// The client runs on this thread: the event loop hands the library its
// socket's readiness (an answer is read the moment it comes), and a slow
// timer its keep-alive and the attempts to connect, so its callbacks come in
// between the meter's events and an idle connection costs next to nothing.
// Only the start of each connection, which looks up the broker's name, runs
// on a thread of its own (ConnectAttempt): a name server that does not answer
// holds up that thread, never the samples.

#include "ConnectAttempt.h"
#include "MqttSettings.h"
#include "ReadingQueue.h"
#include "live/SamplePublisher.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <memory>
#include <unordered_map>

struct mosquitto;
struct mosquitto_message;

namespace cli::mqtt {

class MqttPublisher : public QObject, public SamplePublisher {
    Q_OBJECT
public:
    // Two days of one-second samples.
    static constexpr std::size_t DefaultQueueBound = 86400 * 2;

    explicit MqttPublisher(MqttSettings settings, std::size_t queueBound = DefaultQueueBound);
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts connecting; the readings published meanwhile wait.
    void start();
    void publish(const LiveSample& sample) override;
    // A message in line with the readings: kept while the broker is away, not retained.
    void publishMessage(const QString& topic, const QByteArray& payload);
    // The present state of `topic`, retained: sent now and again on every
    // connection, so a broker that lost it gets it back.
    void setRetained(const QString& topic, const QByteArray& payload);
    // Sends what waits, then "offline", then disconnects; finished() follows.
    void finish();
    std::size_t waitingCount() const { return queue.size(); }
    // The readings the broker has not taken: those waiting and those dropped.
    std::uint64_t unsentCount() const { return queue.size() + queue.droppedInAll(); }
    // Says on stderr how many readings were dropped since it was last said.
    void sayDropped();

signals:
    // The broker refuses this user name and password, its certificate is not
    // one the CA file vouches for, or it does not accept our client certificate
    // (or its absence); that will not change, so nothing is tried again.
    void refused(const QString& reason);
    void finished();

private:
    // Waiting for the next attempt; Opening: an attempt looks the name up and
    // opens the socket on its thread; Connecting: the broker's answer is awaited.
    enum class State { Waiting, Opening, Connecting, Connected, Closing, Closed };
    enum class Unit { Unknown, Celsius, Fahrenheit };

    void pump();
    void watchSocket();
    void connectNow();
    void opened(ConnectAttempt::Outcome outcome);
    void connected(int code);
    void disconnected(int code);
    void published(int messageId);
    void connectionLost(const QString& reason);
    void close();
    void sendWaiting();
    void announce();
    void sendRetained(const QString& topic, const QByteArray& payload);
    Client makeClient(QString& why) const;
    void listenTo(mosquitto* client);

    MqttSettings settings;
    ReadingQueue queue;
    Client client;                            // while no attempt holds it
    std::unique_ptr<ConnectAttempt> attempt;  // while Opening
    std::unique_ptr<QSocketNotifier> readable, writable;  // on the client's socket, while it has one
    std::unordered_map<int, std::uint64_t> inFlight;  // message id -> reading id
    State state = State::Waiting;
    QTimer pumpTimer;
    QDeadlineTimer nextAttempt;
    QDeadlineTimer connectDeadline;
    int retrySeconds = 1;
    int silentTlsEndings = 0;  // TLS connections ended without an answer or a reason
    bool brokerReached = false;  // by the attempt under way: see ConnectAttempt::Outcome
    bool everConnected = false;
    bool awaySaid = false;
    bool finishing = false;
    int offlineMessageId = -1;
    bool sending = false;  // inside sendWaiting()
    int sendingMessageId = -1;
    std::uint64_t sendingReading = 0;
    bool sentAtOnce = false;
    QString lastLibraryError;
    Unit shownUnit = Unit::Unknown;      // the unit of the latest sample
    Unit announcedUnit = Unit::Unknown;  // the unit the discovery messages named on this connection
    std::map<QString, QByteArray> retained;  // topic -> its present state
};

} // namespace cli::mqtt
