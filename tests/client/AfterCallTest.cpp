// After-call processing in process, against the service simulator: the history entry's name, the
// "call" file and the Login refresh, for the paths beside the main one.
#include "LoginHarness.h"
#include "TForm1Access.h"

#include "client/LoginForm.h"
#include "client/MainWindow.h"
#include "client/ProgramForms.h"
#include "client/SettingsDialog.h"
#include "platform/os/textlist.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using namespace zuvi::ui;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;

namespace {

const QString kPhone = QStringLiteral("13800000001");
const QString kStart = QStringLiteral("2026/03/04 05:06:07");

QStringList fileLines(const QString& path)
{
    zuvi::os::TextList list;
    return list.load(path) ? list.lines : QStringList{"<missing>"};
}

TEST(AfterCall, HistoryEntryAndRefresh)
{
    TempHome home("zuvi-aftercall-test", TempHome::LogDialogs);
    ServiceSim sim(home.path());
    ASSERT_TRUE(sim.running());
    CreateLoginForm();
    Form2->frxComboBox1->SetText(kPhone);
    Form2->MaskEdit1->SetText(QStringLiteral("zuvi1234"));
    Form2->Timer1Timer(nullptr);
    ASSERT_EQ(Form1->Label1->Caption(), kPhone);
    const QString callFile = home.dataFolder() + kPhone + "/call";

    const struct {
        const char* what;
        QStringList contacts;
        QString dialText;
        QString loginFault; // the simulator's fault for the refresh ("" none)
        bool callWritable;
        QString name; // of the new entry; "" when no entry is added
        bool refreshed; // the labels show the refreshed balance
    } cases[] = {
        {"no contact: the dial text as typed", {"张三=13900000001"}, "139-0000 0009", "", true, "139-0000 0009", true},
        {"blanks kept", {}, " 139 0000 0009 ", "", true, " 139 0000 0009 ", true},
        {"an earlier line holds the dial text in its number", {"王五=8613900000002", "张三=13900000002"}, "13900000002", "",
            true, "王五", true},
        {"an earlier line holds it in its name", {"客服10086=95555", "移动=10086"}, "10086", "", true, "客服10086", true},
        {"refresh not answered", {}, "13900000009", "http500", true, "13900000009", false},
        {"refresh connection closed", {}, "13900000009", "close", true, "13900000009", false},
        {"refresh not JSON", {}, "13900000009", "notjson", true, "13900000009", false},
        {"refresh refused", {}, "13900000009", "refuse", true, "13900000009", false},
        {"refresh without ret", {}, "13900000009", "noret", true, "13900000009", false},
        {"call file cannot be written", {}, "13900000009", "", false, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.control("/_sim/reset");
        if (!c.loginFault.isEmpty()) {
            sim.fault("Login", c.loginFault);
        }
        home.clearLog("msgbox.log");
        QFile::remove(callFile);
        QDir(callFile).removeRecursively();
        if (!c.callWritable) {
            ASSERT_TRUE(QDir().mkdir(callFile));
        }
        Form1->ValueListEditor1->Strings()->SetText(c.contacts.join("\r\n"));
        Form1->ListBox1->Items()->SetText(QStringLiteral("暂无记录"));
        for (TLabel* l : {Form1->Label3, Form1->Label12, Form3->Label7, Form3->Label26})
            l->SetCaption(QStringLiteral("旧"));
        Form1->Edit1->SetText(c.dialText);
        TForm1Access::CallDurationText(Form1) = QStringLiteral("12 秒");
        TForm1Access::CallStartText(Form1) = kStart;

        Form1->Timer1->SetEnabled(true);
        Guard([] { Form1->Timer1Timer(Form1->Timer1); });

        EXPECT_FALSE(Form1->Timer1->Enabled());
        EXPECT_EQ(Form1->Label13->Caption(), "通话结束");
        EXPECT_EQ(Form1->Label14->Caption(), "12 秒");
        if (c.callWritable) {
            const QString entry = c.name + " 12 秒 " + kStart;
            EXPECT_EQ(Form1->ListBox1->Items()->ToList(), QStringList{entry});
            EXPECT_EQ(fileLines(callFile), QStringList{entry});
            EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
            EXPECT_EQ(sim.actions(), QStringList{"Login"});
        } else {
            // The error is shown and the processing ends there: no entry, no refresh.
            EXPECT_EQ(home.messages(), QStringList{"无法写入文件 " + callFile});
            EXPECT_EQ(Form1->ListBox1->Items()->ToList(), QStringList{"暂无记录"});
            EXPECT_TRUE(sim.actions().isEmpty()) << sim.actions().join(",").toStdString();
        }
        // Refreshed: the Login state's new balances (the simulator lowers them call by call) on
        // both windows; otherwise every label as it was.
        const QString balance = c.refreshed ? Form2->FBalance : "旧";
        const QString balanceMin = c.refreshed ? Form2->FBalanceMin : "旧";
        EXPECT_EQ(Form1->Label3->Caption(), balance);
        EXPECT_EQ(Form1->Label12->Caption(), balanceMin);
        EXPECT_EQ(Form3->Label7->Caption(), balance);
        EXPECT_EQ(Form3->Label26->Caption(), balanceMin);
    }
    QDir(callFile).removeRecursively();
    DestroyApplicationForms();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    return RUN_ALL_TESTS();
}
