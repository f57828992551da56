#pragma once
// A folder into which no file can be saved, for tests of failed saves. An
// ordinary folder without write permission refuses everyone but root; when
// the tests run as root, the kernel's /sys, which refuses new files to
// everyone, stands in for it.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

inline QString unwritableFolder(const QTemporaryDir& scratch)
{
    const QString folder = scratch.filePath(QStringLiteral("read-only"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    QFile probe(folder + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return folder;
    probe.remove();
    return QStringLiteral("/sys");
}
