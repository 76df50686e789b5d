// In-process form suites: running the forms' events while waiting, and the suite's main routine.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace zuvi::test {

// Runs the application's events until done() holds or ms have passed; done()'s last value.
inline bool pumpUntil(const std::function<bool()>& done, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (done())
            return true;
        ui::Application->ProcessMessages();
        QThread::msleep(5);
    }
    return done();
}

// One application object (offscreen unless QT_QPA_PLATFORM says otherwise) and the build's
// resources for every test of the suite.
inline int RunFormSuite(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::TApplication app(argc, argv);
    ui::SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    return RUN_ALL_TESTS();
}

} // namespace zuvi::test
