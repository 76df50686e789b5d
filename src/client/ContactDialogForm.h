// What the contact add and edit dialogs share: their components, the checks, the upload, Cancel.
#pragma once

#include "client/core/ContactUpload.h"
#include "platform/net/HttpClient.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

#include <memory>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

// The components of TForm5 and TForm9 (the same layout, titles in the backgrounds).
class TContactDialog : public zuvi::ui::TForm {
public:
    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr; // background with the title
    zuvi::ui::TLabel* Label1 = nullptr; // "姓名"
    zuvi::ui::TEdit* Edit1 = nullptr; // name
    zuvi::ui::TLabel* Label2 = nullptr; // "联系号码"
    zuvi::ui::TEdit* Edit2 = nullptr; // number
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // OK
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // cancel
    std::unique_ptr<zuvi::net::HttpClient> IdHTTP1; // the upload: browser Accept, cookies kept

    // Cancel: the dialog is hidden, its fields keep their text.
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);

protected:
    explicit TContactDialog(zuvi::ui::TComponent* Owner);
    ~TContactDialog() override;

    // Builds the dialog from its layout; Dialog's own OK handler is bound as ssSkinButton1Click.
    template<class Dialog>
    void LoadLayout(Dialog* self, const QString& layout)
    {
        zuvi::ui::FormBinding b;
        BindComponents(b);
        b.handler("ssSkinButton1Click", self, &Dialog::ssSkinButton1Click);
        zuvi::ui::LoadFormLayout(self, layout, b);
    }

    // Runs the checks of the typed contact; the first failing one shows its message. True when
    // all pass.
    static bool CheckTypedContact(const QString& name, const QString& number);
    // Uploads the typed contact with the login state's account name and token hash.
    zuvi::client::UploadOutcome UploadTypedContact(const QString& name, const QString& number);

private:
    // The components and the Cancel handler.
    void BindComponents(zuvi::ui::FormBinding& b);
};
