// Main window: account and balance, tabs, contact list, dial area, call history, promotions and tray icon.
#pragma once

#include "client/core/WebGet.h"
#include "platform/ui/Components.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

#include <memory>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

// Local-address monitor of the main window: never raises its events.
class TIdIPAddrMon : public zuvi::ui::TComponent {
public:
    explicit TIdIPAddrMon(zuvi::ui::TComponent* AOwner)
        : TComponent(AOwner)
    { }
    QString ClassName() const override { return QStringLiteral("TIdIPAddrMon"); }
    bool Active = false;
    zuvi::ui::TNotifyEvent OnStatus;
};

// Web client of the main window's requests (CheckPM, CreatePM, Login refresh, Activity).
class MainWebClient;

class TForm1 : public zuvi::ui::TForm {
public:
    explicit TForm1(zuvi::ui::TComponent* Owner);
    ~TForm1() override;

    // Frame and account.
    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TImage* Image1 = nullptr; // avatar
    zuvi::ui::TLabel* Label1 = nullptr; // logged-in account name
    zuvi::ui::TLabel* Label2 = nullptr; // "余额："
    zuvi::ui::TLabel* Label3 = nullptr; // balance
    zuvi::ui::TLabel* Label12 = nullptr; // second balance
    zuvi::ui::TLabel* Label11 = nullptr; // "账户充值"
    zuvi::skin::TssSkinButton* ssSkinButton4 = nullptr; // menu
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // hide
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // close

    // Tabs.
    zuvi::ui::TImage* Image5 = nullptr; // tab strip
    zuvi::ui::TImage* Image8 = nullptr; // contacts highlight
    zuvi::ui::TImage* Image9 = nullptr; // dial highlight
    zuvi::ui::TImage* Image7 = nullptr; // history highlight
    zuvi::ui::TImage* Image6 = nullptr; // promotions highlight
    zuvi::ui::TLabel* Label4 = nullptr;
    zuvi::ui::TLabel* Label5 = nullptr;
    zuvi::ui::TLabel* Label6 = nullptr;
    zuvi::ui::TLabel* Label7 = nullptr;

    // Pages.
    zuvi::ui::TPanel* Panel1 = nullptr; // contacts
    zuvi::ui::TValueListEditor* ValueListEditor1 = nullptr;
    zuvi::ui::TValueListEditor* ValueListEditor2 = nullptr; // placeholder "暂无记录"
    zuvi::ui::TPanel* Panel2 = nullptr; // dial tips
    zuvi::ui::TLabel* Label8 = nullptr;
    zuvi::ui::TLabel* Label9 = nullptr;
    zuvi::ui::TLabel* Label10 = nullptr;
    zuvi::ui::TPanel* Panel3 = nullptr; // call history
    zuvi::ui::TListBox* ListBox1 = nullptr;
    zuvi::ui::TPanel* Panel5 = nullptr; // promotions
    zuvi::ui::TMemo* Memo1 = nullptr;

    // Dial area.
    zuvi::ui::TPanel* Panel4 = nullptr;
    zuvi::ui::TLabel* Label14 = nullptr; // upper status line
    zuvi::ui::TLabel* Label13 = nullptr; // lower status line
    zuvi::ui::TLabel* Label15 = nullptr; // "免费客服" (always hidden)
    zuvi::ui::TLabel* Label16 = nullptr; // "同步通讯录" (always hidden)
    zuvi::ui::TLabel* Label17 = nullptr; // "语音测试" (always hidden)
    zuvi::skin::TssSkinButton* ssSkinButton6 = nullptr; // add contact
    zuvi::ui::TEdit* Edit1 = nullptr; // dial edit
    zuvi::skin::TssSkinButton* ssSkinButton7 = nullptr; // backspace
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // call
    zuvi::skin::TssSkinButton* ssSkinButton8 = nullptr; // busy
    zuvi::skin::TssSkinButton* ssSkinButton5 = nullptr; // hang up
    zuvi::ui::TImage* Image3 = nullptr; // speaker
    zuvi::ui::TTrackBar* TrackBar1 = nullptr; // speaker volume
    zuvi::ui::TImage* Image4 = nullptr; // microphone
    zuvi::ui::TTrackBar* TrackBar2 = nullptr; // microphone volume

    zuvi::ui::TImage* Image2 = nullptr; // banner

