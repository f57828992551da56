// tq612-cli live --mqtt when the way to the broker is slow or shut: a name
// server that does not answer (a resolver preloaded into tq612-cli that waits
// before it answers), a broker that is away at the end of a --count run, TLS
// files that cannot be used. The samples keep their pace, the end comes in
// the time allowed with its own exit code, and what the broker did not take
// is kept and named.
#include "../cli/CliRun.h"
#include "MqttBroker.h"
#include "MqttSubscriber.h"
#include "TestCertificates.h"
#include "TestMeter.h"
#include "support/ScopedEnvironment.h"

#include "realtime/RealTimeRecovery.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QByteArray SlowName = "broker.slow.test";

// tq612-cli's name lookups of SlowName wait `ms`, then answer 127.0.0.1 or, with `answer` "none", "try again".
ScopedEnvironment slowNameServer(int ms, const QByteArray& answer = "127.0.0.1")
{
    return {{"LD_PRELOAD", TQ612_SLOW_RESOLVER},
            {"TQ612_SLOW_NAME", SlowName},
            {"TQ612_SLOW_MS", QByteArray::number(ms)},
            {"TQ612_SLOW_ANSWER", answer}};
}

// The moment of each influx line, in milliseconds since 1970.
QList<qint64> influxMoments(const QStringList& lines)
{
    QList<qint64> moments;
    for (const QString& line : lines)
        moments << line.section(QLatin1Char(' '), -1).toLongLong() / 1000000;
    return moments;
}

// The files a run left in the documents' temp folder below `home`, lock files aside.
QStringList leftInTemp(const QString& home)
{
    QStringList files;
    QDirIterator it(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String("/TQ612/temp/")) && !path.endsWith(QLatin1String(".lock")))
            files << path;
    }
    return files;
}

} // namespace

// A name server that takes 2.5 s for every lookup, and a broker that comes
// only once samples are on their way: each attempt to connect waits for the
// name, and no sample waits with it.
TEST(MqttHoldUp, ANameServerThatDoesNotAnswerHoldsUpNoSample)
{
    MqttBroker broker;
    ASSERT_TRUE(broker.start());
    MqttSubscriber sub(broker, QStringLiteral("tq612/readings"));  // its session outlives the broker's absence
    broker.stop();
    const auto sim = startMeter(false);
    ASSERT_TRUE(sim);

    QString out, err;
    CliRun run;
    {
        const ScopedEnvironment slow = slowNameServer(2500);
        run = runCli({"live", "--port", sim->portPath(), "--mqtt", QString::fromLatin1(SlowName + ':' + QByteArray::number(broker.port())),
                      "--count", "8", "--format", "influx"},
                     {}, [&](QProcess& p) {
                         ASSERT_TRUE(readUntil(p, out, err, [&] {
                             return err.contains("cannot reach the broker") && out.count('\n') >= 3;
                         })) << err.toStdString();
                         ASSERT_TRUE(broker.start()) << "the same port again";
                     });
    }
    out += run.out;
    err += run.err;
    EXPECT_EQ(run.exitCode, 0) << err.toStdString();

    // One sample a second, each on its own tick: a tick held up by a lookup
    // would come seconds late, and the next ones crowd after it.
    const QStringList printed = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), 8) << out.toStdString();
    const QList<qint64> moments = influxMoments(printed);
    for (int i = 1; i < moments.size(); ++i)
        EXPECT_NEAR(double(moments[i] - moments[i - 1]), 1000.0, 450.0) << "between samples " << i - 1 << " and " << i;

    // And the broker got each of them once it could be reached.
    ASSERT_TRUE(sub.collect(20000, [&] { return withoutRepeats(sub.payloads("tq612/readings")).size() >= 8; }))
        << sub.messages().join('\n').toStdString();
    const QStringList readings = withoutRepeats(sub.payloads(QStringLiteral("tq612/readings")));
    ASSERT_EQ(readings.size(), 8);
    for (int i = 0; i < 8; ++i) {
        const QString time = QJsonDocument::fromJson(readings[i].toUtf8()).object().value("time").toString();
        const qint64 sent = QDateTime::fromString(time, Qt::ISODate).toMSecsSinceEpoch();
        EXPECT_LT(moments[i] - sent, 1000) << readings[i].toStdString();
        EXPECT_GE(moments[i] - sent, 0) << readings[i].toStdString();
    }
}

