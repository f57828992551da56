#pragma once
// Points HOME and the XDG folders at a temporary folder for the whole run, so
// a test or benchmark never reads or writes the user's own settings,
// documents (recovery and scratch files) or graph template. Child processes,
// such as a simulated meter, inherit the same folders.

#include <QSettings>
#include <QTemporaryDir>

class ScratchHome {
public:
    ScratchHome()
    {
        const QByteArray root = dir.path().toLocal8Bit();
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", root + "/config");
        qputenv("XDG_DATA_HOME", root + "/data");
        qputenv("XDG_CACHE_HOME", root + "/cache");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path() + QStringLiteral("/config"));
    }

private:
    QTemporaryDir dir;
};
