// Main-window tests: a temporary home, the build's resources and one application object.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// Points HOME and the XDG folders at a temporary folder and the message-box and URL logs into
// it; must run before the application object exists.
class TemporaryHome {
public:
    TemporaryHome() {
        const QByteArray root = m_dir.path().toLocal8Bit();
        for (const char* sub : {"config", "data", "cache", "run"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(m_dir.path() + "/run",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", root + "/config");
        qputenv("XDG_DATA_HOME", root + "/data");
        qputenv("XDG_CACHE_HOME", root + "/cache");
        qputenv("XDG_RUNTIME_DIR", root + "/run");
        qputenv("ZUVI_MSGBOX_LOG", root + "/msgbox.log");
        qputenv("ZUVI_OPEN_URL_LOG", root + "/urls.log");
    }
    QString path() const { return m_dir.path(); }
    QString dataDir() const { return m_dir.path() + "/data/zuvi/"; }
    QString configDir() const { return m_dir.path() + "/config/"; }
    QByteArray readLog(const char* name) const {
        QFile f(m_dir.path() + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void clearLog(const char* name) const { QFile::remove(m_dir.path() + "/" + name); }

private:
    QTemporaryDir m_dir;
};

inline QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

