// Login form: account and password, the login switches, the login sequence and the Login state.
#include "client/LoginForm.h"

#include "client/MainWindow.h"
#include "client/ProgramForms.h"
#include "client/SettingsDialog.h"
#include "client/SipStack.h"
#include "client/core/AccountFiles.h"
#include "client/core/LoginSession.h"
#include "client/core/PhoneAccount.h"
#include "client/core/SiteLinks.h"
#include "platform/os/codepage.h"
#include "platform/os/folders.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"
#include "platform/os/userstore.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <QComboBox>
#include <QCompleter>

using namespace zuvi::ui;
namespace os = zuvi::os;
namespace client = zuvi::client;

TForm2* Form2 = nullptr;

namespace {

void ReadSwitches(TForm2* f, const QString& account)
{
    const client::LoginSwitches s = client::AccountFiles(account).loginSwitches();
    f->CheckBox1->SetChecked(s.saveInformation);
    f->CheckBox2->SetChecked(s.rememberPassword);
    f->CheckBox3->SetChecked(s.autoLogin);
}

} // namespace

bool IsAlphaNumeric(const QString& text)
{
    for (char c : os::toAnsi(text)) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!ok)
            return false;
    }
    return true;
}

TForm2::TForm2(TComponent* Owner)
    : TForm(Owner)
    , IdHTTP1(std::make_unique<client::LoginSession>(client::webClient(zuvi::net::HttpClient::Kind::Plain), os::sleepMs))
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("frxComboBox1", frxComboBox1)
        .field("Label2", Label2)
        .field("MaskEdit1", MaskEdit1)
        .field("Label3", Label3)
        .field("CheckBox1", CheckBox1)
        .field("Label4", Label4)
        .field("CheckBox2", CheckBox2)
        .field("Label5", Label5)
        .field("CheckBox3", CheckBox3)
        .field("Label6", Label6)
        .field("ssSkinButton2", ssSkinButton2)
        .field("Label7", Label7)
        .field("Label8", Label8)
        .field("Image2", Image2)
        .field("ssSkinButton3", ssSkinButton3)
        .field("ssSkinButton4", ssSkinButton4)
        .field("Timer1", Timer1);
    b.handler("FormCreate", this, &TForm2::FormCreate)
        .handler("FormDestroy", this, &TForm2::FormDestroy)
        .handler("ssSkinButton2Click", this, &TForm2::ssSkinButton2Click)
        .handler("MaskEdit1KeyUp", this, &TForm2::MaskEdit1KeyUp)
        .handler("frxComboBox1KeyUp", this, &TForm2::frxComboBox1KeyUp)
        .handler("Timer1Timer", this, &TForm2::Timer1Timer)
        .handler("ssSkinButton4Click", this, &TForm2::ssSkinButton4Click)
        .handler("ssSkinButton3Click", this, &TForm2::ssSkinButton3Click)
        .handler("Label7Click", this, &TForm2::Label7Click)
        .handler("Label3Click", this, &TForm2::Label3Click)
        .handler("Image2Click", this, &TForm2::Image2Click)
        .handler("CheckBox2Click", this, &TForm2::CheckBox2Click)
        .handler("frxComboBox1Change", this, &TForm2::frxComboBox1Change);
    LoadFormLayout(this, QStringLiteral("LoginForm.form"), b);
    // Enter in the account box leaves the typed name alone: the box's completion would
    // otherwise replace it with a listed name that differs only in letter case.
    if (QCompleter* completer = frxComboBox1->ComboBox()->completer())
        completer->setCaseSensitivity(Qt::CaseSensitive);
    // The SIP accounts and calls always use the server of the current Login state.
    SetSipServerProvider([] { return Form2 ? Form2->FVosIp : QString(); });
}

TForm2::~TForm2()
{
    RunBeforeDestruction();
    if (Form2 == this) {
        Form2 = nullptr;
        SetSipServerProvider({});
    }
}

void TForm2::FormCreate(TObject*)
{
    HideUpdatePrompt();
    CreateApplicationForms();
    LoadLoginSettings();
}

void TForm2::FormDestroy(TObject*)
{
    IdHTTP1->logout(frxComboBox1->Text(), FHamc);
}

void TForm2::ssSkinButton2Click(TObject*) { Timer1->SetEnabled(true); }

