// Test support for screen tests under X: checks printed as ok / FAILED, waits that keep the forms'
// events going, grabs of the root window and the X pointer driven with xdotool.
#pragma once

#include "platform/ui/Forms.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <functional>

namespace zuvi::test {

// Checks that failed so far.
inline int failures = 0;

inline void check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok)
        ++failures;
}

// Runs the application's messages for MS milliseconds.
inline void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        ui::Application->ProcessMessages();
        QThread::msleep(10);
    }
}

// Runs the messages until PRED holds or MS milliseconds have passed; PRED's last value.
inline bool waitUntil(const std::function<bool()>& pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (pred())
            return true;
        settle(50);
    }
    return pred();
}

// The whole screen (the root window) as 32-bit RGB.
inline QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

inline bool xdotool(const QStringList& args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

} // namespace zuvi::test
