// Address-book restore notice: the state of a run (in progress, done, failed) at the bottom right.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

class TSynstatus : public zuvi::ui::TForm {
public:
    explicit TSynstatus(zuvi::ui::TComponent* Owner);
    ~TSynstatus() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // in-progress text
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // OK
    zuvi::ui::TLabel* Label2 = nullptr; // result text

    // Picture, texts and place of a state (0 in progress, 1 done, 2 failed); the caller shows
    // the window first.
    void ShowSyncStatus(int state);
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
};

extern TSynstatus* Synstatus;

// The picture of a state in "pic" beside the program: syn_doing.bmp, syn_done.bmp, syn_failed.bmp.
QString SyncPicturePath(int state);
