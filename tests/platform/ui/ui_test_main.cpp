// UI layer tests: one application object for the whole test program.
#include "Forms.h"
#include "TempHome.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zuvi::test::TempHome home("zuvi-ui-test");
    zuvi::ui::TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
