// UI layer tests: a temporary home, so that nothing touches the real user's files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

inline void UseTemporaryHome(QTemporaryDir& dir)
{
    const QByteArray root = dir.path().toLocal8Bit();
    for (const char* sub : {"config", "data", "cache", "run"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(dir.path() + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/run");
}
