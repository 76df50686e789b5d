// Start-up update prompt: the check at its creation, its buttons, failed downloads, the way on to the login form.
#include "UpdateHarness.h"

#include "client/ProgramForms.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/UpdateDialog.h"
#include "client/UpdatePrompt.h"
#include "client/core/SoftwareUpdate.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <gtest/gtest.h>

#include <QTimer>

using namespace zuvi::ui;
using namespace zuvi::test;

namespace {

class UpdatePromptTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.running()); }
    void TearDown() override
    {
        DestroyApplicationForms();
        qunsetenv("ZUVI_UPDATE_MAX_BYTES");
    }
    // The prompt as the main routine creates it: no owner, the check runs in its creation.
    void createPrompt() { CreateForm(&Form6, nullptr); }
    QStringList buttons() const { return Shown({Form6->ssSkinButton1, Form6->ssSkinButton2, Form6->ssSkinButton3}); }

    TempHome home{"zuvi-update-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
};

TEST_F(UpdatePromptTest, CreationShowsTheOutcomeOfTheVersionCheck)
{
    struct Case {
        const char* name;
        QString u;
        QString fault;
        QString label;
        QStringList buttons;
    };
    const QString url = QStringLiteral("http://dl.test/zuvi_setup.exe");
    const Case cases[] = {
        {"update offered", url, {}, "你的Zuvi不是最新的版本，请更新！！！", {"ssSkinButton1", "ssSkinButton2", "ssSkinButton3"}},
        {"up to date", {}, {}, "你的Zuvi已经更新到最新，恭喜！！！", {"ssSkinButton3"}},
        {"no answer", url, "close", {}, {"ssSkinButton1", "ssSkinButton2", "ssSkinButton3"}},
    };
    for (const Case& c : cases) {
        sim.control("/_sim/reset");
        OfferUpdate(sim, c.u);
        if (!c.fault.isEmpty())
            sim.fault("softversion", c.fault);
        createPrompt();
        EXPECT_EQ(Form6->UpdateUrl(), c.fault.isEmpty() ? c.u : QString()) << c.name;
        EXPECT_EQ(Form6->Label1->Caption(), c.label) << c.name;
        EXPECT_EQ(buttons(), c.buttons) << c.name;
        EXPECT_FALSE(Form6->Visible()) << c.name;
        EXPECT_EQ(Form6->Width(), 341);
        EXPECT_EQ(Form6->Height(), 212);
        EXPECT_EQ(sim.actions(), QStringList{"softversion"}) << c.name;
        Form6->Free();
    }
    EXPECT_TRUE(home.messages().isEmpty());
}

TEST_F(UpdatePromptTest, FailedDownloadShowsItsMessageAndStartsNothing)
{
    ServeInstaller(sim, "#!/bin/sh\ntouch '" + home.path().toUtf8() + "/ran'\n");
    struct Case {
        QString url;
        const char* maxBytes;
        QString message;
    };
    const Case cases[] = {
        {InstallerUrl(sim, "partial"), nullptr, "不能够检查服务器数据库，请检查服务器是否连接"},
        {InstallerUrl(sim, "http404"), nullptr, "不能够检查服务器数据库，请检查服务器是否连接"},
        {InstallerUrl(sim), "8", "内存不足，请检查内存"},
        {"ftp://127.0.0.1:9/zuvi_setup.exe", nullptr, "未知错误,错误代码为：0x800c000d"},
    };
    // A file of that name from an earlier download is not started either.
    const QString installer = zuvi::core::InstallerPath();
    for (const Case& c : cases) {
        OfferDownload(home, sim, c.url, c.maxBytes);
        createPrompt();
        QDir().mkpath(home.dataFolder());
        QFile stale(installer);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("#!/bin/sh\ntouch '" + home.path().toUtf8() + "/ran'\n");
        stale.close();
        stale.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Form6->Show();
        Form6->ssSkinButton1Click(Form6->ssSkinButton1);
        EXPECT_EQ(home.messages(), QStringList{c.message}) << c.url.toStdString();
        EXPECT_FALSE(Application->Terminated());
        EXPECT_TRUE(Form6->Visible());
        Form6->Free();
    }
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(home.path() + "/ran"));
}

TEST_F(UpdatePromptTest, NoUpgradeShowsTheLoginFormWithoutAModalLoop)
{
    OfferUpdate(sim, InstallerUrl(sim));
    createPrompt();
    Form6->Show();
    Form6->ssSkinButton2Click(Form6->ssSkinButton2);
    ASSERT_NE(Form2, nullptr);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_FALSE(Form2->Modal());
    EXPECT_FALSE(Form6->Visible());
    // The login form's creation made every other window, the update dialog among them.
    EXPECT_NE(Form1, nullptr);
    EXPECT_NE(Form7, nullptr);
    EXPECT_EQ(Application->MainForm(), Form1);
}

TEST_F(UpdatePromptTest, CloseButtonShowsTheLoginFormModally)
{
    OfferUpdate(sim, InstallerUrl(sim));
    createPrompt();
    Form6->Show();
    bool modal = false, promptShown = true;
    QTimer::singleShot(0, [&] {
        modal = Form2 && Form2->Modal();
        promptShown = Form6->Visible(); // the login form's creation hid it
        Form2->Close();
    });
    Form6->ssSkinButton3Click(Form6->ssSkinButton3);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(promptShown);
    EXPECT_FALSE(Form2->Visible());
    EXPECT_FALSE(Form6->Visible());
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
