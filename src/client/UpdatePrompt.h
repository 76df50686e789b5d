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

class TForm6 : public zuvi::ui::TForm {
public:
    explicit TForm6(zuvi::ui::TComponent* Owner);
    ~TForm6() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // message line
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // 升级
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // 不升级
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // ×

    void FormCreate(zuvi::ui::TObject* Sender);
    void FormDestroy(zuvi::ui::TObject* Sender);
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);

    // Installer URL of the last version check; empty when there is none.
    const QString& UpdateUrl() const { return FUpdateUrl; }

private:
    QString FUpdateUrl;
    std::unique_ptr<zuvi::net::HttpClient> IdHTTP1;
};

extern TForm6* Form6;

// Shared by both update windows. The version check: a readable reply stores its URL and shows its
// text; the up-to-date outcome hides 升级 and 不升级, an update hides `ok` (when given). Buttons are
// only ever hidden. The form is repainted.
void ShowVersionCheck(zuvi::ui::TForm* form, zuvi::net::HttpClient& http, QString& url, zuvi::ui::TLabel* label,
    zuvi::ui::TControl* upgrade, zuvi::ui::TControl* skip, zuvi::ui::TControl* ok);

// Download and install: on a failed download its message (errorText) in a message box and false;
// after a successful one the installer is started, its deletion asked for and true returned (the
// caller ends the program).
bool InstallUpdate(const QString& url, QString (*errorText)(quint32));
