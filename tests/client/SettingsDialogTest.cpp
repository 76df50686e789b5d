// Settings dialog: loading the boxes, their click actions, "set.ini", the autostart entry, the links.
#include "main_test_env.h"

#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/SettingsDialog.h"
#include "platform/os/folders.h"
#include "platform/os/inifile.h"
#include "platform/os/userstore.h"
#include "skin/SSButton.h"

#include "client/LoginForm.h"

#include <QApplication>

using namespace zuvi::ui;

static std::unique_ptr<TemporaryHome> g_home;

namespace {

const QString kRun = QString::fromLatin1(zuvi::os::kRunKey);

TForm3* NewSettingsDialog()
{
    TForm3* f = nullptr;
    CreateForm(&f, nullptr);
    return f;
}

QString IniValue(const QString& path, const char* section, const char* key)
{
    return zuvi::os::IniFile(path).readString(section, key, "<none>");
}

bool RunValueExists()
{
    zuvi::os::Registry reg;
    return reg.openKey(kRun, false) && reg.valueExists("zuvi");
}

QString RunValue()
{
    zuvi::os::Registry reg;
    return reg.openKey(kRun, false) ? reg.readString("zuvi") : QString();
}

void SetRunValue(const QString& data)
{
    zuvi::os::Registry reg;
    ASSERT_TRUE(reg.openKey(kRun, true));
    reg.writeString("zuvi", data);
}

class SettingsDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CreateForm(&Form1, nullptr);
        Form2 = new TForm2(nullptr); // its layout only: the login box the dialog writes
    }
    void SetUp() override
    {
        QDir(zuvi::os::dataFolder()).removeRecursively();
        zuvi::os::Registry reg;
        if (reg.openKey(kRun, true))
            reg.deleteValue("zuvi");
        Form3 = NewSettingsDialog();
    }
    void TearDown() override
    {
        if (Form3)
            Form3->Free();
        Form3 = nullptr;
    }
};

} // namespace

// Runs first: nobody has logged in yet in this run.
TEST_F(SettingsDialog, FirstOpeningBeforeLoginWithoutStoredSettings)
{
    ASSERT_TRUE(Form1->CurrentUser().isEmpty());
    EXPECT_TRUE(Form3->Panel2->Visible());
    EXPECT_FALSE(Form3->Panel1->Visible() || Form3->Panel3->Visible());
    for (TLabel* l : {Form3->Label5, Form3->Label7, Form3->Label26, Form3->Label15, Form3->Label16,
             Form3->Label17, Form3->Label18, Form3->Label19})
        EXPECT_EQ(l->Caption(), QStringLiteral("无"));
    for (TCheckBox* b : {Form3->CheckBox1, Form3->CheckBox2, Form3->CheckBox3, Form3->CheckBox4})
        EXPECT_FALSE(b->Checked());
    Form2->CheckBox3->SetChecked(false);

    Form3->LoadSystemSettings();
    EXPECT_TRUE(Form3->CheckBox1->Checked());
    EXPECT_TRUE(Form3->CheckBox2->Checked());
    EXPECT_TRUE(Form3->CheckBox3->Checked());
    EXPECT_FALSE(Form3->CheckBox4->Checked());
    // The auto-login box's change wrote login.ini directly in the data folder.
    EXPECT_EQ(IniValue(zuvi::os::dataFolder() + "login.ini", "switch3", "login"), "1");
    EXPECT_TRUE(Form2->CheckBox3->Checked());
    EXPECT_FALSE(QFile::exists(SystemSettingsFile()));
    EXPECT_FALSE(RunValueExists());

    // Unticking writes "0" at once, without OK.
    Form3->CheckBox1->SetChecked(false);
    EXPECT_EQ(IniValue(zuvi::os::dataFolder() + "login.ini", "switch3", "login"), "0");
    EXPECT_FALSE(Form2->CheckBox3->Checked());
}

TEST_F(SettingsDialog, AutoLoginBoxFollowsTheLoggedInAccount)
{
    Form1->LoadUserSettings("bob");
    WriteFileBytes(zuvi::os::accountFolder("bob") + "login.ini", "[switch3]\r\nlogin=0\r\n");
    Form3->LoadSystemSettings();
    EXPECT_FALSE(Form3->CheckBox1->Checked()); // no change: nothing written
    EXPECT_EQ(ReadFileBytes(zuvi::os::accountFolder("bob") + "login.ini"), "[switch3]\r\nlogin=0\r\n");
    Form3->CheckBox1->SetChecked(true);
    EXPECT_EQ(IniValue(zuvi::os::accountFolder("bob") + "login.ini", "switch3", "login"), "1");
    EXPECT_FALSE(QFile::exists(zuvi::os::dataFolder() + "login.ini"));
}

TEST_F(SettingsDialog, StoredDisplayOptionsAreLoaded)
{
    WriteFileBytes(SystemSettingsFile(), "[switch2]\r\nset=0\r\n[switch3]\r\nset=1\r\n");
    Form3->LoadSystemSettings();
    EXPECT_FALSE(Form3->CheckBox2->Checked());
    EXPECT_TRUE(Form3->CheckBox3->Checked());
}