    // Components without a place.
    zuvi::ui::TPopupMenu* PopupMenu1 = nullptr; // contact menu
    zuvi::ui::TMenuItem* N1 = nullptr; // "呼叫"
    zuvi::ui::TMenuItem* N11 = nullptr; // "编辑"
    zuvi::ui::TMenuItem* N12 = nullptr; // "添加"
    zuvi::ui::TMenuItem* N13 = nullptr; // "删除"
    zuvi::ui::TPopupMenu* PopupMenu2 = nullptr; // main menu
    zuvi::ui::TMenuItem* N2 = nullptr; // "了解Zuvi"
    zuvi::ui::TMenuItem* N3 = nullptr; // "帮助中心"
    zuvi::ui::TMenuItem* N4 = nullptr; // "我要充值"
    zuvi::ui::TMenuItem* N5 = nullptr; // separator
    zuvi::ui::TMenuItem* N6 = nullptr; // "我的Zuvi"
    zuvi::ui::TMenuItem* N7 = nullptr; // "系统设置"
    zuvi::ui::TMenuItem* N14 = nullptr; // "软件升级"
    zuvi::ui::TMenuItem* N8 = nullptr; // "切换账户"
    zuvi::ui::TMenuItem* N9 = nullptr; // separator
    zuvi::ui::TMenuItem* N10 = nullptr; // "退出"
    zuvi::ui::TTrayIcon* TrayIcon1 = nullptr;
    zuvi::ui::TImageList* ImageList1 = nullptr; // 0 offline, 1 online
    TIdIPAddrMon* IdIPAddrMon1 = nullptr;
    std::shared_ptr<MainWebClient> IdHTTP1; // set up by the call code
    zuvi::ui::TTimer* Timer1 = nullptr; // after-call processing
    zuvi::ui::TTimer* Timer2 = nullptr; // keep-alive (never enabled)
    zuvi::ui::TTimer* Timer3 = nullptr; // promotions fetch
    zuvi::ui::TTimer* Timer4 = nullptr; // in-call clock
    zuvi::ui::TTimer* Timer5 = nullptr; // auto-hide watcher
    zuvi::ui::TTimer* Timer6 = nullptr; // slide-up delay
    zuvi::ui::TTimer* Timer7 = nullptr; // status-line clearing
    zuvi::ui::TTimer* Timer8 = nullptr; // tray blink

    // Creation and settings (MainWindow.cpp).
    void FormCreate(zuvi::ui::TObject* Sender);
    void LoadUserSettings(const QString& account);
    void SortContacts(zuvi::ui::TValueListEditor* list);
    // The account name and the login state's two balances in the title area.
    void ShowAccount(const QString& account);
    // The contact list and the call history from the folder of Label1's account; a missing file
    // is made empty and gives an empty list.
    void LoadAccountLists();
    // The contact list into the account's "contact" (folder one level and an empty file made
    // first when missing).
    void WriteContactFile(const QString& account);

    // Tabs.
    void Image8Click(zuvi::ui::TObject* Sender);
    void Label4Click(zuvi::ui::TObject* Sender);
    void Image9Click(zuvi::ui::TObject* Sender);
    void Label5Click(zuvi::ui::TObject* Sender);
    void Image7Click(zuvi::ui::TObject* Sender);
    void Label6Click(zuvi::ui::TObject* Sender);
    void Image6Click(zuvi::ui::TObject* Sender);
    void Label7Click(zuvi::ui::TObject* Sender);

    // Contact list and dial edit.
    void ValueListEditor1SelectCell(zuvi::ui::TObject* Sender, int ACol, int ARow, bool& CanSelect);
    void ValueListEditor1MouseUp(zuvi::ui::TObject* Sender, zuvi::ui::TMouseButton Button,
        zuvi::ui::TShiftState Shift, int X, int Y);
    void N1Click(zuvi::ui::TObject* Sender);
    void N11Click(zuvi::ui::TObject* Sender);
    void N12Click(zuvi::ui::TObject* Sender);
    void N13Click(zuvi::ui::TObject* Sender);
    void ssSkinButton6Click(zuvi::ui::TObject* Sender);
    void ssSkinButton7Click(zuvi::ui::TObject* Sender);
    void Edit1KeyUp(zuvi::ui::TObject* Sender, zuvi::ui::WORD& Key, zuvi::ui::TShiftState Shift);

    // SIP accounts.
    void RegisterLoginAccount(const QString& user, const QString& password);
    void UnregisterSipAccounts();

    // Calls and history (MainWindowCalls.cpp).
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void ssSkinButton5Click(zuvi::ui::TObject* Sender);
    void CreatePhoneAccount();
    void TrackBar1Change(zuvi::ui::TObject* Sender);
    void TrackBar2Change(zuvi::ui::TObject* Sender);
    void Timer4Timer(zuvi::ui::TObject* Sender);
    void Timer7Timer(zuvi::ui::TObject* Sender);
    void Timer1Timer(zuvi::ui::TObject* Sender);