void TForm2::MaskEdit1KeyUp(TObject* Sender, WORD& Key, TShiftState)
{
    if (Key == VK_RETURN)
        ssSkinButton2Click(Sender);
}

void TForm2::frxComboBox1KeyUp(TObject* Sender, WORD& Key, TShiftState)
{
    if (Key == VK_RETURN)
        ssSkinButton2Click(Sender);
}

void TForm2::ssSkinButton4Click(TObject*) { Application->Terminate(); }

void TForm2::ssSkinButton3Click(TObject*) { Hide(); }

void TForm2::Label7Click(TObject*) { os::openUrl(client::sitePage(QStringLiteral("/user/register.html"))); }

void TForm2::Label3Click(TObject*) { os::openUrl(client::sitePage(QStringLiteral("/user/findpwd.html"))); }

void TForm2::Image2Click(TObject*)
{
    EnsureApplicationForms();
    if (Form1)
        os::openUrl(Form1->AdLink());
}

void TForm2::CheckBox2Click(TObject*)
{
    if (CheckBox2->Checked() && !CheckBox1->Checked())
        CheckBox1->SetChecked(true);
}

void TForm2::frxComboBox1Change(TObject*)
{
    os::ensureDir(os::dataFolder());
    const QString account = frxComboBox1->Text();
    ReadSwitches(this, account);
    if (CheckBox2->Checked()) {
        os::Registry reg;
        if (reg.openKey(QString::fromLatin1(os::kProgramKey), true)) {
            MaskEdit1->SetText(reg.valueExists(account) ? reg.readString(account) : QString());
            reg.closeKey();
        }
    } else {
        MaskEdit1->SetText(QString());
    }
}

void TForm2::LoadLoginSettings()
{
    os::ensureDir(os::dataFolder());
    const QString users = client::usersFile();
    if (os::fileExists(users))
        frxComboBox1->Items()->LoadFromFile(users);
    else
        os::ensureFile(users);

    os::Registry reg;
    if (reg.openKey(QString::fromLatin1(os::kProgramKey), true)) {
        if (reg.valueExists(QStringLiteral("usr"))) {
            frxComboBox1->SetText(reg.readString(QStringLiteral("usr")));
            const QString account = frxComboBox1->Text();
            ReadSwitches(this, account);
            if (CheckBox2->Checked())
                MaskEdit1->SetText(reg.readString(account));
            else
                MaskEdit1->SetText(QString());
            const bool switching = Form1 && Form1->SwitchingAccount();
            if (CheckBox3->Checked() && !frxComboBox1->Text().isEmpty() && !MaskEdit1->Text().isEmpty() && !switching) {
                Timer1->SetEnabled(true);
                Close();
            }
        } else {
            CheckBox1->SetChecked(true);
            CheckBox2->SetChecked(true);
            CheckBox3->SetChecked(true);
        }
    }
    reg.closeKey();

    LoadBannerPicture(Image2);
}

void TForm2::SetLoginControlsVisible(bool visible)
{
    TControl* controls[] = {Label1, frxComboBox1, Label2, MaskEdit1, Label3, CheckBox1, Label4,
        CheckBox2, Label5, CheckBox3, Label6, ssSkinButton2, Label7};
    for (TControl* c : controls)
        c->SetVisible(visible);
    Label8->SetVisible(!visible);
}

