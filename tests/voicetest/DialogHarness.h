// Voice-test dialog tests: a private home and current folder per test, a test ALSA configuration and a settable clock.
#pragma once

#include "TempHome.h"
#include "TestAlsa.h"

#include "platform/os/folders.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Handoff.h"
#include "skin/SSButton.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace voicetest_test {

inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Clicks a skin button as the mouse does: press and release over it.
inline void Click(zuvi::skin::TssSkinButton* b)
{
    b->MouseDown(zuvi::ui::mbLeft, zuvi::ui::ssLeft, 2, 2);
    b->MouseUp(zuvi::ui::mbLeft, zuvi::ui::TShiftState(), 2, 2);
}

// Runs the UI thread's queue until done() holds or the time is up.
inline bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The clock the dialog reads.
inline QDateTime g_now;
inline QDateTime TestClock() { return g_now; }

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::create_directories(work);
        std::filesystem::current_path(work);
        home.logDialogs();
        alsa.apply();
    }
    void TearDown() override { std::filesystem::current_path(m_oldCwd); }

    QString dataFile(const char* name) const { return zuvi::os::dataFolder() + QString::fromUtf8(name); }
    static QString cwdFile(const char* name) { return QDir::current().filePath(QString::fromUtf8(name)); }

    zuvi::test::TempHome home{"zuvi-voicetest"};
    std::string work = home.dir() + "/cwd";
    zuvi::test::TestAlsa alsa{home.dir()};

private:
    std::filesystem::path m_oldCwd;
};

} // namespace voicetest_test
