// Main routine of the in-process form suites: offscreen unless told otherwise, one application object, the build's resources.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"

#include <gtest/gtest.h>

inline int FormTestMain(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    zuvi::ui::TApplication app(argc, argv);
    zuvi::ui::SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    return RUN_ALL_TESTS();
}
