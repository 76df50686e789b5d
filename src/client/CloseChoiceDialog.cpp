// Close-choice dialog: hide the main window to the notification area or end the program.
#include "client/CloseChoiceDialog.h"

#include "client/MainWindow.h"
#include "platform/os/folders.h"
#include "platform/os/inifile.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;

TForm4* Form4 = nullptr;

namespace {

zuvi::os::IniFile exitIni()
{
    zuvi::os::ensureDir(zuvi::os::dataFolder());
    return zuvi::os::IniFile(zuvi::os::dataFolder() + QStringLiteral("exit.ini"));
}

} // namespace

TForm4::TForm4(TComponent* Owner)
    : TForm(Owner)
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label2", Label2)
        .field("RadioButton1", RadioButton1)
        .field("Label3", Label3)
        .field("RadioButton2", RadioButton2)
        .field("Label4", Label4)
        .field("CheckBox1", CheckBox1)
        .field("Label1", Label1)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton2", ssSkinButton2);
    b.handler("FormCreate", this, &TForm4::FormCreate)
        .handler("FormDestroy", this, &TForm4::FormDestroy)
        .handler("ssSkinButton1Click", this, &TForm4::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &TForm4::ssSkinButton2Click);
    LoadFormLayout(this, QStringLiteral("CloseChoiceDialog.form"), b);
}

void TForm4::FormCreate(TObject*)
{
    zuvi::os::IniFile ini = exitIni();
    bool exitChoice = ini.readBool(QStringLiteral("item1"), QStringLiteral("exit"), false);
    bool noReminder = ini.readBool(QStringLiteral("item2"), QStringLiteral("exit"), false);
    CheckBox1->SetChecked(noReminder);
    if (exitChoice) {
        RadioButton1->SetChecked(false);
        RadioButton2->SetChecked(true);
    } else {
        RadioButton1->SetChecked(true);
        RadioButton2->SetChecked(false);
    }
}

void TForm4::ssSkinButton1Click(TObject*)
{
    Close();
    if (RadioButton1->Checked()) {
        Form1->Hide();
        return;
    }
    Form1->UnregisterSipAccounts();
    Application->Terminate();
}

void TForm4::ssSkinButton2Click(TObject*)
{
    Close();
}

void TForm4::FormDestroy(TObject*)
{
    zuvi::os::IniFile ini = exitIni();
    ini.writeBool(QStringLiteral("item1"), QStringLiteral("exit"), !RadioButton1->Checked());
    ini.writeBool(QStringLiteral("item2"), QStringLiteral("exit"), CheckBox1->Checked());
}