// The end of a --count run waits for the broker at most --mqtt-wait seconds.
// What the broker did not take then ends the run with exit code 5, and the
// recovery file that holds the run's samples stays and is named; a run whose
// readings all went leaves none.
TEST(MqttHoldUp, TheEndWaitsForTheBrokerABoundedTimeAndKeepsWhatItDidNotTake)
{
    MqttBroker away;  // never started
    MqttBroker there;
    ASSERT_TRUE(there.start());
    const auto sim = startMeter(false);
    ASSERT_TRUE(sim);
    struct Case {
        const char* name;
        QString broker;
        int nameServerMs;  // > 0: lookups of the broker's name wait this long and find nothing
        bool recovery;
        int exitCode;
        QString inErr;
    };
    const Case cases[] = {
        {"a broker that is away", away.address(), 0, true, 5,
         "2 reading(s) were not sent to the broker " + away.address() + "; the run's samples are kept in "},
        {"a name server that never answers, without a recovery file", QString::fromLatin1(SlowName), 60000, false, 5,
         "2 reading(s) were not sent to the broker broker.slow.test:1883; this run keeps no recovery file"},
        {"a broker that is there", there.address(), 0, true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;  // a documents folder of its own, where the run's recovery file goes
        const ScopedEnvironment ownHome{{"HOME", QFile::encodeName(home.path())},
                                        {"XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config"))},
                                        {"XDG_DATA_HOME", QFile::encodeName(home.filePath("data"))}};
        const ScopedEnvironment slow = slowNameServer(c.nameServerMs, "none");
        QStringList args{"live",    "--port", sim->portPath(), "--mqtt", c.broker, "--count", "2", "--mqtt-wait", "2",
                         "--format", "jsonl"};
        if (!c.recovery)
            args << "--no-recovery";
        QElapsedTimer took;
        took.start();
        const CliRun run = runCli(args);
        // Two samples, two seconds of waiting, and the start: far less than a name server's minute.
        EXPECT_LT(took.elapsed(), 15000);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_EQ(run.outLines().size(), 2);
        EXPECT_TRUE(run.err.contains(c.inErr)) << run.err.toStdString();
        if (c.exitCode == 0) {
            EXPECT_FALSE(run.err.contains("not sent")) << run.err.toStdString();
            EXPECT_EQ(leftInTemp(home.path()), QStringList()) << "a run that sent everything leaves no recovery file";
            continue;
        }
        if (!c.recovery)
            continue;
        const QRegularExpression named(QStringLiteral("kept in (.+), which TQ612 offers at its next start"));
        const QRegularExpressionMatch m = named.match(run.err);
        ASSERT_TRUE(m.hasMatch()) << run.err.toStdString();
        const QString kept = m.captured(1);
        EXPECT_TRUE(kept.startsWith(home.path())) << kept.toStdString();
        const auto recovered = RealTimeRecovery::read(kept);
        ASSERT_TRUE(recovered) << "the recovery file is there: " << kept.toStdString();
        EXPECT_EQ(recovered->samples.size(), 2u) << "it holds the readings the broker did not get";
    }
}

TEST(MqttHoldUp, TlsFilesThatCannotBeUsedEndTheRunBeforeTheMeterIsAsked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(makeCertificates(dir.path(), "lab"));
    ASSERT_TRUE(makeCertificates(dir.path(), "other"));
    const auto file = [&](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString path = dir.path() + QLatin1Char('/');
    const QString garbage = file("garbage.pem", "not a certificate\n");
    const QString empty = file("empty.pem", "");
    ASSERT_TRUE(runOpenSsl(dir.path(), {"pkey", "-in", "lab-client.key", "-aes256", "-passout", "pass:secret", "-out",
                                        "locked.key"}));
    const QString ca = path + "lab-ca.crt", cert = path + "lab-client.crt", key = path + "lab-client.key";

    struct Case {
        const char* name;
        QStringList tls;
        QString inErr;  // empty: the files can be used
    };
    const Case cases[] = {
        {"a CA file that holds no certificate", {"--mqtt-cafile", garbage},
         "the CA file " + garbage + " holds no certificate that can be read"},
        {"an empty CA file", {"--mqtt-cafile", empty}, "the CA file " + empty + " holds no certificate"},
        {"a key given as the CA file", {"--mqtt-cafile", key}, "the CA file " + key + " holds no certificate"},
        {"a client certificate that is none", {"--mqtt-cafile", ca, "--mqtt-cert", garbage, "--mqtt-key", key},
         "the client certificate " + garbage + " cannot be read"},
        {"a key that is none", {"--mqtt-cafile", ca, "--mqtt-cert", cert, "--mqtt-key", garbage},
         "the private key " + garbage + " cannot be read"},
        {"a key with a passphrase", {"--mqtt-cafile", ca, "--mqtt-cert", cert, "--mqtt-key", path + "locked.key"},
         "the private key " + path + "locked.key cannot be read; it must be a PEM key without a passphrase"},
        {"the key of another certificate", {"--mqtt-cafile", ca, "--mqtt-cert", cert, "--mqtt-key", path + "other-client.key"},
         "the private key " + path + "other-client.key does not belong to the client certificate " + cert},
        {"a CA file", {"--mqtt-cafile", ca}, {}},
        {"a CA file, a certificate and its key", {"--mqtt-cafile", ca, "--mqtt-cert", cert, "--mqtt-key", key}, {}},
        {"a bundle of CA certificates", {"--mqtt-cafile", file("bundle.pem", [&] {
             QFile a(ca), b(path + "other-ca.crt");
             return a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) ? a.readAll() + b.readAll() : QByteArray();
         }())}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = runCli(QStringList{"live", "--port", "/dev/tq612-none", "--count", "1", "--mqtt", "127.0.0.1"}
                                  + c.tls);
        if (c.inErr.isEmpty()) {
            // The files pass; the run goes on to the meter, which is not there.
            EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains("tq612-none")) << run.err.toStdString();
            continue;
        }
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.inErr)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("tq612-none")) << "the port is not tried: " << run.err.toStdString();
    }
}
