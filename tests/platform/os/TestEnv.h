// Test fixture for the OS layer: HOME and the XDG folders point into a fresh temporary folder.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>

class TempHome : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        root = m_dir.path();
        for (const char* sub : {"home", "data", "config", "runtime"})
            ASSERT_TRUE(QDir().mkpath(root + '/' + sub));
        setenv("HOME", qPrintable(root + "/home"), 1);
        setenv("XDG_DATA_HOME", qPrintable(root + "/data"), 1);
        setenv("XDG_CONFIG_HOME", qPrintable(root + "/config"), 1);
        setenv("XDG_RUNTIME_DIR", qPrintable(root + "/runtime"), 1);
        unsetenv("ZUVI_OPEN_URL_LOG");
    }

    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void writeRaw(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QString root;

private:
    QTemporaryDir m_dir;
};
