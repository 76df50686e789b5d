// Contact edit dialog: replaces the selected contact line of the main window's list, then uploads it.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <memory>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

namespace zuvi::net {
class HttpClient;
}

class TForm9 : public zuvi::ui::TForm {
public:
    explicit TForm9(zuvi::ui::TComponent* Owner);
    ~TForm9() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr; // background with the title 编辑联系人
    zuvi::ui::TLabel* Label1 = nullptr; // "姓名"
    zuvi::ui::TEdit* Edit1 = nullptr; // name
    zuvi::ui::TLabel* Label2 = nullptr; // "联系号码"
    zuvi::ui::TEdit* Edit2 = nullptr; // number
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // OK
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // cancel
    std::unique_ptr<zuvi::net::HttpClient> IdHTTP1; // the upload: browser Accept, cookies kept

    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
};

extern TForm9* Form9;
