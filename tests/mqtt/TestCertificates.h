#pragma once
// Certificates for the TLS tests, made with openssl.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs openssl with `args` in `dir`; true when it succeeded.
inline bool runOpenSsl(const QString& dir, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("openssl"), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A CA, a certificate for 127.0.0.1 and a client certificate signed by it,
// made with openssl in `dir`: NAME-ca.crt, NAME.crt and NAME.key,
// NAME-client.crt and NAME-client.key.
inline bool makeCertificates(const QString& dir, const QString& name)
{
    const auto run = [&](const QStringList& args) { return runOpenSsl(dir, args); };
    QFile ext(dir + QStringLiteral("/san.ext"));
    ext.open(QIODevice::WriteOnly);
    ext.write("subjectAltName=IP:127.0.0.1\n");
    ext.close();
    return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + "-ca.key", "-out", name + "-ca.crt",
                "-days", "2", "-subj", "/CN=" + name + " test CA"})
           && run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr", "-subj",
                   "/CN=127.0.0.1"})
           && run({"x509", "-req", "-in", name + ".csr", "-CA", name + "-ca.crt", "-CAkey", name + "-ca.key",
                   "-CAcreateserial", "-out", name + ".crt", "-days", "2", "-extfile", "san.ext"})
           // and a client certificate from the same CA
           && run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + "-client.key", "-out", name + "-client.csr",
                   "-subj", "/CN=bench"})
           && run({"x509", "-req", "-in", name + "-client.csr", "-CA", name + "-ca.crt", "-CAkey", name + "-ca.key",
                   "-CAcreateserial", "-out", name + "-client.crt", "-days", "2"});
}
