#include "TlsFiles.h"

#include <QFile>
#include <memory>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace cli::mqtt {

namespace {

struct ContextDeleter {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct BioDeleter {
    void operator()(BIO* file) const { BIO_free(file); }
};
struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

// OpenSSL's words for the first thing that went wrong ("no start line"); the
// queue is emptied for the next check.
QString openSslReason()
{
    const unsigned long first = ERR_get_error();
    ERR_clear_error();
    const char* reason = first ? ERR_reason_error_string(first) : nullptr;
    return reason ? QString::fromLatin1(reason) : QStringLiteral("not in a form OpenSSL reads");
}

// A key with a passphrase would have OpenSSL ask for it on the terminal, on
// every attempt to connect; there is nobody to answer, so none is given.
int noPassphrase(char*, int, int, void*)
{
    return -1;
}

} // namespace

QString tlsFilesProblem(const QString& caFile, const QString& certFile, const QString& keyFile)
{
    ERR_clear_error();
    const std::unique_ptr<SSL_CTX, ContextDeleter> context(SSL_CTX_new(TLS_client_method()));
    if (!context)
        return QStringLiteral("TLS cannot be set up: %1").arg(openSslReason());

    const QByteArray ca = QFile::encodeName(caFile);
    if (SSL_CTX_load_verify_locations(context.get(), ca.constData(), nullptr) != 1)
        return QStringLiteral("the CA file %1 holds no certificate that can be read (%2)").arg(caFile, openSslReason());
    if (certFile.isEmpty())
        return {};
    const QByteArray cert = QFile::encodeName(certFile);
    if (SSL_CTX_use_certificate_chain_file(context.get(), cert.constData()) != 1)
        return QStringLiteral("the client certificate %1 cannot be read (%2)").arg(certFile, openSslReason());
    // The key read on its own first, so that a key that cannot be read is
    // told apart from one that belongs to another certificate.
    const QByteArray key = QFile::encodeName(keyFile);
    const std::unique_ptr<BIO, BioDeleter> keyText(BIO_new_file(key.constData(), "r"));
    const std::unique_ptr<EVP_PKEY, KeyDeleter> privateKey(
        keyText ? PEM_read_bio_PrivateKey(keyText.get(), nullptr, noPassphrase, nullptr) : nullptr);
    if (!privateKey)
        return QStringLiteral("the private key %1 cannot be read; it must be a PEM key without a passphrase (%2)")
            .arg(keyFile, openSslReason());
    if (SSL_CTX_use_PrivateKey(context.get(), privateKey.get()) != 1 || SSL_CTX_check_private_key(context.get()) != 1)
        return QStringLiteral("the private key %1 does not belong to the client certificate %2 (%3)")
            .arg(keyFile, certFile, openSslReason());
    return {};
}

} // namespace cli::mqtt
