// Update dialog of the main menu: the version check on each showing and the installer download.
#pragma once

#include "client/UpdatePrompt.h"

class TForm7 : public TUpdateForm {
public:
    explicit TForm7(zuvi::ui::TComponent* Owner);
    ~TForm7() override;

    zuvi::skin::TssSkinButton* ssSkinButton4 = nullptr; // 确认

    // Asks the service for the newest version and shows the outcome.
    void CheckSoftwareVersion();
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void ssSkinButton4Click(zuvi::ui::TObject* Sender);
};

extern TForm7* Form7;