TEST_F(SettingsDialog, RunValuePresentIsRewrittenWithTheRunningProgram)
{
    SetRunValue("/old/place/zuvi");
    Form3->LoadSystemSettings();
    EXPECT_TRUE(Form3->CheckBox4->Checked());
    EXPECT_EQ(RunValue(), zuvi::os::programPath());
    EXPECT_TRUE(QFile::exists(zuvi::os::Registry::autostartFolder() + "/zuvi.desktop") || QFile::exists(zuvi::os::Registry::autostartFolder() + "zuvi.desktop"));

    Form3->CheckBox4->SetChecked(false);
    EXPECT_FALSE(RunValueExists());
}

TEST_F(SettingsDialog, RunValueAbsentLeavesATickedBoxAndWritesNothing)
{
    Form3->LoadSystemSettings();
    Form3->CheckBox4->SetChecked(true);
    ASSERT_TRUE(RunValueExists());
    zuvi::os::Registry reg;
    ASSERT_TRUE(reg.openKey(kRun, true));
    reg.deleteValue("zuvi");
    Form3->LoadSystemSettings();
    EXPECT_TRUE(Form3->CheckBox4->Checked());
    EXPECT_FALSE(RunValueExists());
}

TEST_F(SettingsDialog, OkWritesBothOptionsAndHides)
{
    WriteFileBytes(SystemSettingsFile(), "[switch2]\r\nset=1\r\n[switch3]\r\nset=0\r\n");
    Form3->LoadSystemSettings();
    Form3->Show();
    QFile::remove(SystemSettingsFile());
    Form3->ssSkinButton6Click(Form3->ssSkinButton6); // nothing changed: still both written
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(IniValue(SystemSettingsFile(), "switch2", "set"), "1");
    EXPECT_EQ(IniValue(SystemSettingsFile(), "switch3", "set"), "0");
}

TEST_F(SettingsDialog, CancelKeepsTheAutoHideBoxAndTheEndOfRunStoresIt)
{
    WriteFileBytes(SystemSettingsFile(), "[switch2]\r\nset=1\r\n[switch3]\r\nset=0\r\n");
    Form3->LoadSystemSettings();
    ASSERT_FALSE(Form3->CheckBox3->Checked());
    Form3->Show();
    Form3->CheckBox3->SetChecked(true);
    Form3->Label22->Click(); // a caption label does not toggle its box
    EXPECT_TRUE(Form3->CheckBox1->Checked());
    Form3->ssSkinButton5Click(Form3->ssSkinButton5);
    EXPECT_FALSE(Form3->Visible());
    EXPECT_TRUE(Form3->CheckBox3->Checked());
    EXPECT_EQ(IniValue(SystemSettingsFile(), "switch3", "set"), "0");
    Form3->Free();
    Form3 = nullptr;
    EXPECT_EQ(IniValue(SystemSettingsFile(), "switch3", "set"), "1");
    EXPECT_EQ(IniValue(SystemSettingsFile(), "switch2", "set"), "1");
}

TEST_F(SettingsDialog, EndOfARunThatNeverOpenedTheDialogKeepsTheStoredOptions)
{
    const QByteArray stored = "[switch2]\r\nset=1\r\n[switch3]\r\nset=1\r\n";
    WriteFileBytes(SystemSettingsFile(), stored);
    Form3->Free();
    Form3 = nullptr;
    EXPECT_EQ(ReadFileBytes(SystemSettingsFile()), stored);

    QFile::remove(SystemSettingsFile());
    NewSettingsDialog()->Free();
    EXPECT_FALSE(QFile::exists(SystemSettingsFile()));
}

TEST_F(SettingsDialog, PageButtons)
{
    struct Row {
        void (TForm3::*click)(TObject*);
        TPanel* TForm3::*page;
    };
    const Row rows[] = {{&TForm3::ssSkinButton2Click, &TForm3::Panel3},
        {&TForm3::ssSkinButton3Click, &TForm3::Panel1},
        {&TForm3::ssSkinButton1Click, &TForm3::Panel2}};
    for (const Row& r : rows) {
        (Form3->*r.click)(nullptr);
        for (TPanel* p : {Form3->Panel1, Form3->Panel2, Form3->Panel3})
            EXPECT_EQ(p->Visible(), p == Form3->*r.page) << p->Name().toStdString();
    }
}

TEST_F(SettingsDialog, LinksOpenTheSitePages)
{
    g_home->clearLog("urls.log");
    Form3->Label8Click(Form3->Label8);
    Form3->Label2Click(Form3->Label2);
    EXPECT_EQ(g_home->readLog("urls.log"), "http://127.0.0.1:9/pay.html\nhttp://127.0.0.1:9/login.html\n");
}

int main(int argc, char** argv)
{
    g_home = std::make_unique<TemporaryHome>();
    qputenv("ZUVI_SITE_ROOT", "http://127.0.0.1:9");
    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    DestroySipStack();
    return rc;
}
