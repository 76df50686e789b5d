// Login-status notice: the connection to the service at the bottom right, with its reachability poll.
#include "client/LoginStatusNotice.h"

#include "client/MainWindow.h"
#include "client/core/Notices.h"
#include "platform/net/HttpClient.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"
#include "platform/os/screen.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;

TForm17* Form17 = nullptr;
QDateTime NoticeShownTime;

TForm17::TForm17(TComponent* Owner)
    : TForm(Owner)
    , IdHTTP1(std::make_unique<zuvi::net::HttpClient>(zuvi::net::HttpClient::Kind::Browser))
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("Timer1", Timer1)
        .field("Timer2", Timer2)
        .field("ssSkinButton2", ssSkinButton2);
    b.handler("Timer1Timer", this, &TForm17::Timer1Timer).handler("Timer2Timer", this, &TForm17::Timer2Timer);
    LoadFormLayout(this, QStringLiteral("LoginStatusNotice.form"), b);
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    FOnline = false;
}

TForm17::~TForm17()
{
    if (Form17 == this)
        Form17 = nullptr;
}

void TForm17::ShowLoginStatus(int state)
{
    if (state == 0)
        Label1->SetCaption(QStringLiteral("网络连接中断"));
    else if (state == 1)
        Label1->SetCaption(QStringLiteral("登录成功，欢迎使用Zuvi"));
    const QPoint at = zuvi::client::noticeTopLeft(zuvi::os::workArea(), Width(), Height());
    SetBounds(at.x(), at.y(), Width(), Height());
    Repaint();
    NoticeShownTime = QDateTime::currentDateTime();
    Timer1->SetEnabled(true);
}

void TForm17::Timer1Timer(TObject*)
{
    // Five seconds or more: a late tick that skips the fifth second still closes the notice.
    if (zuvi::client::elapsedWholeSeconds(NoticeShownTime, QDateTime::currentDateTime()) < 5)
        return;
    Close();
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(true);
}

void TForm17::Timer2Timer(TObject*)
{
    QByteArray body;
    try {
        body = IdHTTP1->get(zuvi::net::ServiceApi::RandCode2());
    } catch (const zuvi::net::TransportError&) {
        if (FOnline) {
            FOnline = false;
            ShowLoginStatus(0);
            Show();
        }
        Form1->SetTrayIconState(0);
        return;
    }
    if (!zuvi::net::readReply(body).isJson())
        return;
    Form1->SetTrayIconState(1);
    FOnline = true;
}

void TForm17::ssSkinButton4Click(TObject*) { Close(); }
