// Main routine of the voice-test dialog tests: one application object, the build's resources.
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zuvi::ui::TApplication app(argc, argv);
    zuvi::ui::SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
