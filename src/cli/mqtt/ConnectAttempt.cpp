#include "ConnectAttempt.h"

#include <mosquitto.h>

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>

namespace cli::mqtt {

struct ConnectAttempt::Shared {
    Outcome outcome;
    QByteArray host;
    int port = 0;
    int keepAlive = 0;
    std::atomic<bool> done{false};
    std::mutex mutex;  // guards whenDone
    std::function<void()> whenDone;
};

namespace {

// The words for a failed start of a connection: the resolver's for a name
// that was not found, the system's for a system error, else the library's.
QString reasonFor(int code, int systemError)
{
    if (code == MOSQ_ERR_EAI)
        return QString::fromLocal8Bit(::gai_strerror(systemError));
    if (code == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(systemError));
    return QString::fromUtf8(mosquitto_strerror(code));
}

} // namespace

bool sendsConnect(const char* logLine)
{
    return std::strstr(logLine, " sending CONNECT") != nullptr;
}

bool brokeOpenConnection(int code, int systemError)
{
    if (code == MOSQ_ERR_CONN_LOST)
        return true;
    return code == MOSQ_ERR_ERRNO && (systemError == EPROTO || systemError == EPIPE || systemError == ECONNRESET);
}

void ClientDeleter::operator()(mosquitto* client) const
{
    mosquitto_destroy(client);
}

ConnectAttempt::ConnectAttempt(Client client, const QString& host, int port, int keepAliveSeconds,
                               std::function<void()> whenDone)
    : shared(std::make_shared<Shared>())
{
    shared->whenDone = std::move(whenDone);
    shared->outcome.client = std::move(client);
    shared->host = host.toUtf8();
    shared->port = port;
    shared->keepAlive = keepAliveSeconds;
    // Meanwhile the library's complaints (a certificate it cannot load) are noted here.
    mosquitto* c = shared->outcome.client.get();
    mosquitto_user_data_set(c, shared.get());
    mosquitto_log_callback_set(c, [](mosquitto*, void* self, int level, const char* text) {
        Outcome& o = static_cast<Shared*>(self)->outcome;
        if (level == MOSQ_LOG_ERR)
            o.libraryError = QString::fromUtf8(text);
        o.brokerReached = o.brokerReached || sendsConnect(text);
    });
    // The thread keeps its own share: an attempt given up still has its client to the end.
    worker = std::thread([s = shared] {
        Outcome& o = s->outcome;
        const int code = mosquitto_connect_async(o.client.get(), s->host.constData(), s->port, s->keepAlive);
        const int systemError = errno;
        o.opened = code == MOSQ_ERR_SUCCESS;
        o.tlsFailed = code == MOSQ_ERR_TLS;
        o.brokerReached = o.brokerReached || brokeOpenConnection(code, systemError);
        if (!o.opened)
            o.why = reasonFor(code, systemError);
        s->done.store(true, std::memory_order_release);
        const std::lock_guard lock(s->mutex);
        if (s->whenDone)
            s->whenDone();
    });
}

ConnectAttempt::~ConnectAttempt()
{
    {
        const std::lock_guard lock(shared->mutex);
        shared->whenDone = nullptr;  // whoever was to be told is going
    }
    if (!worker.joinable())
        return;
    if (done())
        worker.join();
    else
        worker.detach();
}

bool ConnectAttempt::done() const
{
    return shared->done.load(std::memory_order_acquire);
}

std::optional<ConnectAttempt::Outcome> ConnectAttempt::take()
{
    if (!done() || !worker.joinable())
        return std::nullopt;
    worker.join();
    Outcome outcome = std::move(shared->outcome);
    mosquitto_log_callback_set(outcome.client.get(), nullptr);
    mosquitto_user_data_set(outcome.client.get(), nullptr);
    return outcome;
}

} // namespace cli::mqtt
