// Login form and login sequence, in process, against the service simulator.
#include "FormSuite.h"
#include "FormTestMain.h"
#include "LoginHarness.h"

#include "client/ProgramForms.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/LoginStatusNotice.h"
#include "client/SettingsDialog.h"
#include "platform/os/inifile.h"
#include "platform/os/textlist.h"
#include "platform/os/userstore.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QTimer>

#include <dlfcn.h>

using namespace zuvi::ui;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;

namespace {

const QString kPhone = QStringLiteral("13800000001");
const QString kPassword = QStringLiteral("zuvi1234");

void storeValue(const QString& name, const QString& value)
{
    zuvi::os::Registry reg;
    ASSERT_TRUE(reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), true));
    reg.writeString(name, value);
}

QString readValue(const QString& name)
{
    zuvi::os::Registry reg;
    reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), true);
    return reg.valueExists(name) ? reg.readString(name) : QStringLiteral("<missing>");
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.running()); }
    void TearDown() override
    {
        if (Form2 || Form1)
            DestroyApplicationForms();
    }

    // Creates the login form the way the main routine does (it creates every other window).
    void createForms() { CreateLoginForm(); }

    // Types an account and password and runs the login worker as its timer would.
    void login(const QString& account, const QString& password)
    {
        Form2->frxComboBox1->SetText(account);
        Form2->MaskEdit1->SetText(password);
        Form2->ssSkinButton2Click(nullptr);
        ASSERT_TRUE(Form2->Timer1->Enabled());
        Form2->Timer1Timer(Form2->Timer1);
        EXPECT_FALSE(Form2->Timer1->Enabled());
    }

    bool loginControlsShown() const
    {
        TControl* c[] = {Form2->Label1, Form2->frxComboBox1, Form2->Label2, Form2->MaskEdit1, Form2->Label3,
            Form2->CheckBox1, Form2->Label4, Form2->CheckBox2, Form2->Label5, Form2->CheckBox3,
            Form2->Label6, Form2->ssSkinButton2, Form2->Label7};
        bool all = true, none = true;
        for (TControl* x : c) {
            all = all && x->Visible();
            none = none && !x->Visible();
        }
        EXPECT_TRUE(all || none) << "the thirteen login controls are shown or hidden together";
        EXPECT_EQ(Form2->Label8->Visible(), none);
        return all;
    }

    TempHome home{"zuvi-login-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
};

TEST_F(LoginTest, FirstRunChecksAllSwitchesAndDoesNotLogIn)
{
    createForms();
    EXPECT_TRUE(Form2->CheckBox1->Checked());
    EXPECT_TRUE(Form2->CheckBox2->Checked());
    EXPECT_TRUE(Form2->CheckBox3->Checked());
    EXPECT_TRUE(Form2->MaskEdit1->Text().isEmpty());
    EXPECT_FALSE(Form2->Timer1->Enabled());
    EXPECT_TRUE(QFile::exists(home.dataFolder() + "users"));
    // The main window is the application's main form although the login form came first.
    ASSERT_NE(Form1, nullptr);
    EXPECT_EQ(Application->MainForm(), Form1);
    EXPECT_FALSE(Form1->Visible());
    EXPECT_TRUE(sim.actions().isEmpty());
}

// The SIP engine's module, whose load starts with the main window's creation, waits until a
// window has been painted (or a while after the windows were built when none shows): while it
// loads, ALSA's device listing in the audio-device window and the threads Qt starts to paint
// wait behind it for the dynamic loader's lock.
class SipModuleLoadTest : public LoginTest, public ::testing::WithParamInterface<bool> { };

