#pragma once
// A real program for a test to hand over: an executable shell script.

#include <QDir>
#include <QFile>
#include <QString>

// Writes `body` as the script `name` in `folder` (made if need be) and makes
// it executable; returns its path.
inline QString writeScript(const QString& folder, const QString& name, const QString& body)
{
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
}
