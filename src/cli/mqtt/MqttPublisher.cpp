#include "MqttPublisher.h"

#include "Console.h"
#include "HaDiscovery.h"

#include <mosquitto.h>

#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace cli::mqtt {

namespace {

// While connecting or closing the loop is run often; once connected the
// socket's readiness drives it and the timer only keeps the connection alive.
constexpr int PumpMs = 50;
constexpr int ConnectedPumpMs = 1000;
constexpr int KeepAliveSeconds = 30;
constexpr int MaxRetrySeconds = 30;
constexpr int ConnectTimeoutMs = 20000;
constexpr std::size_t MaxInFlight = 100;
// A broker that ends our TLS connection in or after the handshake, before its
// answer, this many times, never having taken us, refuses us: its alert with
// the reason is lost when its reset overtakes it on a busy machine.
constexpr int MostSilentTlsEndings = 3;
const QByteArray Online = QByteArrayLiteral("online");
const QByteArray Offline = QByteArrayLiteral("offline");

// The library's words for an error code; for a system error, the system's.
QString errorText(int code)
{
    if (code == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(code));
}

bool credentialsRefused(int connackCode)
{
    return connackCode == 4 || connackCode == 5;  // bad user name or password; not authorised
}

// The broker's TLS alert about our certificate, as the library logs it
// ("... SSL routines::tlsv1 alert unknown ca", "... alert certificate
// required"), in its own words; empty for any other failure.
QString certificateRefusal(const QString& libraryError)
{
    static const QRegularExpression alert(
        QStringLiteral("alert (unknown ca|.*certificate.*|access denied)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = alert.match(libraryError);
    if (!m.hasMatch())
        return {};
    const qsizetype routines = libraryError.lastIndexOf(QLatin1String("::"));
    const QString words = routines >= 0 ? libraryError.mid(routines + 2) : m.captured(0);
    if (m.captured(1).contains(QLatin1String("required"), Qt::CaseInsensitive))
        return QStringLiteral("it requires a client certificate (%1); give one with --mqtt-cert and --mqtt-key")
            .arg(words);
    return QStringLiteral("it does not accept the client certificate (%1)").arg(words);
}

} // namespace

MqttPublisher::MqttPublisher(MqttSettings s, std::size_t queueBound) : settings(std::move(s)), queue(queueBound)
{
    mosquitto_lib_init();
    // A broker that closes the connection must not end the program while it writes.
    std::signal(SIGPIPE, SIG_IGN);
    pumpTimer.setInterval(PumpMs);
    connect(&pumpTimer, &QTimer::timeout, this, &MqttPublisher::pump);
}

MqttPublisher::~MqttPublisher()
{
    readable.reset();
    writable.reset();
    client.reset();  // without a clean end the broker says "offline" for us (the will)
    // An attempt still waiting for its name server ends by itself, with the
    // library still in use: the process's end cleans up after it.
    const bool attemptLeft = attempt && !attempt->done();
    attempt.reset();
    if (!attemptLeft)
        mosquitto_lib_cleanup();
}

void MqttPublisher::start()
{
    nextAttempt = QDeadlineTimer(0);
    pumpTimer.start();
    pump();
}

void MqttPublisher::publish(const LiveSample& sample)
{
    shownUnit = sample.frame.Celsius ? Unit::Celsius : Unit::Fahrenheit;
    queue.push(jsonLine(sample).toUtf8());
    if (state == State::Connected) {
        announce();
        sendWaiting();
        watchSocket();
    }
}

void MqttPublisher::publishMessage(const QString& topic, const QByteArray& payload)
{
    queue.push(payload, topic.toUtf8());
    if (state == State::Connected) {
        sendWaiting();
        watchSocket();
    }
}

void MqttPublisher::setRetained(const QString& topic, const QByteArray& payload)
{
    retained[topic] = payload;
    if (state == State::Connected) {
        sendRetained(topic, payload);
        watchSocket();
    }
}

void MqttPublisher::sendRetained(const QString& topic, const QByteArray& payload)
{
    const QByteArray name = topic.toUtf8();
    mosquitto_publish(client.get(), nullptr, name.constData(), int(payload.size()), payload.constData(), settings.qos,
                      true);
}

// The sensors' configurations, again whenever the meter's unit changes.
void MqttPublisher::announce()
{
    if (!settings.haDiscovery || shownUnit == Unit::Unknown || announcedUnit == shownUnit)
        return;
    for (const auto& [topic, payload] : haDiscoveryMessages(settings, shownUnit == Unit::Celsius)) {
        const QByteArray name = topic.toUtf8();
        mosquitto_publish(client.get(), nullptr, name.constData(), int(payload.size()), payload.constData(),
                          settings.qos, true);
    }
    announcedUnit = shownUnit;
}

void MqttPublisher::finish()
{
    finishing = true;
    if (state == State::Connected)
        sendWaiting();
    else if (state == State::Closed)
        emit finished();
}

// A fresh client for every attempt: what an old one still held for a lost
// connection is in the queue again and must not be sent twice.
Client MqttPublisher::makeClient(QString& why) const
{
    const QByteArray id = settings.clientId.toUtf8();
    Client fresh(mosquitto_new(id.constData(), true, nullptr));
    if (!fresh) {
        why = QStringLiteral("the MQTT client cannot be made");
        return nullptr;
    }
    mosquitto* c = fresh.get();
    const QByteArray status = settings.statusTopic().toUtf8();
    int rc = mosquitto_will_set(c, status.constData(), int(Offline.size()), Offline.constData(), settings.qos, true);
    if (rc == MOSQ_ERR_SUCCESS && !settings.user.isEmpty()) {
        const QByteArray user = settings.user.toUtf8();
        rc = mosquitto_username_pw_set(c, user.constData(), settings.password ? settings.password->constData() : nullptr);
    }
    if (rc == MOSQ_ERR_SUCCESS && !settings.caFile.isEmpty()) {
        const QByteArray ca = settings.caFile.toLocal8Bit();
        const QByteArray cert = settings.certFile.toLocal8Bit();
        const QByteArray key = settings.keyFile.toLocal8Bit();
        rc = mosquitto_tls_set(c, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                               key.isEmpty() ? nullptr : key.constData(), nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        why = errorText(rc);
        return nullptr;
    }
    return fresh;
}

// The client's events come to this publisher, on this thread.
void MqttPublisher::listenTo(mosquitto* c)
{
    mosquitto_user_data_set(c, this);
    mosquitto_connect_callback_set(c, [](mosquitto*, void* self, int code) {
        static_cast<MqttPublisher*>(self)->connected(code);
    });
    mosquitto_disconnect_callback_set(c, [](mosquitto*, void* self, int code) {
        static_cast<MqttPublisher*>(self)->disconnected(code);
    });
    mosquitto_publish_callback_set(c, [](mosquitto*, void* self, int messageId) {
        static_cast<MqttPublisher*>(self)->published(messageId);
    });
    // The library names the reason of a failed TLS handshake only in its log.
    mosquitto_log_callback_set(c, [](mosquitto*, void* self, int level, const char* text) {
        auto* publisher = static_cast<MqttPublisher*>(self);
        QString& noted = publisher->lastLibraryError;
        // The broker's alert, once there, is the reason; later complaints are its echoes.
        if (level == MOSQ_LOG_ERR && certificateRefusal(noted).isEmpty())
            noted = QString::fromUtf8(text);
        publisher->brokerReached = publisher->brokerReached || sendsConnect(text);
    });
}

void MqttPublisher::connectNow()
{
    readable.reset();  // the old client's socket closes with it
    writable.reset();
    client.reset();
    lastLibraryError.clear();  // a failure of an earlier attempt says nothing of this one
    brokerReached = false;
    QString why;
    Client fresh = makeClient(why);
    if (!fresh) {
        connectionLost(why);
        return;
    }
    // The outcome is taken on this thread as soon as it is there.
    attempt = std::make_unique<ConnectAttempt>(std::move(fresh), settings.host, settings.port, KeepAliveSeconds, [this] {
        QMetaObject::invokeMethod(this, &MqttPublisher::pump, Qt::QueuedConnection);
    });
    state = State::Opening;
}

// The attempt's thread has looked the name up and opened the socket, or failed to.
void MqttPublisher::opened(ConnectAttempt::Outcome outcome)
{
    client = std::move(outcome.client);
    listenTo(client.get());
    lastLibraryError = outcome.libraryError;
    brokerReached = outcome.brokerReached;
    if (outcome.tlsFailed) {
        // TLS that cannot even begin will not begin next time either.
        close();
        emit refused(QStringLiteral("TLS: %1").arg(lastLibraryError.isEmpty() ? outcome.why : lastLibraryError));
        return;
    }
    if (!outcome.opened) {
        connectionLost(outcome.why);
        return;
    }
    state = State::Connecting;
    connectDeadline = QDeadlineTimer(ConnectTimeoutMs);
}

void MqttPublisher::pump()
{
    if (state == State::Waiting && nextAttempt.hasExpired())
        connectNow();
    if (state == State::Opening) {
        if (auto outcome = attempt->take()) {
            attempt.reset();
            opened(std::move(*outcome));
        }
    }
    if (state == State::Connecting && connectDeadline.hasExpired())
        connectionLost(QStringLiteral("no answer"));
    if (state == State::Connecting || state == State::Connected || state == State::Closing) {
        const int rc = mosquitto_loop(client.get(), 0, 1);
        brokerReached = brokerReached || brokeOpenConnection(rc, errno);
        if (rc == MOSQ_ERR_TLS && state == State::Connecting) {
            // A certificate the CA does not vouch for stays so: the settings are wrong.
            close();
            emit refused(QStringLiteral("TLS: %1").arg(lastLibraryError.isEmpty() ? errorText(rc) : lastLibraryError));
            return;
        }
        if (rc != MOSQ_ERR_SUCCESS && state != State::Closed && state != State::Waiting)
            connectionLost(errorText(rc));
    }
    watchSocket();
}

// Follows the client's socket: readable, it is read at once; writable while
// the library holds something to write (what was published inside its
// callbacks waits for that). The timer runs often only while a connection is
// being made or closed.
void MqttPublisher::watchSocket()
{
    const bool live = client && state != State::Waiting && state != State::Closed;
    const int fd = live ? mosquitto_socket(client.get()) : -1;
    if (fd < 0) {
        readable.reset();
        writable.reset();
    } else if (!readable || readable->socket() != fd) {
        readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(readable.get(), &QSocketNotifier::activated, this, &MqttPublisher::pump);
        writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(writable.get(), &QSocketNotifier::activated, this, &MqttPublisher::pump);
    }
    if (writable)
        writable->setEnabled((state == State::Connected || state == State::Closing) && mosquitto_want_write(client.get()));
    if (pumpTimer.isActive()) {
        const int interval = state == State::Connected ? ConnectedPumpMs : PumpMs;
        if (pumpTimer.interval() != interval)
            pumpTimer.start(interval);
    }
}

void MqttPublisher::connected(int code)
{
    if (code != 0) {
        const QString reason = QString::fromUtf8(mosquitto_connack_string(code));
        if (credentialsRefused(code)) {
            close();
            emit refused(reason);
            return;
        }
        connectionLost(reason);
        return;
    }
    state = State::Connected;
    retrySeconds = 1;
    if (awaySaid) {
        error(QStringLiteral("the broker %1 answers again; sending %2 kept reading(s)")
                  .arg(settings.address())
                  .arg(queue.size()));
        awaySaid = false;
    }
    everConnected = true;
    sayDropped();
    const QByteArray status = settings.statusTopic().toUtf8();
    mosquitto_publish(client.get(), nullptr, status.constData(), int(Online.size()), Online.constData(), settings.qos,
                      true);
    announcedUnit = Unit::Unknown;  // a broker that restarted may have lost them
    announce();
    for (const auto& [topic, payload] : retained)
        sendRetained(topic, payload);
    sendWaiting();
}

void MqttPublisher::disconnected(int code)
{
    if (state == State::Closing) {
        close();
        emit finished();
        return;
    }
    brokerReached = brokerReached || brokeOpenConnection(code, errno);
    if (state == State::Connecting || state == State::Connected)
        connectionLost(code ? errorText(code) : QStringLiteral("it closed the connection"));
}

void MqttPublisher::published(int messageId)
{
    if (messageId == offlineMessageId && state == State::Connected) {
        state = State::Closing;
        mosquitto_disconnect(client.get());
        return;
    }
    if (sending && messageId == sendingMessageId) {
        queue.delivered(sendingReading);
        sentAtOnce = true;
        return;
    }
    const auto it = inFlight.find(messageId);
    if (it == inFlight.end())
        return;
    queue.delivered(it->second);
    inFlight.erase(it);
    sendWaiting();
}

// Nothing more is sent or tried: the run ends as refused or finished.
void MqttPublisher::close()
{
    state = State::Closed;
    pumpTimer.stop();
}

void MqttPublisher::connectionLost(const QString& reason)
{
    if (state == State::Closed)
        return;
    if (state == State::Opening || state == State::Connecting) {
        // A broker that answers our certificate with a TLS alert will answer
        // so again: the settings are wrong, unlike a broker that is away.
        const QString refusal = certificateRefusal(lastLibraryError);
        if (!refusal.isEmpty()) {
            close();
            emit refused(QStringLiteral("TLS: %1").arg(refusal));
            return;
        }
        const bool tls = !settings.caFile.isEmpty();
        if (tls && brokerReached && !everConnected && ++silentTlsEndings >= MostSilentTlsEndings) {
            close();
            emit refused(QStringLiteral("TLS: the broker ended the connection in or after the handshake, %1 times "
                                        "without answering or saying why (%2); it may not accept the client "
                                        "certificate")
                             .arg(silentTlsEndings)
                             .arg(reason));
            return;
        }
    }
    if (state == State::Closing) {  // "offline" was taken; the broker went before the goodbye
        close();
        emit finished();
        return;
    }
    state = State::Waiting;
    inFlight.clear();
    queue.rewind();
    offlineMessageId = -1;
    if (!awaySaid) {
        error(QStringLiteral("%1 the broker %2 (%3); readings are kept and sent when it answers, asking again "
                             "at most every %4 s")
                  .arg(everConnected ? QStringLiteral("lost") : QStringLiteral("cannot reach"), settings.address(),
                       reason)
                  .arg(MaxRetrySeconds));
        awaySaid = true;
    }
    nextAttempt = QDeadlineTimer(retrySeconds * 1000);
    retrySeconds = std::min(retrySeconds * 2, MaxRetrySeconds);
}

void MqttPublisher::sendWaiting()
{
    if (sending)
        return;  // a confirmation that came while publishing: the loop below goes on
    sending = true;
    const QByteArray readingsTopic = settings.readingsTopic().toUtf8();
    while (state == State::Connected && inFlight.size() < MaxInFlight) {
        const auto entry = queue.takeNext();
        if (!entry)
            break;
        const QByteArray& topic = entry->topic.isEmpty() ? readingsTopic : entry->topic;
        // At QoS 0 the library may write the message and confirm it inside
        // mosquitto_publish; it sets the message id before that.
        sendingMessageId = -1;
        sendingReading = entry->id;
        sentAtOnce = false;
        const int rc = mosquitto_publish(client.get(), &sendingMessageId, topic.constData(),
                                         int(entry->payload.size()), entry->payload.constData(), settings.qos, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            sending = false;
            connectionLost(errorText(rc));
            return;
        }
        if (!sentAtOnce)
            inFlight.emplace(sendingMessageId, entry->id);
        sendingMessageId = -1;
    }
    sending = false;
    if (state == State::Connected && finishing && queue.empty() && offlineMessageId < 0) {
        const QByteArray status = settings.statusTopic().toUtf8();
        mosquitto_publish(client.get(), &offlineMessageId, status.constData(), int(Offline.size()), Offline.constData(),
                          settings.qos, true);
    }
}

void MqttPublisher::sayDropped()
{
    if (const auto dropped = queue.takeDroppedCount()) {
        error(QStringLiteral("%1 oldest reading(s) were dropped: at most %2 are kept while the broker is away")
                  .arg(dropped)
                  .arg(queue.capacity()));
    }
}

} // namespace cli::mqtt
