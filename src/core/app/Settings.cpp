#include "app/Settings.h"

#include <QSettings>

namespace {

void readInt(const QSettings& s, const char* key, int& value)
{
    const QVariant v = s.value(QLatin1String(key));
    if (!v.isValid())
        return;
    bool ok = false;
    const int parsed = v.toString().trimmed().toInt(&ok, 10);
    if (ok)
        value = parsed;
}

} // namespace

std::unique_ptr<QSettings> AppSettings::open()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("TQ612"), QStringLiteral("TQ612"));
}

AppSettings AppSettings::load()
{
    AppSettings a;
    const auto s = open();
    readInt(*s, "RealTimeRate", a.RealTimeRate);
    readInt(*s, "LastConnectedPort", a.LastConnectedPort);
    readInt(*s, "LastConnectedModel", a.LastConnectedModel);
    readInt(*s, "AnnoColor", a.AnnoColor);
    a.LastConnectedPortName = s->value(QStringLiteral("LastConnectedPortName")).toString();
    return a;
}

bool AppSettings::save() const
{
    const auto s = open();
    s->setValue(QStringLiteral("RealTimeRate"), RealTimeRate);
    s->setValue(QStringLiteral("LastConnectedPort"), LastConnectedPort);
    s->setValue(QStringLiteral("LastConnectedModel"), LastConnectedModel);
    s->setValue(QStringLiteral("AnnoColor"), AnnoColor);
    if (!LastConnectedPortName.isEmpty())
        s->setValue(QStringLiteral("LastConnectedPortName"), LastConnectedPortName);
    s->sync();
    return s->status() == QSettings::NoError;
}

QStringList AppSettings::registeredSerialPorts()
{
    const auto s = open();
    s->beginGroup(QStringLiteral("SerialComm"));
    QStringList keys = s->childKeys();
    keys.sort();
    QStringList ports;
    for (const QString& k : keys) {
        const QString name = s->value(k).toString();
        if (!name.isEmpty())
            ports << name;
    }
    return ports;
}
