// Main window: outgoing calls, call state, volumes and the after-call processing.
#include "client/MainWindow.h"

#include "client/CallHelpers.h"
#include "client/LoginForm.h"
#include "client/MainWebClient.h"
#include "client/SettingsDialog.h"
#include "client/SipStack.h"
#include "client/core/AccountFiles.h"
#include "client/core/BalanceRefresh.h"
#include "client/core/PhoneAccount.h"
#include "platform/os/folders.h"
#include "platform/os/services.h"
#include "platform/ui/Handoff.h"
#include "skin/SSButton.h"

#include <QPointer>
#include <QWidget>

#include <exception>

using namespace zuvi::ui;
namespace client = zuvi::client;

namespace {

const QString kCalling = QStringLiteral("呼叫中。。。");
const QString kInCall = QStringLiteral("通话中 ");
const QString kInvalidNumber = QStringLiteral("无效号码");
const QString kDialFailed = QStringLiteral("拨号失败");
const QString kHungUp = QStringLiteral("呼叫挂断");
const QString kCallEnded = QStringLiteral("通话结束");
const QString kTimeFormat = QStringLiteral("yyyy/mm/dd hh:nn:ss");

// Call-state effects wait here while the call or hang-up button's handler runs.
CallEventGate g_callGate;

} // namespace

QString LoginAccountText() { return Form2 && Form2->frxComboBox1 ? Form2->frxComboBox1->Text() : QString(); }
QString LoginPasswordText() { return Form2 && Form2->MaskEdit1 ? Form2->MaskEdit1->Text() : QString(); }
QString LoginHamc() { return Form2 ? Form2->FHamc : QString(); }
QString LoginVosIp() { return Form2 ? Form2->FVosIp : QString(); }

client::WebGet MainWeb(TForm1* form)
{
    if (!form->IdHTTP1)
        form->IdHTTP1 = std::make_shared<MainWebClient>();
    std::shared_ptr<MainWebClient> web = form->IdHTTP1;
    return [web](const QString& url) { return web->get(url); };
}

void TForm1::InstallSipHooks()
{
    if (!IdHTTP1)
        IdHTTP1 = std::make_shared<MainWebClient>();

    QPointer<QWidget> alive(Widget());
    TForm1* self = this;

    // Runs on the UI thread, in event order, never inside the call or hang-up handler.
    auto apply = [self](const CallStateChange& c, zuvi::os::TDateTime at) {
        // While a call of the call button runs, another call's events (an incoming call that
        // its caller abandons) must not end it on screen: the busy button would go and the
        // hang-up button would no longer reach the running call.
        if (self->FInCall && c.callId != SipCallId)
            return;
        if (c.state == CallStateChange::State::Answered) {
            CallStartTime = at;
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

    OnCallStateChange = [alive, apply](const CallStateChange& c) {
        const zuvi::os::TDateTime at = zuvi::os::now();
        post([alive, apply, c, at] {
            if (!alive)
                return;
            g_callGate.deliver([alive, apply, c, at] {
                if (alive)
                    apply(c, at);
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
    const client::PhoneAccount account = client::checkPhoneAccount(client::mainWindowRules(), MainWeb(this), LoginAccountText(), LoginHamc());
    if (account.outcome == client::PhoneAccount::Outcome::GiveUp)
        return;
    if (account.outcome == client::PhoneAccount::Outcome::CreateAccount) {
        CreatePhoneAccount();
    } else if (account.outcome == client::PhoneAccount::Outcome::NewCredentials) {
        FVosId = account.id;
        FVosPw = account.password;
    }

    RegisterSipAccount(FVosId, FVosPw);
    SetSpeakerVolume(TrackBar1->Position());
    SetMicrophoneVolume(TrackBar2->Position());

    if (PlaceCall(DialUri(Edit1->Text(), LoginVosIp()))) {
        FCallStartText = zuvi::os::formatDateTime(kTimeFormat, zuvi::os::now());
        FInCall = true;
        ssSkinButton8->Show();
        ssSkinButton3->Hide();
        return;
    }

    HangUpCall();
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
    const client::PhoneAccount account = client::createPhoneAccount(client::mainWindowRules(), MainWeb(this), LoginAccountText(), LoginHamc());
    if (account.outcome != client::PhoneAccount::Outcome::NewCredentials)
        return;
    FVosId = account.id;
    FVosPw = account.password;
}

void TForm1::ssSkinButton5Click(TObject*)
{
    CallEventGate::Hold hold(g_callGate);
    if (!FInCall)
        return;
    HangUpCall();
    ::UnregisterSipAccounts();
    RegisterSipAccount(FVosId, FVosPw);
    FInCall = false;
    ssSkinButton3->Show();
    ssSkinButton8->Hide();
}

void TForm1::TrackBar1Change(TObject*)
{
    if (FInCall)
        SetSpeakerVolume(TrackBar1->Position());
}

void TForm1::TrackBar2Change(TObject*)
{
    if (FInCall)
        SetMicrophoneVolume(TrackBar2->Position());
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
    const client::AccountFiles files(Label1->Caption());
    const QString path = files.prepare(files.callHistory());

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
    if (client::showsNoHistory(history->ToList()))
        history->Clear();
    history->Insert(0, entry);
    history->SaveToFile(path);

    // Login refresh: silent on every failure.
    const std::optional<client::LoginDetails> details = client::refreshBalance(MainWeb(this), LoginAccountText(), LoginPasswordText(), LoginHamc());
    if (!details)
        return;
    const QString account = LoginAccountText();
    if (Form2) {
        if (details->vosIp) {
            Form2->FVosIp = *details->vosIp;
            SetSipServer(Form2->FVosIp);
        }
        Form2->FBalance = details->balance.value_or(Form2->FBalance);
        Form2->FBalanceMin = details->balanceMin.value_or(Form2->FBalanceMin);
    }
    ShowAccount(account);
    if (Form3)
        Form3->ShowLoginDetails(*details, account);
}
