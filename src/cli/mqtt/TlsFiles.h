#pragma once
// The files of a TLS connection, checked before the first connection as the
// MQTT library will load them: the CA certificates the broker's certificate
// must come from, and the client certificate with its private key. A file
// that is there but cannot be used would otherwise fail every attempt, which
// looks like a broker that is away.

#include <QString>

namespace cli::mqtt {

// Why the files cannot be used, naming the file; empty when they can.
// `certFile` and `keyFile` may be empty (no client certificate).
QString tlsFilesProblem(const QString& caFile, const QString& certFile, const QString& keyFile);

} // namespace cli::mqtt
