// Login form: account and password, the login switches, the login sequence and the Login state.
#include "client/LoginForm.h"

#include "client/ProgramForms.h"
#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/SettingsDialog.h"

#include "platform/net/Endpoints.h"
#include "platform/net/HttpClient.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"
#include "platform/os/Exception.h"
#include "platform/os/codepage.h"
#include "platform/os/folders.h"
#include "platform/os/inifile.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"
#include "platform/os/userstore.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <QComboBox>
#include <QCompleter>
#include <QFileInfo>

using namespace zuvi::ui;
namespace os = zuvi::os;
namespace net = zuvi::net;

TForm2* Form2 = nullptr;

// The login form's web client: Accept "*/*", no cookies.
class LoginService {
public:
    // A request's outcome: a transport failure, or the body read as a reply.
    struct Result {
        bool transportFailed = false;
        QByteArray body;
        net::Reply reply;
        bool json() const { return reply.isJson(); }
        bool hasRet() const { return net::item(reply.root(), "ret") != nullptr; }
        int ret() const { return reply.ret(); }
    };

    Result get(const QString& url)
    {
        Result r;
        try {
            r.body = m_http.get(url);
        } catch (const net::TransportError&) {
            r.transportFailed = true;
            return r;
        }
        r.reply = net::readReply(r.body);
        return r;
    }

private:
    net::HttpClient m_http{net::HttpClient::Kind::Plain};
};

