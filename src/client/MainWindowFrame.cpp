// Main window: title-bar buttons, main menu, tray icon, edge auto-hide and shut-down.
#include "client/MainWindow.h"

#include "client/AddressBookRestore.h"
#include "client/CloseChoiceDialog.h"
#include "client/LoginForm.h"
#include "client/SettingsDialog.h"
#include "client/SipStack.h"
#include "client/UpdateDialog.h"
#include "client/core/AccountFiles.h"
#include "client/core/SiteLinks.h"
#include "voicetest/VoiceTestDialog.h"
#include "platform/net/Endpoints.h"
#include "platform/os/folders.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <QDir>

using namespace zuvi::ui;

int DockHidden = 0;
int DockAnimating = 0;
int DockSavedTop = 0;
int DockFirstMove = 1;
int TrayBlinkState = 0;

namespace {

void OpenSitePage(const QString& path) { zuvi::os::openUrl(zuvi::client::sitePage(path)); }

} // namespace

void ShowLoginInputs()
{
    Form2->frxComboBox1->Show();
    Form2->Label2->Show();
    Form2->MaskEdit1->Show();
    Form2->Label3->Show();
    Form2->CheckBox1->Show();
    Form2->Label4->Show();
    Form2->CheckBox2->Show();
    Form2->Label5->Show();
    Form2->CheckBox3->Show();
    Form2->Label6->Show();
    Form2->ssSkinButton2->Show();
    Form2->Label7->Show();
    Form2->Label8->Hide();
}

namespace {

// The slider positions into the account's "zuvi.ini".
void WriteVolumesFile(TForm1* form, const zuvi::client::AccountFiles& files)
{
    files.writeVolumes({form->TrackBar1->Position(), form->TrackBar2->Position()});
}

bool AutoHideTicked()
{
    return Form3 && Form3->CheckBox3->Checked();
}

} // namespace

QString TrayIconPath(int state)
{
    return QDir(ResourceDir()).filePath(state == 1 ? QStringLiteral("pic/zuvi_Icon.ico") : QStringLiteral("pic/zuvi_Icon1.ico"));
}

// Title bar and menus -------------------------------------------------------------------------

void TForm1::ssSkinButton4Click(TObject*)
{
    const TPoint button = ssSkinButton4->ClientToScreen(Point(0, 0));
    const TPoint client = ClientToScreen(Point(0, 0));
    PopupMenu2->Popup(button.X, client.Y);
}

void TForm1::ssSkinButton1Click(TObject*) { Hide(); }

void TForm1::ssSkinButton2Click(TObject*)
{
    if (!Form4)
        return;
    if (!Form4->CheckBox1->Checked()) {
        Form4->Show();
        return;
    }
    if (Form4->RadioButton1->Checked()) {
        Hide();
        return;
    }
    Timer1->SetEnabled(false);
    Timer3->SetEnabled(false);
    Hide();
    UnregisterSipAccounts();
    Application->Terminate();
}

void TForm1::Label11Click(TObject*) { OpenSitePage(QStringLiteral("/pay.html")); }
void TForm1::N2Click(TObject*) { OpenSitePage(QString()); }
void TForm1::N3Click(TObject*) { OpenSitePage(QStringLiteral("/help/index.html")); }
void TForm1::N4Click(TObject*) { OpenSitePage(QStringLiteral("/pay.html")); }
void TForm1::N6Click(TObject*) { OpenSitePage(QStringLiteral("/center.html")); }

void TForm1::N7Click(TObject*)
{
    if (!Form3)
        return;
    Form3->LoadSystemSettings();
    Form3->Show();
}

void TForm1::N14Click(TObject*)
{
    if (!Form7)
        return;
    Form7->Show();
    Form7->CheckSoftwareVersion();
}

void TForm1::N8Click(TObject*)
{
    UnregisterSipAccounts();
    if (Label1->Caption().isEmpty())
        return;
    // The account's lists and volumes go into its own folder now: once Label1 is empty, later
    // writes (the shut-down's included) land in the data folder, and a contact edit not yet
    // written would be lost for the account.
    SaveAccountFiles(false);
    FSwitchingAccount = true;
    Label1->SetCaption(QString());
    Label13->SetCaption(QString());
    Label14->SetCaption(QString());
    Form2->FHamc.clear();
    Hide();
    ShowLoginInputs();
    Form2->Show();
    Form2->LoadLoginSettings();
    FSwitchingAccount = false;
}

