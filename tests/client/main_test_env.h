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

// The main-window tests' private home, with the message-box and URL logs in it; it must exist
// before the application object.
struct TemporaryHome : zuvi::test::TempHome {
    TemporaryHome()
        : TempHome("zuvi-main-test", LogDialogs)
    {
    }
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
