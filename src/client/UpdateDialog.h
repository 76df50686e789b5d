// Update dialog of the main menu: the version check on each showing and the installer download.
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

class TForm7 : public zuvi::ui::TForm {
public:
    explicit TForm7(zuvi::ui::TComponent* Owner);
    ~TForm7() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // message line
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // 升级
    zuvi::skin::TssSkinButton* ssSkinButton4 = nullptr; // 确认
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // 不升级
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // ×

    // Asks the service for the newest version and shows the outcome.
    void CheckSoftwareVersion();
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void ssSkinButton4Click(zuvi::ui::TObject* Sender);

    // Installer URL of the last readable version check.
    const QString& UpdateUrl() const { return FUpdateUrl; }

private:
    QString FUpdateUrl;
    std::unique_ptr<zuvi::net::HttpClient> IdHTTP1;
};

extern TForm7* Form7;