void TForm1::N10Click(TObject*)
{
    UnregisterSipAccounts();
    Timer1->SetEnabled(false);
    Timer3->SetEnabled(false);
    Application->Terminate();
}

// Notification-area icon ----------------------------------------------------------------------

void TForm1::TrayIcon1DblClick(TObject*)
{
    TCustomForm* form = Label1->Caption().isEmpty() ? static_cast<TCustomForm*>(Form2) : this;
    if (!form)
        return;
    form->Show();
    form->SetWindowState(wsNormal);
    form->SetTopMost(true);
}

void TForm1::SetTrayIconState(int state)
{
    TIcon probe;
    if (!probe.LoadFromFile(TrayIconPath(state)))
        return;
    TrayIcon1->SetIconIndex(state);
    TrayIcon1->SetImages(ImageList1);
}

bool TForm1::TrayMessage() { return true; }

void TForm1::Timer8Timer(TObject*)
{
    TrayBlinkState = TrayBlinkState == 0 ? 1 : 0;
    TrayMessage();
}

// Edge auto-hide: the window slides up behind the top edge and back down over its strip ------

void TForm1::Timer5Timer(TObject*)
{
    if (DockAnimating == 1)
        return;
    const TPoint p = Screen->CursorPos();
    if (p.X >= Left() && p.X <= Left() + Width() && p.Y >= Top() && p.Y <= Top() + Height()) {
        Timer6->SetEnabled(false);
        return;
    }
    if (DockHidden == 1 || Top() > 10 || !AutoHideTicked())
        return;
    Timer6->SetEnabled(true);
}

void TForm1::Timer6Timer(TObject*)
{
    if (DockHidden == 1 || DockAnimating == 1)
        return;
    DockAnimating = 1;
    Timer6->SetEnabled(false);
    SetTop(10);
    DockSavedTop = 10;
    for (int i = 0, steps = Height() / 10 - 1; i < steps; ++i) {
        SetTop(Top() - 10);
        zuvi::os::sleepMs(1);
    }
    DockHidden = 1;
    DockAnimating = 0;
}

void TForm1::ssSkinForm1MouseMove(TObject*, TShiftState, int, int)
{
    if (DockFirstMove == 1) {
        Timer5->SetEnabled(true);
        DockFirstMove = 0;
        return;
    }
    if (DockAnimating == 1)
        return;
    DockAnimating = 1;
    if (DockHidden == 1) {
        for (int i = 0, steps = Height() / 10; i < steps; ++i) {
            SetTop(Top() + 10);
            zuvi::os::sleepMs(1);
        }
        SetTop(DockSavedTop);
    }
    DockHidden = 0;
    DockAnimating = 0;
}

// Links the window keeps hidden, and the address monitor that never reports -----------------

void TForm1::Label15Click(TObject* Sender)
{
    Edit1->SetText(zuvi::net::serviceNumber());
    ssSkinButton3Click(Sender);
}

void TForm1::Label16Click(TObject*)
{
    if (synchronous)
        synchronous->Show();
}

void TForm1::Label17Click(TObject*)
{
    if (Form16)
        Form16->Show();
}

void TForm1::IdIPAddrMon1Status(TObject*)
{
    Label13->SetCaption(QStringLiteral("检查到网络地址变化，请重新登录"));
    zuvi::os::sleepMs(2000);
    ShowLoginInputs();
    Hide();
    Form2->Show();
}

void TForm1::SaveAccountFiles(bool withHistory)
{
    // Each write on its own: one that fails is reported and the others still run.
    const zuvi::client::AccountFiles files(Label1->Caption());
    files.makeFolder();
    Guard([&] { WriteContactFile(Label1->Caption()); });
    if (withHistory) {
        Guard([&] {
            const QString call = files.prepare(files.callHistory());
            TStrings* history = ListBox1->Items();
            if (zuvi::client::showsNoHistory(history->ToList()))
                history->Clear();
            history->SaveToFile(call);
        });
    }
    Guard([&] { WriteVolumesFile(this, files); });
}

// Shut-down: SIP first, then the account's files, then the login form ------------------------

void TForm1::FormDestroy(TObject*)
{
    ::UnregisterSipAccounts();
    if (FInCall) {
        HangUpCall();
        FInCall = false;
    }
    DestroySipStack();

    SaveAccountFiles(true);

    if (Form2) {
        Form2->Free();
        Form2 = nullptr;
    }
}
