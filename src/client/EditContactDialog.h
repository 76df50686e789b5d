// Contact edit dialog: replaces the selected contact line of the main window's list, then uploads it.
#pragma once

#include "client/ContactDialogForm.h"

class TForm9 : public TContactDialog {
public:
    explicit TForm9(zuvi::ui::TComponent* Owner);

    // OK (the components and Cancel: TContactDialog).
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
};

extern TForm9* Form9;
