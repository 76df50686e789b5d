// Start-up update prompt: the version check at its creation, the installer download or the login form.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

#include <memory>

namespace zuvi::net {
class HttpClient;
}
namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin
namespace zuvi::ui {
class FormBinding;
}

// What both update windows share: the background, the message line, 升级, 不升级 and ×, the
// installer URL of the last readable check and the form's own web client.
class TUpdateForm : public zuvi::ui::TForm {
public:
    ~TUpdateForm() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // message line
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // 升级
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // 不升级
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // ×

    // Installer URL of the last readable version check; empty when there is none.
    const QString& UpdateUrl() const { return FUpdateUrl; }

protected:
    explicit TUpdateForm(zuvi::ui::TComponent* Owner);
    // Binds the shared components.
    void BindCommon(zuvi::ui::FormBinding& b);
    // The version check: a readable reply stores its URL and shows its text; up to date hides
    // 升级 and 不升级, an update hides `ok` (when given). Buttons are only ever hidden. Repaints.
    void ShowVersionCheck(zuvi::ui::TControl* ok);
    // Download and install: a failed download shows its message (errorText) and gives false;
    // after a successful one the installer is started, its deletion asked for and true returned.
    bool InstallUpdate(QString (*errorText)(quint32));

    QString FUpdateUrl;
    std::unique_ptr<zuvi::net::HttpClient> IdHTTP1;
};

class TForm6 : public TUpdateForm {
public:
    explicit TForm6(zuvi::ui::TComponent* Owner);
    ~TForm6() override;

    void FormCreate(zuvi::ui::TObject* Sender);
    void FormDestroy(zuvi::ui::TObject* Sender);
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
};

extern TForm6* Form6;
