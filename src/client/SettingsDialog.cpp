// Settings dialog: pages, the settings boxes, "set.ini", the start-with-session entry and the links.
#include "client/SettingsDialog.h"

#include "client/LoginForm.h"
#include "client/MainWindow.h"
#include "client/core/AccountFiles.h"
#include "client/core/LoginSession.h"
#include "client/core/SiteLinks.h"
#include "platform/os/folders.h"
#include "platform/os/inifile.h"
#include "platform/os/shell.h"
#include "platform/os/userstore.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;

TForm3* Form3 = nullptr;

namespace {
const QString kRunValue = QStringLiteral("zuvi");
}

namespace {
QString SettingsUser() { return Form1 ? Form1->CurrentUser() : QString(); }
} // namespace

QString AutoLoginFile() { return zuvi::client::AccountFiles(SettingsUser()).loginSwitchesFile(); }

QString SystemSettingsFile() { return zuvi::os::dataFolder() + QStringLiteral("set.ini"); }

TForm3::TForm3(TComponent* Owner)
    : TForm(Owner)
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1).field("ssSkinButton1", ssSkinButton1).field("ssSkinButton2", ssSkinButton2).field("ssSkinButton3", ssSkinButton3).field("ssSkinButton6", ssSkinButton6).field("ssSkinButton5", ssSkinButton5).field("Panel2", Panel2).field("Label3", Label3).field("Label4", Label4).field("Label5", Label5).field("Label6", Label6).field("Label7", Label7).field("Label26", Label26).field("Label8", Label8).field("Label9", Label9).field("Label10", Label10).field("Label15", Label15).field("Label11", Label11).field("Label16", Label16).field("Label12", Label12).field("Label17", Label17).field("Label13", Label13).field("Label18", Label18).field("Label14", Label14).field("Label19", Label19).field("Panel1", Panel1).field("Label1", Label1).field("Label2", Label2).field("Panel3", Panel3).field("Label21", Label21).field("Label20", Label20).field("CheckBox1", CheckBox1).field("Label22", Label22).field("CheckBox4", CheckBox4).field("Label23", Label23).field("CheckBox2", CheckBox2).field("Label24", Label24).field("CheckBox3", CheckBox3).field("Label25", Label25);
    b.handler("FormCreate", this, &TForm3::FormCreate)
        .handler("FormDestroy", this, &TForm3::FormDestroy)
        .handler("ssSkinButton1Click", this, &TForm3::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &TForm3::ssSkinButton2Click)
        .handler("ssSkinButton3Click", this, &TForm3::ssSkinButton3Click)
        .handler("ssSkinButton6Click", this, &TForm3::ssSkinButton6Click)
        .handler("ssSkinButton5Click", this, &TForm3::ssSkinButton5Click)
        .handler("CheckBox1Click", this, &TForm3::CheckBox1Click)
        .handler("CheckBox4Click", this, &TForm3::CheckBox4Click)
        .handler("CheckBox2Click", this, &TForm3::CheckBox2Click)
        .handler("Label8Click", this, &TForm3::Label8Click)
        .handler("Label2Click", this, &TForm3::Label2Click);
    LoadFormLayout(this, QStringLiteral("SettingsDialog.form"), b);
}

void TForm3::FormCreate(TObject*) { }

void TForm3::LoadSystemSettings()
{
    FLoaded = true;
    zuvi::os::ensureDir(zuvi::os::dataFolder());

    const zuvi::os::IniFile login(AutoLoginFile());
    CheckBox1->SetChecked(login.readBool(QStringLiteral("switch3"), QStringLiteral("login"), true));

    const zuvi::os::IniFile set(SystemSettingsFile());
    CheckBox2->SetChecked(set.readBool(QStringLiteral("switch2"), QStringLiteral("set"), true));
    CheckBox3->SetChecked(set.readBool(QStringLiteral("switch3"), QStringLiteral("set"), true));

    zuvi::os::Registry reg;
    if (reg.openKey(QString::fromLatin1(zuvi::os::kRunKey), true) && reg.valueExists(kRunValue))
        CheckBox4->SetChecked(true);
    reg.closeKey();
}

void TForm3::ShowLoginDetails(const zuvi::client::LoginDetails& d, const QString& account)
{
    if (d.loginTime)
        Label15->SetCaption(*d.loginTime);
    if (d.ip)
        Label16->SetCaption(*d.ip);
    if (d.currentIp)
        Label18->SetCaption(*d.currentIp);
    if (d.currentLoginTime)
        Label17->SetCaption(*d.currentLoginTime);
    if (d.totalLoginTimes)
        Label19->SetCaption(*d.totalLoginTimes);
    Label5->SetCaption(account);
    if (Form2) {
        Label7->SetCaption(Form2->FBalance);
        Label26->SetCaption(Form2->FBalanceMin);
    }
}

void TForm3::ShowPage(TPanel* page)
{
    for (TPanel* p : {Panel2, Panel3, Panel1})
        p->SetVisible(p == page);
}

void TForm3::ssSkinButton1Click(TObject*) { ShowPage(Panel2); }
void TForm3::ssSkinButton2Click(TObject*) { ShowPage(Panel3); }
void TForm3::ssSkinButton3Click(TObject*) { ShowPage(Panel1); }

void TForm3::CheckBox1Click(TObject*)
{
    const bool on = CheckBox1->Checked();
    if (Form2 && Form2->CheckBox3)
        Form2->CheckBox3->SetChecked(on);
    zuvi::os::ensureDir(zuvi::os::dataFolder());
    zuvi::os::ensureDir(zuvi::os::accountFolder(SettingsUser()));
    zuvi::os::IniFile(AutoLoginFile()).writeBool(QStringLiteral("switch3"), QStringLiteral("login"), on);
}

void TForm3::CheckBox4Click(TObject*)
{
    try {
        zuvi::os::Registry reg;
        if (reg.openKey(QString::fromLatin1(zuvi::os::kRunKey), true)) {
            if (CheckBox4->Checked())
                reg.writeString(kRunValue, zuvi::os::programPath());
            else
                reg.deleteValue(kRunValue);
        }
        reg.closeKey();
    } catch (...) {
        // A failing store leaves the box as the user set it; nothing is shown.
    }
}

void TForm3::CheckBox2Click(TObject*) { }

void TForm3::SaveDisplaySettings()
{
    zuvi::os::ensureDir(zuvi::os::dataFolder());
    zuvi::os::IniFile set(SystemSettingsFile());
    set.writeBool(QStringLiteral("switch2"), QStringLiteral("set"), CheckBox2->Checked());
    set.writeBool(QStringLiteral("switch3"), QStringLiteral("set"), CheckBox3->Checked());
}

void TForm3::ssSkinButton6Click(TObject*)
{
    SaveDisplaySettings();
    Close();
}

void TForm3::ssSkinButton5Click(TObject*) { Close(); }

void TForm3::FormDestroy(TObject*)
{
    // Boxes never loaded in this run still hold their unticked start states: writing them would
    // replace the stored options, so the stored values stay.
    if (FLoaded)
        SaveDisplaySettings();
}

void TForm3::Label8Click(TObject*) { zuvi::os::openUrl(zuvi::client::sitePage(QStringLiteral("/pay.html"))); }
void TForm3::Label2Click(TObject*) { zuvi::os::openUrl(zuvi::client::sitePage(QStringLiteral("/login.html"))); }
