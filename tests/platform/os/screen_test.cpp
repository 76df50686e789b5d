// Tests of the screen service under the offscreen platform.
#include "screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

TEST(Screen, WorkAreaIsThePrimaryScreensAvailableGeometry)
{
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const QRect area = zuvi::os::workArea();
    EXPECT_FALSE(area.isEmpty());
    EXPECT_EQ(area, QGuiApplication::primaryScreen()->availableGeometry());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(zuvi::os::cursorPos()) || zuvi::os::cursorPos() == QPoint(0, 0));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