    // Frame, menus, tray, auto-hide and shut-down (MainWindowFrame.cpp).
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton4Click(zuvi::ui::TObject* Sender);
    void Label11Click(zuvi::ui::TObject* Sender);
    void N2Click(zuvi::ui::TObject* Sender);
    void N3Click(zuvi::ui::TObject* Sender);
    void N4Click(zuvi::ui::TObject* Sender);
    void N6Click(zuvi::ui::TObject* Sender);
    void N7Click(zuvi::ui::TObject* Sender);
    void N8Click(zuvi::ui::TObject* Sender);
    void N10Click(zuvi::ui::TObject* Sender);
    void N14Click(zuvi::ui::TObject* Sender);
    void TrayIcon1DblClick(zuvi::ui::TObject* Sender);
    void Timer5Timer(zuvi::ui::TObject* Sender);
    void Timer6Timer(zuvi::ui::TObject* Sender);
    void Timer8Timer(zuvi::ui::TObject* Sender);
    void ssSkinForm1MouseMove(zuvi::ui::TObject* Sender, zuvi::ui::TShiftState Shift, int X, int Y);
    void IdIPAddrMon1Status(zuvi::ui::TObject* Sender);
    void Label15Click(zuvi::ui::TObject* Sender);
    void Label16Click(zuvi::ui::TObject* Sender);
    void Label17Click(zuvi::ui::TObject* Sender);
    void FormDestroy(zuvi::ui::TObject* Sender);
    void SetTrayIconState(int state);
    bool TrayMessage();

    // Promotions, banner and keep-alive (MainWindowPromotions.cpp).
    void FormShow(zuvi::ui::TObject* Sender);
    void Timer2Timer(zuvi::ui::TObject* Sender);
    void Timer3Timer(zuvi::ui::TObject* Sender);
    void Image2Click(zuvi::ui::TObject* Sender);

    // Read by the login form, the settings dialogs and the tests.
    const QString& CurrentUser() const { return FCurrentUser; }
    bool SwitchingAccount() const { return FSwitchingAccount; }
    const QString& AdLink() const { return FAdLink; }
    int ClickedRow() const { return FClickedRow; }

private:
    friend class TForm1Access;
    // Sets the SIP library's call hooks; runs right before InitSipStack (MainWindowCalls.cpp).
    void InstallSipHooks();
    // The contact list, the call history when asked, and the volumes into Label1's account folder.
    void SaveAccountFiles(bool withHistory);
    void ShowTab(zuvi::ui::TPanel* page, zuvi::ui::TImage* highlight, bool focusDial);
    void HideServiceLinks();
    void LoadBanner();

    QString FCallDurationText;
    QString FCallStartText;
    QString FAdLink;
    bool FInCall = false;
    bool FSwitchingAccount = false;
    int FClickedRow = 0;
    QString FCurrentUser;
    QString FVosId;
    QString FVosPw;
};

extern TForm1* Form1;

// Contact lookups on Form1's contact list; row = index of the line + 1, set only on success.
bool FindContactByNumber(const QString& number, int& row);
bool FindContact(const QString& text, int& row);

// Account folder of the account shown in Form1's Label1 (the data folder while nobody is logged in).
QString CurrentAccountFolder();
// Writes Form1's contact list into the "contact" file of Label1's account (see WriteContactFile).
void SaveContactFile();

// The Login state as the main window's requests read it from the login form (empty without one).
QString LoginAccountText();
QString LoginPasswordText();
QString LoginHamc();
QString LoginVosIp();
// GETs through the main window's web client (made on first use).
zuvi::client::WebGet MainWeb(TForm1* form);

// The login form's inputs, shown again for a new login; its busy text hidden.
void ShowLoginInputs();

// The banner picture from the data folder into image, which is shown; an empty file is removed
// instead. Throws for a file that is not a JPEG picture.
void LoadBannerPicture(zuvi::ui::TImage* image);

// Edge auto-hide state (MainWindowFrame.cpp): 1 while slid up; 1 while a slide runs; the top to slide
// back to; 1 until the first mouse move over the background.
extern int DockHidden;
extern int DockAnimating;
extern int DockSavedTop;
extern int DockFirstMove;
// Flipped every second by Timer8; nothing reads it.
extern int TrayBlinkState;
// Icon test file in "pic" beside the program: zuvi_Icon.ico for state 1, zuvi_Icon1.ico otherwise.
QString TrayIconPath(int state);
