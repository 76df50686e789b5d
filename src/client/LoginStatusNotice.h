// Login-status notice: the connection to the service at the bottom right, with its reachability poll.
#pragma once

#include "platform/ui/Components.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QDateTime>

#include <memory>

namespace zuvi::net {
class HttpClient;
}
namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

class TForm17 : public zuvi::ui::TForm {
public:
    explicit TForm17(zuvi::ui::TComponent* Owner);
    ~TForm17() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // the notice text
    zuvi::ui::TTimer* Timer1 = nullptr; // display time
    zuvi::ui::TTimer* Timer2 = nullptr; // reachability poll
    std::unique_ptr<zuvi::net::HttpClient> IdHTTP1;
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // close cross, without a click action

    // Text of a state (0 "网络连接中断", 1 the welcome, any other unchanged), place, display
    // time; the caller shows the window afterwards.
    void ShowLoginStatus(int state);
    void Timer1Timer(zuvi::ui::TObject* Sender);
    void Timer2Timer(zuvi::ui::TObject* Sender);
    void ssSkinButton4Click(zuvi::ui::TObject* Sender);

    bool FOnline = false; // verdict of the last poll that reached one
};

extern TForm17* Form17;

// The moment of the last TForm17::ShowLoginStatus (invalid until then).
extern QDateTime NoticeShownTime;
