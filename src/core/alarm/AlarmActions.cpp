#include "alarm/AlarmActions.h"

#include <QSettings>

namespace {

const QString Group = QStringLiteral("Alarms");

bool readFlag(const QSettings& s, const QString& key, bool fallback)
{
    const QString text = s.value(key).toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

} // namespace

AlarmActions AlarmActions::load(QSettings& s)
{
    AlarmActions a;
    s.beginGroup(Group);
    a.notify = readFlag(s, QStringLiteral("Notify"), a.notify);
    a.sound = readFlag(s, QStringLiteral("Sound"), a.sound);
    a.program = s.value(QStringLiteral("Program")).toString();
    s.endGroup();
    return a;
}

void AlarmActions::save(QSettings& s) const
{
    s.beginGroup(Group);
    s.setValue(QStringLiteral("Notify"), notify);
    s.setValue(QStringLiteral("Sound"), sound);
    if (program.isEmpty())
        s.remove(QStringLiteral("Program"));
    else
        s.setValue(QStringLiteral("Program"), program);
    s.endGroup();
}
