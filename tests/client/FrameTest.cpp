// Main window frame and close-choice dialog: close choices, menus, tray icon, account switch,
// edge auto-hide and the shut-down, with the whole set of forms created as the program does.
#include "TForm1Access.h"
#include "Testbed.h"

#include "client/ProgramForms.h"
#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/SettingsDialog.h"
#include "client/CloseChoiceDialog.h"
#include "client/UpdateDialog.h"
#include "platform/os/codepage.h"
#include "platform/os/folders.h"
#include "platform/os/inifile.h"
#include "platform/os/textlist.h"
#include "platform/os/services.h"
#include "platform/os/userstore.h"
#include "platform/ui/Layout.h"
#include "sip/Sip.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>

#include <gtest/gtest.h>

extern int DockHidden, DockAnimating, DockSavedTop, DockFirstMove;

using namespace zuvi;
using namespace zuvi::ui;
using test::LogLine;
using test::waitFor;
namespace fs = std::filesystem;

namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(f.readAll());
}

// The program's forms as its start-up creates them, in a private home, with no service reachable
// (requests go to a closed loopback port).
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = std::make_unique<test::TempHome>();
        dir = QString::fromStdString(home->dir());
        setenv("ZUVI_MSGBOX_LOG", (home->dir() + "/msgbox.log").c_str(), 1);
        setenv("ZUVI_OPEN_URL_LOG", (home->dir() + "/urls.log").c_str(), 1);
        setenv("ZUVI_API_HOST", "127.0.0.1:9", 1);
        setenv("ZUVI_API2_HOST", "127.0.0.1:9", 1);
        setenv("ZUVI_SITE_ROOT", "http://127.0.0.1:9", 1);
        setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
        setenv("TMPDIR", home->dir().c_str(), 1);
        DockHidden = 0;
        DockAnimating = 0;
        DockSavedTop = 0;
        DockFirstMove = 1;
        SipAccountId = 0;
        SipCallId = 0;
    }
    void TearDown() override
    {
        endRun();
        home.reset();
    }

    // Writes files into the data folder before the forms are created.
    void seed(const QString& name, const QByteArray& bytes)
    {
        os::ensureDir(os::dataFolder());
        QFile f(os::dataFolder() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    void startRun()
    {
        static int argc = 1;
        static char arg0[] = "client_frame_test";
        static char* argv[] = {arg0, nullptr};
        app = new TApplication(argc, argv);
        SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
        CreateForm(&Form2, nullptr);
        ASSERT_NE(Form1, nullptr);
        ASSERT_NE(Form4, nullptr);
    }
    // Ends the run as the program does: the application destroys its forms, Form1 last.
    void endRun()
    {
        if (!app)
            return;
        Guard([] { DestroyApplicationForms(); });
        delete app;
        app = nullptr;
    }

    void pump(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            Application->ProcessMessages();
    }
    bool pumpUntil(const std::function<bool()>& pred, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (pred())
                return true;
            Application->ProcessMessages();
            os::sleepMs(5);
        }
        return pred();
    }

    std::unique_ptr<test::TempHome> home;
    QString dir;
    TApplication* app = nullptr;
};

// ---- close-choice dialog ----

