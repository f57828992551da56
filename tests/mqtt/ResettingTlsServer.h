#pragma once
// A TLS server on 127.0.0.1 that completes each handshake and then resets the
// connection without a word: how a broker's refusal looks when its reset
// overtakes its alert on a busy machine.

#include <QByteArray>
#include <QString>
#include <arpa/inet.h>
#include <atomic>
#include <memory>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class ResettingTlsServer {
public:
    ResettingTlsServer(const QString& certificate, const QString& key)
        : context(SSL_CTX_new(TLS_server_method()), &SSL_CTX_free)
    {
        SSL_CTX_use_certificate_file(context.get(), certificate.toLocal8Bit().constData(), SSL_FILETYPE_PEM);
        SSL_CTX_use_PrivateKey_file(context.get(), key.toLocal8Bit().constData(), SSL_FILETYPE_PEM);
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 8);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        worker = std::thread([this] { serve(); });
    }
    ~ResettingTlsServer()
    {
        stopping = true;
        worker.join();
        ::close(listener);
    }
    ResettingTlsServer(const ResettingTlsServer&) = delete;
    ResettingTlsServer& operator=(const ResettingTlsServer&) = delete;

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    int handshakes() const { return completed; }

private:
    void serve()
    {
        while (!stopping) {
            pollfd waiting{listener, POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0)
                continue;
            const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                continue;
            std::unique_ptr<SSL, decltype(&SSL_free)> tls(SSL_new(context.get()), &SSL_free);
            SSL_set_fd(tls.get(), connection);
            if (SSL_accept(tls.get()) == 1)
                ++completed;
            // No alert, no close_notify: a reset.
            const linger abort{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            ::close(connection);
        }
    }

    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context;
    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> completed{0};
    std::thread worker;
};
