#pragma once
// One attempt to reach the broker, made on a thread of its own. Opening the
// connection begins with looking up the broker's name, and a name server
// that does not answer holds that for as long as its time-out (half a minute
// is common); the thread that takes the samples must not wait with it. The
// attempt owns the client until it is done; then the client goes back,
// with the library's answer, to the thread that asks for the outcome.

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

struct mosquitto;

namespace cli::mqtt {

struct ClientDeleter {
    void operator()(mosquitto* client) const;
};
using Client = std::unique_ptr<mosquitto, ClientDeleter>;

// The library's log line that says our CONNECT goes out (after TLS, if any).
bool sendsConnect(const char* logLine);
// The library's failure `code` (with errno `systemError`) broke a connection
// that was open: the broker was reached, and ended it (a failed TLS read is
// EPROTO in the library's words, a write after the broker's reset EPIPE).
bool brokeOpenConnection(int code, int systemError);

class ConnectAttempt {
public:
    struct Outcome {
        Client client;
        bool opened = false;   // the connection is on its way; the broker's answer comes through the client
        bool tlsFailed = false;  // TLS could not even begin: its settings are wrong
        bool brokerReached = false;  // our CONNECT went out, or the broker broke the open connection
        QString why;           // when not opened: the reason in the library's or the system's words
        QString libraryError;  // the library's last error message meanwhile, if any
    };

    // Starts connecting `client` to host:port. Until the outcome is taken the
    // client belongs to the attempt's thread and nothing else may touch it.
    // `whenDone` is called on the attempt's thread once the outcome is there,
    // unless the attempt was given up before.
    ConnectAttempt(Client client, const QString& host, int port, int keepAliveSeconds,
                   std::function<void()> whenDone = {});
    // An attempt still waiting for its name server is left to end by itself.
    ~ConnectAttempt();
    ConnectAttempt(const ConnectAttempt&) = delete;
    ConnectAttempt& operator=(const ConnectAttempt&) = delete;

    bool done() const;
    // The outcome once done (once only); nothing before.
    std::optional<Outcome> take();

private:
    struct Shared;
    std::shared_ptr<Shared> shared;
    std::thread worker;
};

} // namespace cli::mqtt
