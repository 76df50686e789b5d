// Update dialog of the main menu: a check on each showing, buttons only ever hidden, English download errors.
#include "UpdateHarness.h"

#include "client/ProgramForms.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/UpdateDialog.h"
#include "platform/ui/Components.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <gtest/gtest.h>

using namespace zuvi::ui;
using namespace zuvi::test;

namespace {

class UpdateDialogTest : public ::testing::Test {
protected:
    // Every window, as the login form's creation makes them.
    void SetUp() override
    {
        ASSERT_TRUE(sim.running());
        CreateLoginForm();
        ASSERT_NE(Form7, nullptr);
    }
    void TearDown() override { DestroyApplicationForms(); }

    // "软件升级" in the main menu.
    void openFromMenu()
    {
        const QStringList before = sim.actions();
        Form1->N14->Click();
        EXPECT_TRUE(Form7->Visible());
        EXPECT_EQ(sim.actions(), before + QStringList{"softversion"});
    }
    QStringList buttons() const
    {
        return Shown({Form7->ssSkinButton1, Form7->ssSkinButton4, Form7->ssSkinButton2, Form7->ssSkinButton3});
    }

    TempHome home{"zuvi-update-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
};

TEST_F(UpdateDialogTest, EachShowingChecksAndButtonsStayHidden)
{
    const QString url = QStringLiteral("http://dl.test/zuvi_setup.exe");
    EXPECT_FALSE(Form7->Visible());
    EXPECT_EQ(Form7->Width(), 341);
    EXPECT_EQ(Form7->Height(), 212);
    EXPECT_TRUE(sim.actions().isEmpty()) << "created without a check";

    // No answer at the first showing: an empty message line and all four buttons.
    sim.fault("softversion", "notjson", 1);
    openFromMenu();
    EXPECT_EQ(Form7->Label1->Caption(), "");
    EXPECT_EQ(buttons(), (QStringList{"ssSkinButton1", "ssSkinButton4", "ssSkinButton2", "ssSkinButton3"}));
    Form7->ssSkinButton3Click(Form7->ssSkinButton3);
    EXPECT_FALSE(Form7->Visible());

    OfferUpdate(sim, "");
    openFromMenu();
    EXPECT_EQ(Form7->Label1->Caption(), "你的Zuvi已经更新到最新，恭喜！！！");
    EXPECT_EQ(buttons(), (QStringList{"ssSkinButton4", "ssSkinButton3"}));
    Form7->ssSkinButton4Click(Form7->ssSkinButton4);
    EXPECT_FALSE(Form7->Visible());

    // An update offered later in the run: 确认 goes too, and 升级 and 不升级 do not come back.
    OfferUpdate(sim, url);
    openFromMenu();
    EXPECT_EQ(Form7->UpdateUrl(), url);
    EXPECT_EQ(Form7->Label1->Caption(), "你的Zuvi不是最新的版本，请更新！！！");
    EXPECT_EQ(buttons(), QStringList{"ssSkinButton3"});

    // A check without an answer keeps the last state.
    sim.fault("softversion", "close", 1);
    openFromMenu();
    EXPECT_EQ(Form7->UpdateUrl(), url);
    EXPECT_EQ(Form7->Label1->Caption(), "你的Zuvi不是最新的版本，请更新！！！");
    EXPECT_TRUE(home.messages().isEmpty());
}

TEST_F(UpdateDialogTest, UpdateOfferedAndItsFailedDownloads)
{
    ServeInstaller(sim, "#!/bin/sh\nexit 0\n");
    OfferUpdate(sim, InstallerUrl(sim, "partial"));
    openFromMenu();
    EXPECT_EQ(Form7->Label1->Caption(), "你的Zuvi不是最新的版本，请更新！！！");
    EXPECT_EQ(buttons(), (QStringList{"ssSkinButton1", "ssSkinButton2", "ssSkinButton3"}));

    struct Case {
        QString url;
        const char* maxBytes;
        QString message;
    };
    const Case cases[] = {
        {InstallerUrl(sim, "partial"), nullptr, "Cannot access server data"},
        {InstallerUrl(sim, "empty"), nullptr, "Cannot access server data"},
        {InstallerUrl(sim), "4", "Out of memory error"},
        {"file:///bin/sh", nullptr, "Unknown error"},
    };
    for (const Case& c : cases) {
        OfferDownload(home, sim, c.url, c.maxBytes);
        openFromMenu();
        Form7->ssSkinButton1Click(Form7->ssSkinButton1);
        EXPECT_EQ(home.messages(), QStringList{c.message}) << c.url.toStdString();
        EXPECT_FALSE(Application->Terminated());
        EXPECT_TRUE(Form7->Visible());
    }
    qunsetenv("ZUVI_UPDATE_MAX_BYTES");
    Form7->ssSkinButton2Click(Form7->ssSkinButton2);
    EXPECT_FALSE(Form7->Visible());
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    return RUN_ALL_TESTS();
}
