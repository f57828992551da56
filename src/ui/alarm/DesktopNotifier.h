#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus), as desktop programs
// send them. The call never waits: a service that does not answer, or a
// desktop without one, costs nothing but the one report of unavailable().

#include "alarm/AlarmNotifier.h"

#include <QDBusConnection>
#include <QObject>
#include <optional>

class DesktopNotifier : public QObject, public AlarmNotifier {
    Q_OBJECT
public:
    // How long a service may take to answer before it counts as absent.
    static constexpr int ReplyTimeoutMs = 5000;

    // Without a connection the session bus is used, reached at the first notification.
    explicit DesktopNotifier(std::optional<QDBusConnection> bus = std::nullopt, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, bool urgent) override;

    // The text of unavailable(): no notification service answers.
    static QString unavailableText(const QString& reason);

signals:
    // No service took a notification; said once per notifier.
    void unavailable(const QString& text);

private:
    void failed(const QString& reason);

    std::optional<QDBusConnection> bus;
    bool reported = false;
};