TEST_P(SipModuleLoadTest, WaitsForTheWindowsThenLoads)
{
    const auto moduleLoaded = [] { return dlopen("liblinphone.so.10", RTLD_LAZY | RTLD_NOLOAD) != nullptr; };
    if (moduleLoaded())
        GTEST_SKIP() << "an earlier test of this process loaded the module";
    createForms();
    EXPECT_FALSE(moduleLoaded()) << "loaded while the windows were built";
    if (GetParam())
        Form2->Show();
    QElapsedTimer waited;
    waited.start();
    while (!moduleLoaded() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(moduleLoaded());
}

INSTANTIATE_TEST_SUITE_P(Rows, SipModuleLoadTest, ::testing::Values(true, false),
    [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "LoginWindowShown" : "NoWindowShown"; });

// At start-up the login form shows before the other windows exist; they are built after its
// first paint, or at once when the login needs them first, and only once.
class DeferredWindowsTest : public LoginTest, public ::testing::WithParamInterface<bool> { };

TEST_P(DeferredWindowsTest, AreBuiltAfterTheLoginFormOnce)
{
    const bool loginFirst = GetParam();
    Form1 = nullptr; // the window pointers of an earlier test's windows, destroyed since
    Form3 = nullptr;
    Form17 = nullptr;
    CreateLoginForm(true);
    ASSERT_NE(Form2, nullptr);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(Form3, nullptr);
    EXPECT_TRUE(QFile::exists(home.dataFolder() + "users")) << "the login form's settings are loaded";
    if (loginFirst) {
        login(kPhone, kPassword);
        EXPECT_EQ(sim.actions(), (QStringList{"RandCode", "Login", "CheckPM"}));
        ASSERT_NE(Form1, nullptr);
        EXPECT_TRUE(Form1->Visible());
        EXPECT_EQ(Form1->Label1->Caption(), kPhone);
    } else {
        Form2->Show();
        ASSERT_TRUE(zuvi::test::pumpUntil([] { return Form1 != nullptr; }, 10000));
    }
    TForm1* const main = Form1;
    EXPECT_EQ(Application->MainForm(), Form1);
    EXPECT_NE(Form3, nullptr);
    EXPECT_NE(Form17, nullptr) << "the last of the windows";
    // The pending build's timer and paint change nothing afterwards.
    Form2->Show();
    zuvi::test::pumpUntil([] { return false; }, 300);
    EXPECT_EQ(Form1, main);
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

// A session signal before the windows are built still ends the run with the shut-down of "退出".
TEST_F(LoginTest, SessionSignalBeforeTheDeferredWindowsRunsTheShutDown)
{
    Form1 = nullptr;
    CreateLoginForm(true);
    ASSERT_EQ(Form1, nullptr);
    EndRunOnSessionSignal();
    EXPECT_NE(Form1, nullptr);
    EXPECT_TRUE(Application->Terminated());
    DestroyApplicationForms(); // as the main routine does once the run has ended
    EXPECT_EQ(sim.actions().value(sim.actions().size() - 1), "Logout") << sim.actions().join(",").toStdString();
    QFile ini(home.dataFolder() + "zuvi.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("[vol1]"));
}

TEST_F(LoginTest, DeferredWindowsAreNotBuiltOnceTheFormsAreGone)
{
    Form1 = nullptr;
    Form3 = nullptr;
    CreateLoginForm(true);
    DestroyApplicationForms();
    Form2 = nullptr;
    zuvi::test::pumpUntil([] { return false; }, 300);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(Form3, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeferredWindowsTest, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "LoginBeforeThePaint" : "AfterThePaint"; });

TEST_F(LoginTest, SuccessfulLoginFillsWindowsAndStores)
{
    // An earlier run remembered another account, in other letter case.
    QDir().mkpath(home.dataFolder());
    zuvi::os::TextList users;
    users.lines = {"13800000009"};
    users.save(home.dataFolder() + "users");
    createForms();
    Form2->frxComboBox1->Items()->Add(kPhone.toUpper());
    login(kPhone, kPassword);

    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
    EXPECT_EQ(sim.actions(), (QStringList{"RandCode", "Login", "CheckPM"}));
    EXPECT_EQ(Form2->FHamc.size(), 32);
    EXPECT_EQ(Form2->FVosIp, "127.0.0.1:5399");
    EXPECT_EQ(Form2->FBalance, "12.50");
    EXPECT_EQ(Form2->FBalanceMin, "约 25 分钟");
    EXPECT_EQ(Form1->Label1->Caption(), kPhone);
    EXPECT_EQ(Form1->Label3->Caption(), "12.50");
    EXPECT_EQ(Form1->Label12->Caption(), "约 25 分钟");
    EXPECT_EQ(Form1->CurrentUser(), kPhone);
    EXPECT_TRUE(Form1->Visible());
    EXPECT_TRUE(Form1->TrayIcon1->Visible());
    EXPECT_FALSE(Form2->Visible());
    EXPECT_FALSE(Form1->Timer7->Enabled());
    // Missing contact and call files are created and read as empty lists: the placeholders.
    const QString folder = home.dataFolder() + kPhone + "/";
    EXPECT_TRUE(QFile::exists(folder + "contact"));
    EXPECT_TRUE(QFile::exists(folder + "call"));
    EXPECT_FALSE(Form1->ValueListEditor1->Visible());
    EXPECT_TRUE(Form1->ValueListEditor2->Visible());
    EXPECT_EQ(Form1->ListBox1->Items()->ToList(), QStringList{"暂无记录"});

    zuvi::os::IniFile ini(folder + "login.ini");
    for (const char* section : {"switch1", "switch2", "switch3"})
        EXPECT_EQ(ini.readString(section, "login", "?"), "1") << section;
    zuvi::os::TextList saved;
    ASSERT_TRUE(saved.load(home.dataFolder() + "users"));
    // The list already held the name in capitals: it is not added again.
    EXPECT_EQ(saved.lines, (QStringList{"13800000009", kPhone.toUpper()}));
    EXPECT_EQ(readValue("usr"), kPhone);
    EXPECT_EQ(readValue(kPhone), kPassword);
}

TEST_F(LoginTest, SwitchesDecideWhatIsRemembered)
{
    storeValue(kPhone, "old-password");
    createForms();
    Form2->CheckBox2->SetChecked(false);
    Form2->CheckBox1->SetChecked(false);
    Form2->CheckBox3->SetChecked(false);
    login(kPhone, kPassword);
    ASSERT_EQ(Form1->Label1->Caption(), kPhone);
    // "usr" and the password are only written, never deleted.
    EXPECT_EQ(readValue("usr"), "<missing>");
    EXPECT_EQ(readValue(kPhone), "old-password");
    zuvi::os::TextList saved;
    ASSERT_TRUE(saved.load(home.dataFolder() + "users"));
    EXPECT_EQ(saved.lines, QStringList{kPhone});
    zuvi::os::IniFile ini(home.dataFolder() + kPhone + "/login.ini");
    EXPECT_EQ(ini.readString("switch1", "login", "?"), "0");
    EXPECT_EQ(ini.readString("switch2", "login", "?"), "0");
    EXPECT_EQ(ini.readString("switch3", "login", "?"), "0");
}

TEST_F(LoginTest, AccountFilesFillTheLists)
{
    const QString folder = home.dataFolder() + kPhone + "/";
    QDir().mkpath(folder);
    struct Run {
        QStringList contact, call;
        bool placeholderGrid;
        QStringList history;
    } runs[] = {
        // Both files exist but are empty: the placeholder grid and the single "暂无记录".
        {{}, {}, true, {"暂无记录"}},
        {{"王五=13900000005", "张三=13900000001"}, {"张三 12 秒 2026/01/02 03:04:05"}, false,
            {"张三 12 秒 2026/01/02 03:04:05"}},
    };
    for (const Run& run : runs) {
        if (Form2)
            DestroyApplicationForms();
        zuvi::os::TextList contact, call;
        contact.lines = run.contact;
        call.lines = run.call;
        contact.save(folder + "contact");
        call.save(folder + "call");
        createForms();
        Form1->Edit1->SetText("138");
        login(kPhone, kPassword);
        ASSERT_EQ(Form1->Label1->Caption(), kPhone);
        EXPECT_EQ(Form1->ValueListEditor2->Visible(), run.placeholderGrid);
        EXPECT_EQ(Form1->ValueListEditor1->Visible(), !run.placeholderGrid);
        EXPECT_EQ(Form1->ListBox1->Items()->ToList(), run.history);
        if (!run.placeholderGrid) {
            EXPECT_EQ(Form1->ValueListEditor1->Strings()->Count(), 2);
            EXPECT_TRUE(Form1->Edit1->Text().isEmpty());
        } else {
            EXPECT_EQ(Form1->Edit1->Text(), "138");
        }
    }
}

TEST_F(LoginTest, UnwritableAccountFileGivesTheFormBackAndTheNextLoginWorks)
{
    const QString folder = home.dataFolder() + kPhone + "/";
    const QString history = QStringLiteral("张三 12 秒 2026/01/02 03:04:05");
    // Each of the login's writes in turn meets a folder in its file's place.
    for (const QString file : {"contact", "call", "login.ini"}) {
        SCOPED_TRACE(file.toStdString());
        if (Form2)
            DestroyApplicationForms();
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        if (file != "call") {
            zuvi::os::TextList call;
            call.lines = {history};
            call.save(folder + "call");
        }
        ASSERT_TRUE(QDir().mkdir(folder + file));
        home.clearLog("msgbox.log");
        sim.control("/_sim/reset");
        createForms();
        login(kPhone, kPassword);

        const QStringList msgs = home.messages();
        ASSERT_EQ(msgs.size(), 1) << msgs.join(" | ").toStdString();
        EXPECT_EQ(msgs[0], "无法写入文件 " + folder + file);
        EXPECT_TRUE(loginControlsShown());
        EXPECT_FALSE(Form1->Visible());
        // Nobody is logged in: the shut-down would not write the lists into the account's folder.
        EXPECT_TRUE(Form1->Label1->Caption().isEmpty());
        EXPECT_EQ(sim.actions(), (QStringList{"RandCode", "Login"}));

        // Once the path can be written, the next login goes through.
        ASSERT_TRUE(QDir(folder + file).removeRecursively());
        login(kPhone, kPassword);
        EXPECT_EQ(home.messages().size(), 1) << home.messages().join(" | ").toStdString();
        EXPECT_EQ(Form1->Label1->Caption(), kPhone);
        EXPECT_TRUE(Form1->Visible());
        if (file != "call") {
            EXPECT_EQ(Form1->ListBox1->Items()->ToList(), QStringList{history});
        }
    }
}

TEST_F(LoginTest, AccountNameChecks)
{
    createForms();
    struct Case {
        QString name;
        QString message; // empty: passes the checks (and the unknown account is refused)
    } cases[] = {
        {"", "用户名不能为空"},
        {"123456789012", "用户名最多11位"},
        {"12345678901", ""},
        {"ab c", "用户名必须是字母或数字"},
        {"ab-c", "用户名必须是字母或数字"},
        {"ab张", "用户名必须是字母或数字"},
    };
    for (const Case& c : cases) {
        QFile::remove(home.path() + "/msgbox.log");
        sim.control("/_sim/reset");
        login(c.name, "pw");
        const QStringList msgs = home.messages();
        if (c.message.isEmpty()) {
            EXPECT_EQ(msgs, QStringList{"登录失败，请确认用户名密码正确并重试"}) << c.name.toStdString();
            EXPECT_EQ(sim.actions().mid(0, 2), (QStringList{"RandCode", "Login"}));
        } else {
            EXPECT_EQ(msgs, QStringList{c.message}) << c.name.toStdString();
            EXPECT_TRUE(sim.actions().isEmpty());
        }
        EXPECT_TRUE(loginControlsShown());
    }
    // Only the name that passed the checks joined the list.
    EXPECT_EQ(Form2->frxComboBox1->Items()->ToList(), QStringList{"12345678901"});
    EXPECT_TRUE(IsAlphaNumeric(""));
    EXPECT_TRUE(IsAlphaNumeric("aZ09"));
    EXPECT_FALSE(IsAlphaNumeric("a_b"));
}

TEST_F(LoginTest, EmptyPasswordStopsAfterTheNameJoinedTheList)
{
    createForms();
    login("abc", "");
    EXPECT_EQ(home.messages(), QStringList{"密码不能为空"});
    EXPECT_EQ(Form2->frxComboBox1->Items()->ToList(), QStringList{"abc"});
    EXPECT_TRUE(sim.actions().isEmpty());
}

TEST_F(LoginTest, TokenRefusedTwiceThenAcceptedLogsInAfterTwoWaits)
{
    createForms();
    sim.fault("RandCode", "refuse", 2);
    QElapsedTimer t;
    t.start();
    login(kPhone, kPassword);
    EXPECT_GE(t.elapsed(), 2000);
    EXPECT_TRUE(home.messages().isEmpty());
    EXPECT_EQ(sim.actions().mid(0, 4), (QStringList{"RandCode", "RandCode", "RandCode", "Login"}));
    EXPECT_EQ(Form1->Label1->Caption(), kPhone);
    EXPECT_FALSE(Application->Terminated());
}

// Failures of the token and Login requests: message, whether the program ends, which requests
// were sent, and whether the login controls come back. One process per row (a terminated
// application stays terminated).
struct FailureCase {
    const char* name;
    const char* action;
    const char* mode;
    int count;
    QStringList messages;
    bool terminates;
    QStringList requests;
    bool controlsBack;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class LoginFailureTest : public LoginTest, public ::testing::WithParamInterface<FailureCase> { };

TEST_P(LoginFailureTest, Outcome)
{
    const FailureCase& c = GetParam();
    createForms();
    sim.fault(c.action, c.mode, c.count);
    login(kPhone, kPassword);
    EXPECT_EQ(home.messages(), c.messages);
    EXPECT_EQ(Application->Terminated(), c.terminates);
    EXPECT_EQ(sim.actions(), c.requests);
    EXPECT_EQ(loginControlsShown(), c.controlsBack);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoginFailureTest,
    ::testing::Values(
        FailureCase{"TokenRefusedThrice", "RandCode", "refuse", 3, {"获取证书失败"}, true, {"RandCode", "RandCode", "RandCode"}, false},
        FailureCase{"TokenTransport", "RandCode", "http500", 1, {"联网失败"}, true, {"RandCode"}, false},
        FailureCase{"TokenWithoutRet", "RandCode", "noret", 1, {"联网失败"}, true, {"RandCode"}, false},
        FailureCase{"TokenNotJson", "RandCode", "notjson", 1, {}, false, {"RandCode"}, false},
        FailureCase{"LoginHttpError", "Login", "http500", 1, {"登录失败，请确认网络畅通时重试"}, false, {"RandCode", "Login"}, true},
        FailureCase{"LoginNotJson", "Login", "notjson", 1, {}, false, {"RandCode", "Login"}, false},
        FailureCase{"LoginWithoutRet", "Login", "noret", 1, {"登录失败，请确认用户名密码正确并重试"}, false,
            {"RandCode", "Login", "CheckPM", "CreatePM"}, true},
        FailureCase{"CheckPMTransport", "CheckPM", "http500", 1, {"获取话机失败"}, false, {"RandCode", "Login", "CheckPM"}, false}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(LoginTest, RefusedLoginStillFetchesTheSipCredentials)
{
    createForms();
    login(kPhone, "wrong");
    EXPECT_EQ(home.messages(), QStringList{"登录失败，请确认用户名密码正确并重试"});
    // Without a session the service refuses CheckPM in plain JSON, so CreatePM follows.
    EXPECT_EQ(sim.actions(), (QStringList{"RandCode", "Login", "CheckPM", "CreatePM"}));
    EXPECT_TRUE(loginControlsShown());
    EXPECT_TRUE(Form1->Label1->Caption().isEmpty());
    EXPECT_TRUE(Form2->FVosIp.isEmpty());
    // The name typed for the refused login stays in the list for the run.
    EXPECT_EQ(Form2->frxComboBox1->Items()->ToList(), QStringList{kPhone});
    zuvi::os::TextList saved;
    saved.load(home.dataFolder() + "users");
    EXPECT_TRUE(saved.lines.isEmpty());
}

TEST_F(LoginTest, RememberedAccountArmsTheAutomaticLogin)
{
    storeValue("usr", kPhone);
    storeValue(kPhone, kPassword);
    createForms();
    EXPECT_EQ(Form2->frxComboBox1->Text(), kPhone);
    EXPECT_EQ(Form2->MaskEdit1->Text(), kPassword);
    EXPECT_TRUE(Form2->Timer1->Enabled());
    EXPECT_EQ(Form2->Timer1->Interval(), 1000);
    EXPECT_FALSE(Form2->Visible());
}

TEST_F(LoginTest, LoadedSwitches)
{
    storeValue("usr", kPhone);
    storeValue(kPhone, kPassword);
    const QString folder = home.dataFolder() + kPhone + "/";
    QDir().mkpath(folder);
    zuvi::os::IniFile ini(folder + "login.ini");
    ini.writeString("switch1", "login", "0");
    ini.writeString("switch2", "login", "1");
    ini.writeString("switch3", "login", "1");
    createForms();
    // CheckBox2 turning on checks CheckBox1 as well.
    EXPECT_TRUE(Form2->CheckBox1->Checked());
    EXPECT_TRUE(Form2->CheckBox2->Checked());
    EXPECT_TRUE(Form2->Timer1->Enabled());
    Form2->Timer1->SetEnabled(false);

    // Unchecking "记住我的密码" leaves "保存我的信息" alone.
    Form2->CheckBox2->SetChecked(false);
    EXPECT_TRUE(Form2->CheckBox1->Checked());

    // [switch2] = 0: the password box is emptied on the next load, so no automatic login.
    ini.writeString("switch2", "login", "0");
    Form2->LoadLoginSettings();
    EXPECT_TRUE(Form2->MaskEdit1->Text().isEmpty());
    EXPECT_FALSE(Form2->Timer1->Enabled());

    // Typing an account without "login.ini" or a stored password.
    Form2->CheckBox1->SetChecked(false);
    Form2->MaskEdit1->SetText("typed");
    Form2->frxComboBox1->ComboBox()->setEditText("abc");
    EXPECT_TRUE(Form2->CheckBox1->Checked());
    EXPECT_TRUE(Form2->CheckBox2->Checked());
    EXPECT_TRUE(Form2->CheckBox3->Checked());
    EXPECT_TRUE(Form2->MaskEdit1->Text().isEmpty());
    EXPECT_FALSE(Form2->Timer1->Enabled());
    // Typing the remembered account back brings its password.
    Form2->frxComboBox1->ComboBox()->setEditText(kPhone);
    EXPECT_EQ(Form2->MaskEdit1->Text(), QString()); // [switch2] = 0
    ini.writeString("switch2", "login", "1");
    Form2->frxComboBox1->ComboBox()->setEditText("x");
    Form2->frxComboBox1->ComboBox()->setEditText(kPhone);
    EXPECT_EQ(Form2->MaskEdit1->Text(), kPassword);
}

TEST_F(LoginTest, Banner)
{
    createForms();
    EXPECT_FALSE(Form2->Image2->Visible());
    QFile(home.dataFolder() + "ad.jpg").open(QIODevice::WriteOnly);
    Form2->LoadLoginSettings();
    // A zero-length banner is deleted and the (empty) banner area shown.
    EXPECT_FALSE(QFile::exists(home.dataFolder() + "ad.jpg"));
    EXPECT_TRUE(Form2->Image2->Visible());
}

TEST_F(LoginTest, UnreadableBannerIsReportedAndStartUpGoesOn)
{
    QDir().mkpath(home.dataFolder());
    QFile f(home.dataFolder() + "ad.jpg");
    f.open(QIODevice::WriteOnly);
    f.write("not a picture");
    f.close();
    storeValue("usr", kPhone);
    createForms();
    ASSERT_NE(Form2, nullptr);
    EXPECT_FALSE(home.messages().isEmpty());
    EXPECT_EQ(Form2->frxComboBox1->Text(), kPhone);
    EXPECT_FALSE(Form2->Image2->Visible());
    // Every window was created although the banner failed.
    EXPECT_NE(Form1, nullptr);
    EXPECT_EQ(Application->MainForm(), Form1);
}

TEST_F(LoginTest, EnterInEitherBoxArmsTheLogin)
{
    createForms();
    WORD key = 65;
    Form2->MaskEdit1KeyUp(Form2->MaskEdit1, key, 0);
    EXPECT_FALSE(Form2->Timer1->Enabled());
    key = VK_RETURN;
    Form2->MaskEdit1KeyUp(Form2->MaskEdit1, key, 0);
    EXPECT_TRUE(Form2->Timer1->Enabled());
    Form2->Timer1->SetEnabled(false);
    Form2->frxComboBox1KeyUp(Form2->frxComboBox1, key, 0);
    EXPECT_TRUE(Form2->Timer1->Enabled());
    Form2->Timer1->SetEnabled(false);

    // Real key releases (at the focus widgets) reach the handlers through the layout bindings.
    Form2->Show();
    for (QWidget* w : {static_cast<QWidget*>(Form2->MaskEdit1->LineEdit()),
             static_cast<QWidget*>(Form2->frxComboBox1->ComboBox())}) {
        QKeyEvent a(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
        QCoreApplication::sendEvent(w, &a);
        EXPECT_FALSE(Form2->Timer1->Enabled());
        QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
        QCoreApplication::sendEvent(w, &enter);
        EXPECT_TRUE(Form2->Timer1->Enabled()) << (w == Form2->MaskEdit1->LineEdit() ? "password box" : "account box");
        Form2->Timer1->SetEnabled(false);
    }

    // Enter in the account box keeps the name as typed, also when a listed name differs from
    // it only in letter case.
    Form2->frxComboBox1->Items()->Add("ABC");
    Form2->frxComboBox1->ComboBox()->setEditText("abc");
    QWidget* edit = Form2->frxComboBox1->ComboBox();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(edit, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(edit, &release);
    EXPECT_EQ(Form2->frxComboBox1->Text(), "abc");
    EXPECT_TRUE(Form2->Timer1->Enabled());
    Form2->Timer1->SetEnabled(false);
}

TEST_F(LoginTest, LinksOpenTheSitePages)
{
    // A root ending in "/" gives the same links.
    qputenv("ZUVI_SITE_ROOT", "http://site.test/");
    createForms();
    Form2->Label7Click(nullptr);
    Form2->Label3Click(nullptr);
    EXPECT_EQ(home.lines("urls.log"),
        (QStringList{"http://site.test/user/register.html", "http://site.test/user/findpwd.html"}));
}

TEST_F(LoginTest, QuitBeforeAnyLoginSendsLogoutWithAnEmptyHamc)
{
    createForms();
    // Never checked: characters that would change the query arrive as typed.
    Form2->frxComboBox1->SetText("a b&Hamc=x");
    QTimer::singleShot(300, [] { Form2->ssSkinButton4Click(nullptr); });
    Form2->ShowModal();
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    DestroyApplicationForms();
    EXPECT_EQ(Form2, nullptr);
    const auto reqs = sim.requests();
    ASSERT_EQ(reqs.size(), 1);
    EXPECT_EQ(reqs[0].action, "Logout");
    EXPECT_EQ(QUrl::fromPercentEncoding(reqs[0].param("Phone", QUrl::FullyEncoded).toLatin1()), "a b&Hamc=x");
    EXPECT_EQ(reqs[0].query.allQueryItemValues("Hamc"), QStringList{""});
    EXPECT_TRUE(reqs[0].query.hasQueryItem("Hamc"));
    EXPECT_EQ(reqs[0].param("Hamc"), "");
}

TEST_F(LoginTest, AutomaticLoginRunsInsideTheModalLoop)
{
    storeValue("usr", kPhone);
    storeValue(kPhone, kPassword);
    createForms();
    QElapsedTimer t;
    t.start();
    const TModalResult r = Form2->ShowModal();
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_NE(r, mrNone);
    EXPECT_FALSE(Application->Terminated());
    EXPECT_EQ(Form1->Label1->Caption(), kPhone);
    // The modal loop ended only after the SIP-credential step.
    EXPECT_EQ(sim.actions(), (QStringList{"RandCode", "Login", "CheckPM"}));
    DestroyApplicationForms();
    const auto reqs = sim.requests();
    ASSERT_EQ(reqs.size(), 4);
    EXPECT_EQ(reqs[3].action, "Logout");
    EXPECT_EQ(reqs[3].param("Hamc").size(), 32);
}

} // namespace

int main(int argc, char** argv) { return FormTestMain(argc, argv); }
