// Main-window tests: a temporary home, the build's resources and one application object.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "TempHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

// A private home (see TempHome) with the message-box and URL logs in it; must exist before the
// application object.
class TemporaryHome : public zuvi::test::TempHome {
public:
    TemporaryHome()
        : TempHome("zuvi-main-test")
    {
        logDialogs();
    }
    QString path() const { return QString::fromStdString(dir()); }
    QString dataDir() const { return path() + "/XDG_DATA_HOME/zuvi/"; }
    QString configDir() const { return path() + "/XDG_CONFIG_HOME/"; }
    QByteArray readLog(const char* name) const
    {
        QFile f(path() + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void clearLog(const char* name) const { QFile::remove(path() + "/" + name); }
};

inline QByteArray ReadFileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
