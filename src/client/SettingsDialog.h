// Settings dialog: account information, security link and the basic settings boxes.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

namespace zuvi::client {
struct LoginDetails;
} // namespace zuvi::client

class TForm3 : public zuvi::ui::TForm {
public:
    explicit TForm3(zuvi::ui::TComponent* Owner);

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // "账户信息"
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // "基本设置"
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // "安全设置"
    zuvi::skin::TssSkinButton* ssSkinButton6 = nullptr; // OK
    zuvi::skin::TssSkinButton* ssSkinButton5 = nullptr; // cancel

    // Account information.
    zuvi::ui::TPanel* Panel2 = nullptr;
    zuvi::ui::TLabel* Label3 = nullptr; // "账户信息"
    zuvi::ui::TLabel* Label4 = nullptr; // "账号："
    zuvi::ui::TLabel* Label5 = nullptr; // account name
    zuvi::ui::TLabel* Label6 = nullptr; // "账户余额："
    zuvi::ui::TLabel* Label7 = nullptr; // balance
    zuvi::ui::TLabel* Label26 = nullptr; // second balance
    zuvi::ui::TLabel* Label8 = nullptr; // "我要充值"
    zuvi::ui::TLabel* Label9 = nullptr; // "登录信息"
    zuvi::ui::TLabel* Label10 = nullptr; // "上次登录时间："
    zuvi::ui::TLabel* Label15 = nullptr; // login_time
    zuvi::ui::TLabel* Label11 = nullptr; // "上次登录客户端IP："
    zuvi::ui::TLabel* Label16 = nullptr; // ip
    zuvi::ui::TLabel* Label12 = nullptr; // "本次登录时间："
    zuvi::ui::TLabel* Label17 = nullptr; // current_logintime
    zuvi::ui::TLabel* Label13 = nullptr; // "本次登录客户端IP："
    zuvi::ui::TLabel* Label18 = nullptr; // current_ip
    zuvi::ui::TLabel* Label14 = nullptr; // "登录次数："
    zuvi::ui::TLabel* Label19 = nullptr; // total_login_times

    // Security.
    zuvi::ui::TPanel* Panel1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr;
    zuvi::ui::TLabel* Label2 = nullptr; // "修改密码"

    // Basic settings.
    zuvi::ui::TPanel* Panel3 = nullptr;
    zuvi::ui::TLabel* Label21 = nullptr; // "启动和登录设置"
    zuvi::ui::TLabel* Label20 = nullptr; // "显示设置"
    zuvi::ui::TCheckBox* CheckBox1 = nullptr; // automatic login
    zuvi::ui::TLabel* Label22 = nullptr;
    zuvi::ui::TCheckBox* CheckBox4 = nullptr; // start with the session
    zuvi::ui::TLabel* Label23 = nullptr;
    zuvi::ui::TCheckBox* CheckBox2 = nullptr; // always on top
    zuvi::ui::TLabel* Label24 = nullptr;
    zuvi::ui::TCheckBox* CheckBox3 = nullptr; // auto-hide at the top edge
    zuvi::ui::TLabel* Label25 = nullptr;

    // Loads the four boxes from login.ini, set.ini and the Run key (click handlers run on change).
    void LoadSystemSettings();
    // The account page after a login or a balance refresh: the details the reply gave, the
    // account and the login state's two balances.
    void ShowLoginDetails(const zuvi::client::LoginDetails& details, const QString& account);

    void FormCreate(zuvi::ui::TObject* Sender);
    void FormDestroy(zuvi::ui::TObject* Sender);
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void ssSkinButton6Click(zuvi::ui::TObject* Sender);
    void ssSkinButton5Click(zuvi::ui::TObject* Sender);
    void CheckBox1Click(zuvi::ui::TObject* Sender);
    void CheckBox4Click(zuvi::ui::TObject* Sender);
    void CheckBox2Click(zuvi::ui::TObject* Sender);
    void Label8Click(zuvi::ui::TObject* Sender);
    void Label2Click(zuvi::ui::TObject* Sender);

private:
    void ShowPage(zuvi::ui::TPanel* page);
    void SaveDisplaySettings();
    // The boxes hold loaded values only after the first LoadSystemSettings of the run.
    bool FLoaded = false;
};

extern TForm3* Form3;

// "login.ini" of the account whose settings the main window loaded last; "set.ini".
QString AutoLoginFile();
QString SystemSettingsFile();
