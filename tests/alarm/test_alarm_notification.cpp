// The alarm's desktop notification through a real session bus: a
// dbus-daemon of the test's own, a notification service that the test
// registers on it and that keeps what it was sent, and the program's
// notifier on a connection of its own, as it would be on a desktop.
#include "alarm/AlarmResponder.h"
#include "alarm/DesktopNotifier.h"
#include "app/Regional.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcess>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <functional>

namespace {

// `dbus-daemon --session` on an address of its own, ended with the test.
class SessionBus {
public:
    SessionBus()
    {
        daemon.setProgram(QStringLiteral("dbus-daemon"));
        daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                             QStringLiteral("--print-address=1")});
        daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon.start();
        if (!daemon.waitForStarted(10000))
            return;
        QDeadlineTimer deadline(10000);
        while (!daemon.canReadLine() && !deadline.hasExpired())
            daemon.waitForReadyRead(int(deadline.remainingTime()));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~SessionBus()
    {
        for (const QString& name : connections)
            QDBusConnection::disconnectFromBus(name);
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
    QDBusConnection connect(const QString& name)
    {
        connections << name;
        return QDBusConnection::connectToBus(address, name);
    }

    QProcess daemon;
    QString address;
    QStringList connections;
};

// What a notification service was sent.
struct Received {
    QString appName;
    QString summary;
    QString body;
    QVariantMap hints;
};

// The freedesktop notification service as a desktop provides it, keeping
// each notification instead of showing it.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<Received> received;

public slots:
    uint Notify(const QString& appName, uint /*replacesId*/, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int /*timeout*/)
    {
        received.push_back({appName, summary, body, hints});
        return uint(received.size());
    }
};

bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

AlarmEvent highAlarm(bool begins)
{
    AlarmEvent e;
    e.begins = begins;
    e.channel = 0;
    e.kind = AlarmKind::High;
    e.reading = begins ? 26.4 : 25.3;
    e.limit = 26.0;
    e.time = DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 11), QTime(7, 37, 9)));
    return e;
}

} // namespace

TEST(AlarmNotification, TheServiceOnTheSessionBusGetsSummaryBodyAndUrgency)
{
    SessionBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon gave no address";
    QDBusConnection serviceSide = bus.connect(QStringLiteral("notification service"));
    ASSERT_TRUE(serviceSide.isConnected());
    NotificationService service;
    ASSERT_TRUE(serviceSide.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                           QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.Notifications")));

    DesktopNotifier notifier(bus.connect(QStringLiteral("program")));
    QStringList unavailable;
    QObject::connect(&notifier, &DesktopNotifier::unavailable, [&](const QString& text) { unavailable << text; });
    AlarmResponder responder(notifier, {});
    responder.setActions({true, false, {}});

    struct Case {
        bool begins;
        const char* summary;
        const char* reading;
        int urgency;   // 2 critical: stays until dismissed; 1 normal
    };
    const Case cases[] = {
        {true, "Alarm T1 above 26.0 °C", "26.4", 2},
        {false, "Alarm over T1 above 26.0 °C", "25.3", 1},
    };
    for (const Case& c : cases) {
        const AlarmEvent event = highAlarm(c.begins);
        responder.respond(event);
        const size_t index = size_t(&c - cases);
        ASSERT_TRUE(waitFor([&] { return service.received.size() > index; })) << c.summary;
        const Received& got = service.received[index];
        EXPECT_EQ(got.appName, QStringLiteral("TQ612"));
        EXPECT_EQ(got.summary, QString::fromUtf8(c.summary));
        EXPECT_EQ(got.body, QStringLiteral("%1 °C at %2").arg(QString::fromLatin1(c.reading),
                                                             Regional::dateTimeText(event.time)));
        EXPECT_EQ(got.hints.value(QStringLiteral("urgency")).toInt(), c.urgency);
    }
    EXPECT_TRUE(unavailable.isEmpty());
}

// Without a service, or without a bus at all, alarms go on without their
// notification, and the user is told once, not at each alarm.
TEST(AlarmNotification, NoServiceIsSaidOnceAndNothingElseFails)
{
    SessionBus bus;
    ASSERT_FALSE(bus.address.isEmpty());
    struct Case {
        const char* name;
        std::function<QDBusConnection()> connection;
    };
    const Case cases[] = {
        {"a bus without a notification service", [&] { return bus.connect(QStringLiteral("no service")); }},
        {"no bus", [] {
             return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                  QStringLiteral("no bus"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesktopNotifier notifier(c.connection());
        QStringList unavailable;
        QObject::connect(&notifier, &DesktopNotifier::unavailable, [&](const QString& text) { unavailable << text; });
        for (int i = 0; i < 3; ++i)
            notifier.notify(QStringLiteral("Alarm T1 above 26.0 °C"), QStringLiteral("26.4 °C"), true);
        ASSERT_TRUE(waitFor([&] { return !unavailable.isEmpty(); }));
        waitFor([] { return false; }, 300);   // the other answers come in too
        ASSERT_EQ(unavailable.size(), 1);
        EXPECT_TRUE(unavailable[0].startsWith(QStringLiteral(
            "Alarms are not shown as desktop notifications: no notification service answers (")))
            << unavailable[0].toStdString();
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("no bus"));
}

#include "test_alarm_notification.moc"