TEST_F(FrameTest, ExitIniLoadedAtCreation)
{
    struct Case {
        const char* ini;
        bool hideChoice;
        bool noReminder;
    } cases[] = {
        {nullptr, true, false},
        {"[item1]\r\nexit=1\r\n[item2]\r\nexit=1\r\n", false, true},
        {"[item1]\r\nexit=0\r\n[item2]\r\nexit=1\r\n", true, true},
        {"[item2]\r\nexit=0\r\n", true, false},
    };
    static int argc = 1;
    static char arg0[] = "client_frame_test";
    static char* argv[] = {arg0, nullptr};
    app = new TApplication(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    for (const Case& c : cases) {
        os::deleteFile(os::dataFolder() + "exit.ini");
        if (c.ini)
            seed("exit.ini", c.ini);
        TForm4* form = nullptr;
        CreateForm(&form, nullptr);
        EXPECT_EQ(form->RadioButton1->Checked(), c.hideChoice) << (c.ini ? c.ini : "no file");
        EXPECT_EQ(form->RadioButton2->Checked(), !c.hideChoice);
        EXPECT_EQ(form->CheckBox1->Checked(), c.noReminder);
        EXPECT_FALSE(form->Visible());
        form->Free();
        // A run that never shows the dialog stores what it loaded.
        os::IniFile ini(os::dataFolder() + "exit.ini");
        EXPECT_EQ(ini.readString("item1", "exit", "-"), c.hideChoice ? "0" : "1");
        EXPECT_EQ(ini.readString("item2", "exit", "-"), c.noReminder ? "1" : "0");
    }
}

TEST_F(FrameTest, CloseUntickedShowsDialogAndCancelKeepsChoice)
{
    startRun();
    Form2->Hide();
    Form1->Show();
    Form1->ssSkinButton2Click(Form1->ssSkinButton2);
    EXPECT_TRUE(Form4->Visible());
    EXPECT_TRUE(Form1->Visible());
    EXPECT_TRUE(Form4->RadioButton1->Checked());
    EXPECT_FALSE(Form4->CheckBox1->Checked());

    // Exit chosen, box ticked, cancel: the dialog hides, the program runs on, nothing asks again.
    Form4->RadioButton2->SetChecked(true);
    Form4->CheckBox1->SetChecked(true);
    Form4->ssSkinButton2Click(Form4->ssSkinButton2);
    EXPECT_FALSE(Form4->Visible());
    EXPECT_TRUE(Form1->Visible());
    EXPECT_FALSE(Application->Terminated());
    endRun();
    os::IniFile ini(os::dataFolder() + "exit.ini");
    EXPECT_EQ(ini.readString("item1", "exit", "-"), "1");
    EXPECT_EQ(ini.readString("item2", "exit", "-"), "1");
}

TEST_F(FrameTest, CloseTickedWithTrayChoiceHides)
{
    seed("exit.ini", "[item1]\r\nexit=0\r\n[item2]\r\nexit=1\r\n");
    startRun();
    Form2->Hide();
    Form1->Show();
    Form1->ssSkinButton2Click(Form1->ssSkinButton2);
    EXPECT_FALSE(Form1->Visible());
    EXPECT_FALSE(Form4->Visible());
    EXPECT_TRUE(Form1->TrayIcon1->Visible());
    EXPECT_FALSE(Application->Terminated());
}

TEST_F(FrameTest, DialogOkWithTrayChoiceHidesMainWindowOnly)
{
    startRun();
    Form2->Hide();
    Form1->Show();
    Form1->ssSkinButton2Click(Form1->ssSkinButton2);
    ASSERT_TRUE(Form4->Visible());
    Form4->ssSkinButton1Click(Form4->ssSkinButton1);
    EXPECT_FALSE(Form4->Visible());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_FALSE(Application->Terminated());
    endRun();
    EXPECT_EQ(os::IniFile(os::dataFolder() + "exit.ini").readString("item1", "exit", "-"), "0");
}

// ---- menus ----

TEST_F(FrameTest, MainMenuItemsAndPages)
{
    startRun();
    TMenuItem* root = Form1->PopupMenu2->Items();
    QStringList captions;
    for (int i = 0; i < root->Count(); ++i)
        captions << root->Items(i)->Caption();
    EXPECT_EQ(captions, QStringList({"了解Zuvi", "帮助中心", "我要充值", "-", "我的Zuvi", "系统设置", "软件升级", "切换账户", "-", "退出"}));
    Form1->N2->Click();
    Form1->N3->Click();
    Form1->N4->Click();
    Form1->N6->Click();
    Form1->Label11Click(Form1->Label11);
    EXPECT_EQ(readAll(dir + "/urls.log"), "http://127.0.0.1:9\n"
                                          "http://127.0.0.1:9/help/index.html\n"
                                          "http://127.0.0.1:9/pay.html\n"
                                          "http://127.0.0.1:9/center.html\n"
                                          "http://127.0.0.1:9/pay.html\n");
    // "系统设置" loads the settings (with no set.ini both display boxes come up ticked) and shows them.
    EXPECT_FALSE(Form3->CheckBox3->Checked());
    Form1->N7->Click();
    EXPECT_TRUE(Form3->Visible());
    EXPECT_TRUE(Form3->CheckBox3->Checked());
    // "软件升级" shows the update dialog; with no service its check changes nothing.
    Form1->N14->Click();
    EXPECT_TRUE(Form7->Visible());
    EXPECT_EQ(Form7->Label1->Caption(), "");
    for (auto* b : {Form7->ssSkinButton1, Form7->ssSkinButton2, Form7->ssSkinButton3, Form7->ssSkinButton4})
        EXPECT_TRUE(b->Visible());
}

TEST_F(FrameTest, MenuButtonOpensMenuAtButtonAndClientTop)
{
    startRun();
    Form2->Hide();
    Form1->Show();
    Form1->SetBounds(300, 120, Form1->Width(), Form1->Height());
    Form1->ssSkinButton4Click(Form1->ssSkinButton4);
    QMenu* menu = Form1->PopupMenu2->Menu();
    ASSERT_NE(menu, nullptr);
    TPoint button = Form1->ssSkinButton4->ClientToScreen(TPoint{0, 0});
    TPoint client = Form1->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(menu->pos(), QPoint(button.X, client.Y));
    EXPECT_EQ(button.X, 300 + 168);
    menu->close();
}

// ---- notification-area icon ----

TEST_F(FrameTest, TrayDoubleClickBringsLoginOrMainWindowOnTop)
{
    startRun();
    Form2->Hide();
    Form1->Hide();
    EXPECT_TRUE(Form1->TrayIcon1->Visible());
    Form1->TrayIcon1->DblClick();
    EXPECT_TRUE(Form2->Visible());
    EXPECT_TRUE(Form2->TopMost());
    EXPECT_FALSE(Form1->Visible());

    Form2->Hide();
    Form1->Label1->SetCaption("13800000001");
    Form1->TrayIcon1->DblClick();
    EXPECT_TRUE(Form1->Visible());
    EXPECT_TRUE(Form1->TopMost());
    EXPECT_EQ(Form1->WindowState(), wsNormal);
}

TEST_F(FrameTest, TrayIconStateNeedsItsTestFile)
{
    startRun();
    int before = Form1->TrayIcon1->IconIndex();
    EXPECT_TRUE(TrayIconPath(1).endsWith("/pic/zuvi_Icon.ico"));
    EXPECT_TRUE(TrayIconPath(0).endsWith("/pic/zuvi_Icon1.ico"));
    EXPECT_TRUE(TrayIconPath(7).endsWith("/pic/zuvi_Icon1.ico"));
    Form1->SetTrayIconState(1);
    EXPECT_EQ(Form1->TrayIcon1->IconIndex(), 1);
    EXPECT_EQ(Form1->TrayIcon1->Images(), Form1->ImageList1);
    // Without the test files nothing changes.
    SetResourceDir(dir);
    Form1->SetTrayIconState(0);
    EXPECT_EQ(Form1->TrayIcon1->IconIndex(), 1);
    (void)before;
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
}

// ---- account switch ----

TEST_F(FrameTest, AccountSwitchWhileNobodyLoggedInChangesNothing)
{
    startRun();
    Form2->Hide();
    Form1->Show();
    Form2->FHamc = "abc";
    Form1->N8->Click();
    EXPECT_TRUE(Form1->Visible());
    EXPECT_FALSE(Form2->Visible());
    EXPECT_EQ(Form2->FHamc, "abc");
}

TEST_F(FrameTest, AccountSwitchShowsLoginWithoutAutomaticLogin)
{
    // Every automatic-login condition holds for the remembered account.
    os::Registry reg;
    ASSERT_TRUE(reg.openKey(os::kProgramKey, true));
    reg.writeString("usr", "13800000001");
    reg.writeString("13800000001", "zuvi1234");
    reg.closeKey();
    os::ensureDir(os::dataFolder());
    os::ensureDir(os::accountFolder("13800000001"));
    os::IniFile login(os::accountFolder("13800000001") + "login.ini");
    login.writeBool("switch1", "login", true);
    login.writeBool("switch2", "login", true);
    login.writeBool("switch3", "login", true);

    startRun();
    Form2->Timer1->SetEnabled(false);
    Form2->Hide();
    Form1->Label1->SetCaption("13800000001");
    Form1->Label13->SetCaption("通话结束");
    Form1->Label14->SetCaption("5 秒");
    Form2->FHamc = "0123456789abcdef";
    Form2->Label8->SetVisible(true);
    Form2->frxComboBox1->SetVisible(false);
    Form2->ssSkinButton2->SetVisible(false);
    // An edit not yet written and a volume moved since the login.
    Form1->ValueListEditor1->Strings()->Clear();
    Form1->ValueListEditor1->Strings()->Add("李四=13900000009");
    Form1->TrackBar1->SetPosition(4);
    Form1->Show();

    Form1->N8->Click();
    EXPECT_FALSE(Form1->Visible());
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(Form1->Label1->Caption(), "");
    EXPECT_EQ(Form1->Label13->Caption(), "");
    EXPECT_EQ(Form1->Label14->Caption(), "");
    EXPECT_EQ(Form2->FHamc, "");
    EXPECT_TRUE(Form2->frxComboBox1->Visible());
    EXPECT_TRUE(Form2->ssSkinButton2->Visible());
    EXPECT_FALSE(Form2->Label8->Visible());
    EXPECT_EQ(Form2->frxComboBox1->Text(), "13800000001");
    EXPECT_EQ(Form2->MaskEdit1->Text(), "zuvi1234");
    EXPECT_FALSE(Form2->Timer1->Enabled());
    EXPECT_FALSE(Form1->SwitchingAccount());
    // The account's own files got them before its name left Label1.
    const QString folder = os::accountFolder("13800000001");
    QFile contact(folder + "contact");
    ASSERT_TRUE(contact.open(QIODevice::ReadOnly));
    EXPECT_EQ(contact.readAll(), os::toAnsi("李四=13900000009\r\n"));
    EXPECT_EQ(os::IniFile(folder + "zuvi.ini").readString("vol1", "zuvi", "-"), "4");
    // Ending the run before the next login writes the lists shown into the data folder itself.
    endRun();
    QFile shared(os::dataFolder() + "contact");
    ASSERT_TRUE(shared.open(QIODevice::ReadOnly));
    EXPECT_EQ(shared.readAll(), os::toAnsi("李四=13900000009\r\n"));
}

// ---- edge auto-hide ----

TEST_F(FrameTest, SlidesUpAtTopEdgeAndDownOverTheStrip)
{
    startRun();
    Form2->Hide();
    Form1->Show();
    Form1->SetBounds(400, 5, Form1->Width(), Form1->Height());
    ASSERT_EQ(Form1->Height(), 510);
    QCursor::setPos(5, 700);
    Form3->CheckBox3->SetChecked(true);
    // The first mouse move over the background only starts the watcher.
    Form1->ssSkinForm1MouseMove(Form1->ssSkinForm1, {}, 10, 10);
    EXPECT_TRUE(Form1->Timer5->Enabled());
    EXPECT_EQ(Form1->Top(), 5);
    ASSERT_TRUE(pumpUntil([] { return DockHidden == 1; }, 4000));
    EXPECT_EQ(Form1->Top(), -490);
    EXPECT_EQ(DockSavedTop, 10);
    EXPECT_FALSE(Form1->Timer6->Enabled());
    // The watcher leaves a hidden window alone.
    pump(2200);
    EXPECT_EQ(Form1->Top(), -490);
    // A move over the visible strip slides it back to 10.
    Form1->ssSkinForm1MouseMove(Form1->ssSkinForm1, {}, 10, 500);
    EXPECT_EQ(Form1->Top(), 10);
    EXPECT_EQ(DockHidden, 0);
    // The pointer inside the window keeps it there.
    QCursor::setPos(410, 20);
    pump(2700);
    EXPECT_EQ(Form1->Top(), 10);
    // Dragged partly off the screen: first put at 10, then slid up.
    QCursor::setPos(5, 700);
    Form1->SetTop(-100);
    ASSERT_TRUE(pumpUntil([] { return DockHidden == 1; }, 4000));
    EXPECT_EQ(Form1->Top(), -490);
}

TEST_F(FrameTest, NeverSlidesBelowTenOrBeforeSettingsWereOpened)
{
    startRun();
    Form2->Hide();
    Form1->Show();
    Form1->SetBounds(400, 5, Form1->Width(), Form1->Height());
    QCursor::setPos(5, 700);
    Form1->ssSkinForm1MouseMove(Form1->ssSkinForm1, {}, 10, 10);
    // The settings dialog was never opened: its auto-hide box is unticked whatever set.ini says.
    pump(2800);
    EXPECT_EQ(Form1->Top(), 5);
    Form3->CheckBox3->SetChecked(true);
    Form1->SetTop(11);
    pump(2800);
    EXPECT_EQ(Form1->Top(), 11);
    EXPECT_EQ(DockHidden, 0);
}

// ---- shut-down files ----

TEST_F(FrameTest, ExitBeforeLoginWritesFilesIntoDataFolder)
{
    startRun();
    ASSERT_EQ(Form1->Label1->Caption(), "");
    Form1->TrackBar1->SetPosition(3);
    Form1->N10->Click();
    EXPECT_TRUE(Application->Terminated());
    endRun();
    EXPECT_EQ(Form2, nullptr);
    QString data = os::dataFolder();
    EXPECT_TRUE(os::fileExists(data + "contact"));
    EXPECT_TRUE(os::fileExists(data + "call"));
    os::IniFile vol(data + "zuvi.ini");
    EXPECT_EQ(vol.readString("vol1", "zuvi", "-"), "3");
    EXPECT_EQ(vol.readString("vol2", "zuvi", "-"), "0");
}

TEST_F(FrameTest, ShutdownSavesListsIntoAccountFolder)
{
    struct Case {
        QStringList history;
        QByteArray saved;
    } cases[] = {
        {{"暂无记录"}, ""},
        {{"张三 5 秒 2026/12/10 08:00:00", "暂无记录"}, os::toAnsi("张三 5 秒 2026/12/10 08:00:00\r\n暂无记录\r\n")},
    };
    for (const Case& c : cases) {
        startRun();
        Form1->Label1->SetCaption("13800000001");
        Form1->ValueListEditor1->Strings()->Clear();
        Form1->ValueListEditor1->Strings()->Add("张三=13900000001");
        Form1->ListBox1->Items()->Clear();
        for (const QString& line : c.history)
            Form1->ListBox1->Items()->Add(line);
        Form1->TrackBar2->SetPosition(7);
        endRun();
        QString folder = os::accountFolder("13800000001");
        QFile call(folder + "call");
        ASSERT_TRUE(call.open(QIODevice::ReadOnly));
        EXPECT_EQ(call.readAll(), c.saved);
        QFile contact(folder + "contact");
        ASSERT_TRUE(contact.open(QIODevice::ReadOnly));
        EXPECT_EQ(contact.readAll(), os::toAnsi("张三=13900000001\r\n"));
        EXPECT_EQ(os::IniFile(folder + "zuvi.ini").readString("vol2", "zuvi", "-"), "7");
        EXPECT_FALSE(os::fileExists(os::dataFolder() + "call"));
    }
}

// ---- with the softswitch ----

class FrameSipTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        fx = test::Fixture::load(ZUVI_TEST_FIXTURE);
        bed = std::make_unique<test::Testbed>(5670, home->dir() + "/testbed");
        ASSERT_TRUE(bed->start()) << "testbed did not start";
    }
    void TearDown() override
    {
        endRun();
        bed.reset();
        FrameTest::TearDown();
    }
    void registerLogin()
    {
        QString server = QString::fromStdString(bed->server());
        Form2->FVosIp = server;
        SetSipServer(server);
        Form1->RegisterLoginAccount(QString::fromStdString(fx.sipId), QString::fromStdString(fx.sipPw));
        ASSERT_TRUE(waitFor([&] { return registrations("3600") > 0; }, std::chrono::seconds(10)));
    }
    int registrations(const std::string& expires)
    {
        return int(bed->lines("REGOK", [&](const LogLine& f) {
                          return f.size() > 4 && f[3] == fx.sipId && f[4] == expires;
                      })
                       .size());
    }
    // Time stamps (seconds) of the first request of a method, and of the first REGISTER that ends
    // the account's registration (expiry 0 in the header or in the Contact).
    double firstRequest(const std::string& method)
    {
        auto lines = bed->lines("REQ", [&](const LogLine& f) { return f.size() > 3 && f[3] == method; });
        return lines.empty() ? -1 : std::stod(lines.front()[2]);
    }
    double firstUnregister()
    {
        auto lines = bed->lines("REQ", [&](const LogLine& f) {
            if (f.size() < 12 || f[3] != "REGISTER" || f[6].find(fx.sipId) == std::string::npos)
                return false;
            std::string contact = QString::fromStdString(f[11]).toLower().toStdString();
            return f[7] == "0" || contact.find("expires=0") != std::string::npos;
        });
        return lines.empty() ? -1 : std::stod(lines.front()[2]);
    }

    test::Fixture fx;
    std::unique_ptr<test::Testbed> bed;
};

