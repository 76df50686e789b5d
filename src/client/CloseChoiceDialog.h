// Close-choice dialog: hide the main window to the notification area or end the program.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

class TForm4 : public zuvi::ui::TForm {
public:
    explicit TForm4(zuvi::ui::TComponent* Owner);

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label2 = nullptr;
    zuvi::ui::TRadioButton* RadioButton1 = nullptr; // hide to the notification area
    zuvi::ui::TLabel* Label3 = nullptr;
    zuvi::ui::TRadioButton* RadioButton2 = nullptr; // end the program
    zuvi::ui::TLabel* Label4 = nullptr;
    zuvi::ui::TCheckBox* CheckBox1 = nullptr; // "不再提醒"
    zuvi::ui::TLabel* Label1 = nullptr;
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // OK
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // cancel

    void FormCreate(zuvi::ui::TObject* Sender);
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void FormDestroy(zuvi::ui::TObject* Sender);
};

extern TForm4* Form4;