namespace {

// A string of the reply's "rd" object; a number there is taken as its decimal text.
QString RdAnsi(const net::Reply& r, const char* key)
{
    const cJSON* rd = net::item(r.root(), "rd");
    const cJSON* v = net::item(rd, key);
    if (v && cJSON_IsNumber(v))
        return QString::number(v->valuedouble, 'g', 15);
    return net::ansiString(rd, key);
}
QString RdUtf8(const net::Reply& r, const char* key) { return net::utf8String(net::item(r.root(), "rd"), key); }

const QString kUsersFile = QStringLiteral("users");
const QString kLoginIni = QStringLiteral("login.ini");

void ReadSwitches(TForm2* f, const QString& account)
{
    os::IniFile ini(os::accountFolder(account) + kLoginIni);
    f->CheckBox1->SetChecked(ini.readBool(QStringLiteral("switch1"), QStringLiteral("login"), true));
    f->CheckBox2->SetChecked(ini.readBool(QStringLiteral("switch2"), QStringLiteral("login"), true));
    f->CheckBox3->SetChecked(ini.readBool(QStringLiteral("switch3"), QStringLiteral("login"), true));
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
    , IdHTTP1(std::make_unique<LoginService>())
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
    CreateApplicationForms();
    LoadLoginSettings();
}

void TForm2::FormDestroy(TObject*)
{
    // Logout: the outcome does not matter. The account text has passed no input check here, so
    // characters that would change the query ("&", "#", blanks ...) are percent-encoded.
    const QString phone = QString::fromLatin1(os::toAnsi(frxComboBox1->Text()).toPercentEncoding());
    IdHTTP1->get(net::ServiceApi::Logout(phone, FHamc));
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

void TForm2::Label7Click(TObject*) { os::openUrl(net::siteRoot() + QStringLiteral("/user/register.html")); }

void TForm2::Label3Click(TObject*) { os::openUrl(net::siteRoot() + QStringLiteral("/user/findpwd.html")); }

void TForm2::Image2Click(TObject*)
{
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
    const QString data = os::dataFolder();
    os::ensureDir(data);
    const QString users = data + kUsersFile;
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

    const QString banner = data + QStringLiteral("ad.jpg");
    if (os::fileExists(banner)) {
        TJPEGImage jpeg;
        if (QFileInfo(banner).size() == 0) {
            os::deleteFile(banner);
        } else {
            jpeg.LoadFromFile(banner);
            Image2->Picture()->Assign(jpeg);
        }
        Image2->SetVisible(true);
    }
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

    // Login token: up to three attempts, one second apart.
    bool token = false;
    for (int attempt = 0; attempt < 3 && !token; ++attempt) {
        LoginService::Result r = IdHTTP1->get(net::ServiceApi::RandCode());
        if (r.transportFailed) {
            MessageBox(QStringLiteral("联网失败"));
            Application->Terminate();
            return;
        }
        if (!r.json())
            return;
        if (!r.hasRet()) {
            MessageBox(QStringLiteral("联网失败"));
            Application->Terminate();
            return;
        }
        if (r.ret() != 0) {
            os::sleepMs(1000);
            continue;
        }
        FHamc = net::Hamc(frxComboBox1->Text(), net::ansiString(r.reply.root(), "rd"));
        token = true;
    }
    if (!token) {
        MessageBox(QStringLiteral("获取证书失败"));
        Application->Terminate();
        return;
    }

    LoginService::Result login = IdHTTP1->get(net::ServiceApi::Login(frxComboBox1->Text(), net::Passwd(MaskEdit1->Text()), FHamc));
    if (login.transportFailed) {
        MessageBox(QStringLiteral("登录失败，请确认网络畅通时重试"));
        SetLoginControlsVisible(true);
        return;
    }
    if (!login.json())
        return;
    if (login.ret() != 0) {
        MessageBox(QStringLiteral("登录失败，请确认用户名密码正确并重试"));
        SetLoginControlsVisible(true);
    } else {
        const QString name = frxComboBox1->Text();
        const QString vosIp = RdAnsi(login.reply, "vos_ip");
        const QString ip = RdAnsi(login.reply, "ip");
        const QString loginTime = RdAnsi(login.reply, "login_time");
        const QString total = RdAnsi(login.reply, "total_login_times");
        const QString currentIp = RdAnsi(login.reply, "current_ip");
        const QString currentTime = RdAnsi(login.reply, "current_logintime");
        FVosIp = vosIp;
        FBalance = RdUtf8(login.reply, "Balance");
        FBalanceMin = RdUtf8(login.reply, "Balancemin");

        Form1->Label1->SetCaption(name);
        Form1->Label3->SetCaption(FBalance);
        Form1->Label12->SetCaption(FBalanceMin);
        if (Form3) {
            Form3->Label15->SetCaption(loginTime);
            Form3->Label16->SetCaption(ip);
            Form3->Label18->SetCaption(currentIp);
            Form3->Label17->SetCaption(currentTime);
            Form3->Label19->SetCaption(total);
            Form3->Label5->SetCaption(name);
            Form3->Label7->SetCaption(FBalance);
            Form3->Label26->SetCaption(FBalanceMin);
        }
        Form1->LoadUserSettings(name);

        const QString folder = os::accountFolder(Form1->Label1->Caption());
        os::ensureDir(folder);
        const QString contact = folder + QStringLiteral("contact");
        if (os::fileExists(contact)) {
            Form1->ValueListEditor1->Strings()->LoadFromFile(contact);
            if (Form1->ValueListEditor1->Strings()->Count() == 0) {
                Form1->ValueListEditor1->SetVisible(false);
                Form1->ValueListEditor2->SetVisible(true);
            } else {
                Form1->ValueListEditor1->SetVisible(true);
                Form1->ValueListEditor2->SetVisible(false);
                Form1->Edit1->SetText(QString());
                Form1->SortContacts(Form1->ValueListEditor1);
            }
        } else {
            os::ensureFile(contact);
            Form1->ValueListEditor1->SetVisible(true);
            Form1->ValueListEditor2->SetVisible(false);
        }
        const QString call = folder + QStringLiteral("call");
        if (os::fileExists(call)) {
            Form1->ListBox1->Items()->LoadFromFile(call);
            if (Form1->ListBox1->Items()->Count() == 0)
                Form1->ListBox1->Items()->Add(QStringLiteral("暂无记录"));
        } else {
            os::ensureFile(call);
        }

        os::IniFile ini(folder + kLoginIni);
        ini.writeBool(QStringLiteral("switch1"), QStringLiteral("login"), CheckBox1->Checked());
        ini.writeBool(QStringLiteral("switch2"), QStringLiteral("login"), CheckBox2->Checked());
        ini.writeBool(QStringLiteral("switch3"), QStringLiteral("login"), CheckBox3->Checked());

        const QString users = os::dataFolder() + kUsersFile;
        os::ensureFile(users);
        frxComboBox1->Items()->SaveToFile(users);

        os::Registry reg;
        if (reg.openKey(QString::fromLatin1(os::kProgramKey), true)) {
            if (CheckBox1->Checked())
                reg.writeString(QStringLiteral("usr"), name);
            if (CheckBox2->Checked())
                reg.writeString(name, MaskEdit1->Text());
            reg.closeKey();
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
    LoginService::Result r = IdHTTP1->get(net::ServiceApi::CheckPM(frxComboBox1->Text(), FHamc));
    if (r.transportFailed) {
        MessageBox(QStringLiteral("获取话机失败"));
        return;
    }
    if (r.json()) {
        if (r.ret() != 0)
            CreatePhoneAccount(vosId, vosPw);
        return;
    }
    const net::Reply u = net::unscrambleReply(r.body);
    if (!u.isJson())
        return;
    if (u.ret() != 0) {
        CreatePhoneAccount(vosId, vosPw);
        return;
    }
    vosId = RdAnsi(u, "vos_id");
    vosPw = RdAnsi(u, "vos_pw");
}

void TForm2::CreatePhoneAccount(QString& vosId, QString& vosPw)
{
    LoginService::Result r = IdHTTP1->get(net::ServiceApi::CreatePM(frxComboBox1->Text(), FHamc));
    if (r.transportFailed)
        return;
    const net::Reply u = net::unscrambleReply(r.body);
    if (!u.isJson() || u.ret() != 0)
        return;
    vosId = RdAnsi(u, "vos_id");
    vosPw = RdAnsi(u, "vos_pw");
}
