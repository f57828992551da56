#include "alarm/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// The urgency hint's values.
constexpr uchar Normal = 1;
constexpr uchar Critical = 2;
// The server's own time-out; a critical one stays until dismissed.
constexpr int ServerDefaultTimeout = -1;

} // namespace

DesktopNotifier::DesktopNotifier(std::optional<QDBusConnection> connection, QObject* parent)
    : QObject(parent)
    , bus(std::move(connection))
{
}

QString DesktopNotifier::unavailableText(const QString& reason)
{
    return QStringLiteral("Alarms are not shown as desktop notifications: no notification service answers (%1).")
        .arg(reason);
}

void DesktopNotifier::notify(const QString& summary, const QString& body, bool urgent)
{
    if (!bus)
        bus = QDBusConnection::sessionBus();
    if (!bus->isConnected()) {
        failed(bus->lastError().isValid() ? bus->lastError().message() : QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgent ? Critical : Normal));
    hints.insert(QStringLiteral("category"), QStringLiteral("device"));
    call << QStringLiteral("TQ612") << uint(0) << QString() << summary << body << QStringList() << hints
         << ServerDefaultTimeout;
    auto* watcher = new QDBusPendingCallWatcher(bus->asyncCall(call, ReplyTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            failed(reply.error().message());
        w->deleteLater();
    });
}

void DesktopNotifier::failed(const QString& reason)
{
    if (reported)
        return;
    reported = true;
    emit unavailable(unavailableText(reason));
}
