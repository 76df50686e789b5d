// UI layer test: Terminate ends a running modal loop with mrCancel and the message loop at once.
#include "Forms.h"
#include "TempHome.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace zuvi::ui;

TEST(UiTerminate, EndsModalLoopWithCancelAndMessageLoopAtOnce)
{
    TForm* outer = nullptr;
    Application->CreateForm(&outer);
    EXPECT_EQ(Application->MainForm(), outer);
    TForm* inner = CreateForm<TForm>(nullptr, Application);
    bool innerReturned = false;
    TModalResult innerResult = mrNone;
    QTimer::singleShot(10, [&] {
        QTimer::singleShot(10, [] { Application->Terminate(); });
        innerResult = inner->ShowModal();
        innerReturned = true;
    });
    TModalResult r = outer->ShowModal();
    EXPECT_TRUE(innerReturned);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_EQ(r, mrCancel);
    EXPECT_TRUE(Application->Terminated());
    bool ranAfter = false;
    QTimer::singleShot(0, [&] { ranAfter = true; });
    Application->Run(); // returns at once
    EXPECT_FALSE(ranAfter);
    EXPECT_EQ(outer->ShowModal(), mrCancel);
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zuvi::test::TempHome home("zuvi-ui-test");
    TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
