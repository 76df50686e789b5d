// Test fixture for the OS layer: every test in its own private home (see TempHome).
#pragma once

#include "TempHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

class HomeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::make_unique<zuvi::test::TempHome>("zuvi-os-test");
        root = m_home->path();
        unsetenv("ZUVI_OPEN_URL_LOG");
    }
    void TearDown() override { m_home.reset(); }

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

    QString root; // HOME: data, config, cache and runtime folders in it

private:
    std::unique_ptr<zuvi::test::TempHome> m_home;
};