void TForm2::Timer1Timer(TObject*)
{
    Timer1->SetEnabled(false);
    // The windows the login fills in, when the start-up has not built them yet.
    if (!EnsureApplicationForms())
        return;

    const QString account = frxComboBox1->Text();
    if (account.isEmpty()) {
        MessageBox(QStringLiteral("用户名不能为空"));
        return;
    }
    if (account.length() > 11) {
        MessageBox(QStringLiteral("用户名最多11位"));
        return;
    }
    if (!IsAlphaNumeric(account)) {
        MessageBox(QStringLiteral("用户名必须是字母或数字"));
        return;
    }
    bool listed = false;
    TStrings* items = frxComboBox1->Items();
    for (int i = 0; i < items->Count() && !listed; ++i)
        listed = items->Strings(i).compare(account, Qt::CaseInsensitive) == 0;
    if (!listed)
        items->Add(account);
    if (MaskEdit1->Text().isEmpty()) {
        MessageBox(QStringLiteral("密码不能为空"));
        return;
    }

    SetLoginControlsVisible(false);
    Repaint();

    const client::LoginToken token = IdHTTP1->fetchToken(frxComboBox1->Text());
    if (token.outcome == client::LoginToken::Outcome::NotJson)
        return;
    if (token.outcome != client::LoginToken::Outcome::Token) {
        MessageBox(token.outcome == client::LoginToken::Outcome::Unreachable ? QStringLiteral("联网失败")
                                                                             : QStringLiteral("获取证书失败"));
        Application->Terminate();
        return;
    }
    FHamc = token.hamc;

    const client::LoginResult login = IdHTTP1->login(frxComboBox1->Text(), MaskEdit1->Text(), FHamc);
    if (login.outcome == client::LoginResult::Outcome::Unreachable) {
        MessageBox(QStringLiteral("登录失败，请确认网络畅通时重试"));
        SetLoginControlsVisible(true);
        return;
    }
    if (login.outcome == client::LoginResult::Outcome::NotJson)
        return;
    if (login.outcome == client::LoginResult::Outcome::Refused) {
        MessageBox(QStringLiteral("登录失败，请确认用户名密码正确并重试"));
        SetLoginControlsVisible(true);
    } else {
        const QString name = frxComboBox1->Text();
        FVosIp = login.details.vosIp.value_or(QString());
        FBalance = login.details.balance.value_or(QString());
        FBalanceMin = login.details.balanceMin.value_or(QString());

        Form1->ShowAccount(name);
        if (Form3)
            Form3->ShowLoginDetails(login.details, name);
        try {
            Form1->LoadUserSettings(name);
            Form1->LoadAccountLists();

            const client::AccountFiles files(Form1->Label1->Caption());
            files.writeLoginSwitches({CheckBox1->Checked(), CheckBox2->Checked(), CheckBox3->Checked()});
            os::ensureFile(client::usersFile());
            frxComboBox1->Items()->SaveToFile(client::usersFile());

            os::Registry reg;
            if (reg.openKey(QString::fromLatin1(os::kProgramKey), true)) {
                if (CheckBox1->Checked())
                    reg.writeString(QStringLiteral("usr"), name);
                if (CheckBox2->Checked())
                    reg.writeString(name, MaskEdit1->Text());
                reg.closeKey();
            }
        } catch (...) {
            // A file that cannot be written (a folder in its place, a read-only or full disk):
            // reported, and the form is back as after a failed login. Nobody is logged in, so no
            // later write puts lists that were never loaded into the account's folder.
            Application->HandleException(std::current_exception());
            Form1->Label1->SetCaption(QString());
            SetLoginControlsVisible(true);
            return;
        }

        Form1->SetTrayIconState(1);
        Form1->Timer7->SetEnabled(false);
        Form1->RegisterLoginAccount(name, MaskEdit1->Text());
        Form1->Show();
        Form1->TrayIcon1->SetVisible(true);
        Close();
    }

    QString vosId, vosPw;
    GetPhoneAccount(vosId, vosPw);
    Form1->RegisterLoginAccount(vosId, vosPw);
}

void TForm2::GetPhoneAccount(QString& vosId, QString& vosPw)
{
    const client::PhoneAccount p = client::checkPhoneAccount(client::loginFormRules(), IdHTTP1->web(), frxComboBox1->Text(), FHamc);
    switch (p.outcome) {
    case client::PhoneAccount::Outcome::GiveUp:
        MessageBox(QStringLiteral("获取话机失败"));
        return;
    case client::PhoneAccount::Outcome::CreateAccount:
        CreatePhoneAccount(vosId, vosPw);
        return;
    case client::PhoneAccount::Outcome::NewCredentials:
        vosId = p.id;
        vosPw = p.password;
        return;
    case client::PhoneAccount::Outcome::KeepOld:
        return;
    }
}

void TForm2::CreatePhoneAccount(QString& vosId, QString& vosPw)
{
    const client::PhoneAccount p = client::createPhoneAccount(client::loginFormRules(), IdHTTP1->web(), frxComboBox1->Text(), FHamc);
    if (p.outcome != client::PhoneAccount::Outcome::NewCredentials)
        return;
    vosId = p.id;
    vosPw = p.password;
}
