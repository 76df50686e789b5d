// Login form: account and password, the login switches, the login sequence and the Login state.
#pragma once

#include "platform/ui/Components.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

#include <memory>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

namespace zuvi::client {
class LoginSession;
} // namespace zuvi::client

class TForm2 : public zuvi::ui::TForm {
public:
    explicit TForm2(zuvi::ui::TComponent* Owner);
    ~TForm2() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // "帐号"
    zuvi::ui::TComboBox* frxComboBox1 = nullptr; // account name; its list: remembered accounts
    zuvi::ui::TLabel* Label2 = nullptr; // "密码"
    zuvi::ui::TMaskEdit* MaskEdit1 = nullptr; // password
    zuvi::ui::TLabel* Label3 = nullptr; // "找回密码"
    zuvi::ui::TCheckBox* CheckBox1 = nullptr; // save my information
    zuvi::ui::TLabel* Label4 = nullptr;
    zuvi::ui::TCheckBox* CheckBox2 = nullptr; // remember my password
    zuvi::ui::TLabel* Label5 = nullptr;
    zuvi::ui::TCheckBox* CheckBox3 = nullptr; // log me in automatically
    zuvi::ui::TLabel* Label6 = nullptr;
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // login
    zuvi::ui::TLabel* Label7 = nullptr; // "注册新账户，打免费电话"
    zuvi::ui::TLabel* Label8 = nullptr; // "正在登录，请稍候"
    zuvi::ui::TImage* Image2 = nullptr; // banner
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // hide
    zuvi::skin::TssSkinButton* ssSkinButton4 = nullptr; // quit
    zuvi::ui::TTimer* Timer1 = nullptr; // runs the login

    // Login state (read by the other windows).
    QString FHamc; // token hash
    QString FVosIp; // SIP server address
    QString FBalance; // balance text
    QString FBalanceMin; // second balance text

    void FormCreate(zuvi::ui::TObject* Sender);
    void FormDestroy(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void MaskEdit1KeyUp(zuvi::ui::TObject* Sender, zuvi::ui::WORD& Key, zuvi::ui::TShiftState Shift);
    void frxComboBox1KeyUp(zuvi::ui::TObject* Sender, zuvi::ui::WORD& Key, zuvi::ui::TShiftState Shift);
    void Timer1Timer(zuvi::ui::TObject* Sender);
    void ssSkinButton4Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void Label7Click(zuvi::ui::TObject* Sender);
    void Label3Click(zuvi::ui::TObject* Sender);
    void Image2Click(zuvi::ui::TObject* Sender);
    void CheckBox2Click(zuvi::ui::TObject* Sender);
    void frxComboBox1Change(zuvi::ui::TObject* Sender);

    // Loads the remembered accounts, switches and password; may arm the automatic login.
    void LoadLoginSettings();
    // SIP credentials of the account: CheckPM, else CreatePM. Outputs untouched when nothing came.
    void GetPhoneAccount(QString& vosId, QString& vosPw);
    void CreatePhoneAccount(QString& vosId, QString& vosPw);

private:
    void SetLoginControlsVisible(bool visible);
    std::unique_ptr<zuvi::client::LoginSession> IdHTTP1; // the form's requests, through its own web client
};

extern TForm2* Form2;

// True when every character (in the ANSI code page) is an ASCII letter or digit; "" is true.
bool IsAlphaNumeric(const QString& text);
