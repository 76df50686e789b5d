// Main window: outgoing calls, call state, volumes and the after-call processing.
#include "client/MainWindow.h"

#include "client/CallHelpers.h"
#include "client/MainWebClient.h"
#include "client/SipStack.h"
#include "client/LoginForm.h"
#include "client/SettingsDialog.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"
#include "platform/os/folders.h"
#include "platform/os/services.h"
#include "platform/ui/Handoff.h"
#include "skin/SSButton.h"

#include <QPointer>
#include <QWidget>

#include <exception>

using namespace zuvi::ui;
namespace sip = zuvi::sip;
namespace net = zuvi::net;

namespace {

const QString kCalling = QStringLiteral("呼叫中。。。");
const QString kInCall = QStringLiteral("通话中 ");
const QString kInvalidNumber = QStringLiteral("无效号码");
const QString kDialFailed = QStringLiteral("拨号失败");
const QString kHungUp = QStringLiteral("呼叫挂断");
const QString kCallEnded = QStringLiteral("通话结束");
const QString kNoHistory = QStringLiteral("暂无记录");
const QString kTimeFormat = QStringLiteral("yyyy/mm/dd hh:nn:ss");

// Call-state effects wait here while the call or hang-up button's handler runs.
CallEventGate g_callGate;

// What a call-state event leaves for the UI thread.
struct CallStateChange {
    int callId = sip::InvalidId;
    sip::InvState state = sip::InvState::Null;
    int lastStatus = 0;
    int connectSeconds = 0;
    zuvi::os::TDateTime at = 0.0;
};

QString LoginAccountText() { return Form2 && Form2->frxComboBox1 ? Form2->frxComboBox1->Text() : QString(); }
QString LoginPasswordText() { return Form2 && Form2->MaskEdit1 ? Form2->MaskEdit1->Text() : QString(); }
QString LoginHamc() { return Form2 ? Form2->FHamc : QString(); }
QString LoginVosIp() { return Form2 ? Form2->FVosIp : QString(); }

// GET through the main window's client; false for any failure the client raises.
bool WebGet(TForm1* form, const QString& url, QByteArray& body)
{
    if (!form->IdHTTP1)
        form->IdHTTP1 = std::make_shared<MainWebClient>();
    try {
        body = form->IdHTTP1->get(url);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The SIP credentials of a reply whose "ret" is 0; false when "rd" lacks them as strings.
bool ReplyCredentials(const net::Reply& reply, QString& id, QString& pw)
{
    const cJSON* rd = reply.item("rd");
    const cJSON* vid = net::item(rd, "vos_id");
    const cJSON* vpw = net::item(rd, "vos_pw");
    if (!cJSON_IsString(vid) || !cJSON_IsString(vpw))
        return false;
    id = net::ansiString(rd, "vos_id");
    pw = net::ansiString(rd, "vos_pw");
    return true;
}

// A string member of the Login reply's "rd" into target; a missing one leaves target as it is.
bool TakeString(const cJSON* rd, const char* key, bool utf8, QString& target)
{
    if (!cJSON_IsString(net::item(rd, key)))
        return false;
    target = utf8 ? net::utf8String(rd, key) : net::ansiString(rd, key);
    return true;
}

void SetVolumes(int speaker, int microphone)
{
    sip::sndSetSetting(sip::AudDevCap::OutputVolume, speaker * 10, true);
    sip::sndSetSetting(sip::AudDevCap::InputVolume, microphone * 10, true);
}

} // namespace

void TForm1::InstallSipHooks()
{
    if (!IdHTTP1)
        IdHTTP1 = std::make_shared<MainWebClient>();

    QPointer<QWidget> alive(Widget());
    TForm1* self = this;

    // Runs on the UI thread, in event order, never inside the call or hang-up handler.
    auto apply = [self](const CallStateChange& c) {
        // While a call of the call button runs, another call's events (an incoming call that
        // its caller abandons) must not end it on screen: the busy button would go and the
        // hang-up button would no longer reach the running call.
        if (self->FInCall && c.callId != SipCallId)
            return;
        if (c.state == sip::InvState::Confirmed) {
            CallStartTime = c.at;
            self->Timer4->SetEnabled(true);
            return;
        }
        self->Label13->SetCaption(QString());
        self->Label14->SetCaption(QString());
        self->Timer4->SetEnabled(false);
        self->FInCall = false;
        self->ssSkinButton8->Hide();
        self->ssSkinButton3->Show();
        if (c.lastStatus == 200) {
            self->FCallDurationText = QString::asprintf("%d 秒", c.connectSeconds);
            self->Timer1->SetEnabled(true);
        } else {
            self->Label13->SetCaption(kHungUp);
            self->Label14->SetCaption(QString());
            self->Timer7->SetEnabled(true);
        }
    };

    OnCallStateHook = [alive, apply](int callId, const sip::CallEvent&) {
        sip::CallInfo info;
        if (sip::callGetInfo(callId, &info) != sip::Success)
            return;
        if (info.state != sip::InvState::Confirmed && info.state != sip::InvState::Disconnected)
            return;
        CallStateChange c;
        c.callId = callId;
        c.state = info.state;
        c.lastStatus = info.lastStatus;
        c.connectSeconds = info.connectDurationMs / 1000;
        c.at = zuvi::os::now();
        post([alive, apply, c] {
            if (!alive)
                return;
            g_callGate.deliver([alive, apply, c] {
                if (alive)
                    apply(c);
            });
        });
    };
}

void TForm1::ssSkinButton3Click(TObject*)
{
    CallEventGate::Hold hold(g_callGate);
    if (FInCall)
        return;
    const QString dialText = Edit1->Text();
    if (dialText.isEmpty())
        return;
    if (!IsValidPhoneNumber(dialText)) {
        Label13->SetCaption(kInvalidNumber);
        Timer7->SetEnabled(true);
        return;
    }
    Label13->SetCaption(kCalling + dialText);
    Label14->SetCaption(QString());

    // Credentials: a failed request or an unreadable scrambled reply ends the attempt silently.
    QByteArray body;
    if (!WebGet(this, net::ServiceApi::CheckPM(LoginAccountText(), LoginHamc()), body))
        return;
    if (net::readReply(body).isJson()) {
        CreatePhoneAccount();
    } else {
        net::Reply reply = net::unscrambleReply(body);
        if (reply.kind() == net::Reply::Kind::NotJson)
            return;
        if (reply.kind() == net::Reply::Kind::Json) {
            if (reply.ret() != 0)
                CreatePhoneAccount();
            else
                ReplyCredentials(reply, FVosId, FVosPw);
        }
    }

    RegisterSipAccount(FVosId, FVosPw);
    SetVolumes(TrackBar1->Position(), TrackBar2->Position());

    const std::string uri = DialUri(Edit1->Text(), LoginVosIp());
    sip::Status st = sip::verifySipUrl(uri);
    if (st == sip::Success) {
        sip::CallSetting setting = sip::callSettingDefault();
        setting.flag = 0;
        setting.vidCnt = 0;
        const int account = sip::accIsValid(SipAccountId) ? SipAccountId : 0;
        st = sip::callMakeCall(account, uri, &setting, &SipCallId);
    }
    if (st == sip::Success) {
        FCallStartText = zuvi::os::formatDateTime(kTimeFormat, zuvi::os::now());
        FInCall = true;
        ssSkinButton8->Show();
        ssSkinButton3->Hide();
        return;
    }

    sip::callHangup(SipCallId, 0, nullptr);
    ::UnregisterSipAccounts();
    FInCall = false;
    ssSkinButton8->Hide();
    ssSkinButton3->Show();
    Label13->SetCaption(kDialFailed);
    Label14->SetCaption(QString());
    Timer7->SetEnabled(true);
}

void TForm1::CreatePhoneAccount()
{
    QByteArray body;
    if (!WebGet(this, net::ServiceApi::CreatePM(LoginAccountText(), LoginHamc()), body))
        return;
    net::Reply reply = net::unscrambleReply(body);
    if (!reply.isJson() || reply.ret() != 0)
        return;
    ReplyCredentials(reply, FVosId, FVosPw);
}

void TForm1::ssSkinButton5Click(TObject*)
{
    CallEventGate::Hold hold(g_callGate);
    if (!FInCall)
        return;
    sip::callHangup(SipCallId, 0, nullptr);
    ::UnregisterSipAccounts();
    RegisterSipAccount(FVosId, FVosPw);
    FInCall = false;
    ssSkinButton3->Show();
    ssSkinButton8->Hide();
}

void TForm1::TrackBar1Change(TObject*)
{
    if (FInCall)
        sip::sndSetSetting(sip::AudDevCap::OutputVolume, TrackBar1->Position() * 10, true);
}

void TForm1::TrackBar2Change(TObject*)
{
    if (FInCall)
        sip::sndSetSetting(sip::AudDevCap::InputVolume, TrackBar2->Position() * 10, true);
}

void TForm1::Timer4Timer(TObject*)
{
    Label13->SetCaption(kInCall + Edit1->Text());
    Label14->SetCaption(zuvi::os::formatDateTime(QStringLiteral("hh:mm:ss"), zuvi::os::now() - CallStartTime));
}

void TForm1::Timer7Timer(TObject*)
{
    Label13->SetCaption(QString());
    Label14->SetCaption(QString());
    Timer7->SetEnabled(false);
}

void TForm1::Timer1Timer(TObject*)
{
    Timer1->SetEnabled(false);
    Label13->SetCaption(kCallEnded);
    Label14->SetCaption(FCallDurationText);
    Timer7->SetEnabled(true);

    // Errors of the folder or the file reach the default error handling and end the processing.
    const QString folder = CurrentAccountFolder();
    zuvi::os::ensureDir(folder);
    const QString path = folder + QStringLiteral("call");
    zuvi::os::ensureFile(path);

    QString name;
    int row = 0;
    if (FindContact(Edit1->Text(), row)) {
        const QString line = ValueListEditor1->Strings()->Strings(row - 1);
        const qsizetype eq = line.indexOf(u'=');
        name = eq < 0 ? QString() : line.left(eq);
    } else {
        name = Edit1->Text();
    }
    const QString entry = name + u' ' + FCallDurationText + u' ' + FCallStartText;

    TStrings* history = ListBox1->Items();
    if (history->Count() == 1 && history->Strings(0) == kNoHistory)
        history->Clear();
    history->Insert(0, entry);
    history->SaveToFile(path);

    // Login refresh: silent on every failure.
    QByteArray body;
    if (!WebGet(this, net::ServiceApi::Login(LoginAccountText(), net::Passwd(LoginPasswordText()), LoginHamc()), body))
        return;
    net::Reply reply = net::readReply(body);
    if (!reply.isJson() || reply.ret() != 0)
        return;
    const cJSON* rd = reply.item("rd");
    const QString account = LoginAccountText();
    if (Form2) {
        if (TakeString(rd, "vos_ip", false, Form2->FVosIp))
            SetSipServer(Form2->FVosIp);
        TakeString(rd, "Balance", true, Form2->FBalance);
        TakeString(rd, "Balancemin", true, Form2->FBalanceMin);
    }
    Label1->SetCaption(account);
    if (Form2) {
        Label3->SetCaption(Form2->FBalance);
        Label12->SetCaption(Form2->FBalanceMin);
    }
    if (Form3) {
        QString text;
        if (TakeString(rd, "login_time", false, text))
            Form3->Label15->SetCaption(text);
        if (TakeString(rd, "ip", false, text))
            Form3->Label16->SetCaption(text);
        if (TakeString(rd, "current_ip", false, text))
            Form3->Label18->SetCaption(text);
        if (TakeString(rd, "current_logintime", false, text))
            Form3->Label17->SetCaption(text);
        if (TakeString(rd, "total_login_times", false, text))
            Form3->Label19->SetCaption(text);
        Form3->Label5->SetCaption(account);
        if (Form2) {
            Form3->Label7->SetCaption(Form2->FBalance);
            Form3->Label26->SetCaption(Form2->FBalanceMin);
        }
    }
}