TEST_F(FrameSipTest, CloseTickedWithExitChoiceUnregistersAndEnds)
{
    seed("exit.ini", "[item1]\r\nexit=1\r\n[item2]\r\nexit=1\r\n");
    startRun();
    Form2->Hide();
    registerLogin();
    Form1->Show();
    Form1->ssSkinButton2Click(Form1->ssSkinButton2);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_TRUE(waitFor([&] { return registrations("0") > 0; }, std::chrono::seconds(5)))
        << "no REGISTER with expiry 0 reached the softswitch";
}

TEST_F(FrameSipTest, ShutdownDuringCallUnregistersThenHangsUpThenDestroys)
{
    startRun();
    Form2->Hide();
    registerLogin();
    std::string dst = "<sip:" + fx.answer + "@" + bed->server() + ">";
    int call = -1;
    ASSERT_EQ(sip::callMakeCall(SipAccountId, dst, nullptr, &call), 0);
    SipCallId = call;
    ASSERT_TRUE(waitFor([&] {
        sip::CallInfo info;
        return sip::callGetInfo(call, &info) == 0 && info.state == sip::InvState::Confirmed;
    },
        std::chrono::seconds(10)));
    TForm1Access::InCall(Form1) = true;
    endRun();
    ASSERT_TRUE(waitFor([&] { return firstRequest("BYE") > 0; }, std::chrono::seconds(5)));
    double unreg = firstUnregister();
    double bye = firstRequest("BYE");
    ASSERT_GT(unreg, 0) << "no REGISTER with expiry 0";
    EXPECT_LT(unreg, bye);
}

} // namespace
