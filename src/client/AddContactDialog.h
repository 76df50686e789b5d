// Contact add dialog: appends a contact to the main window's list and its file, then uploads it.
#pragma once

#include "client/ContactDialogForm.h"

class TForm5 : public TContactDialog {
public:
    explicit TForm5(zuvi::ui::TComponent* Owner);

    // OK (the components and Cancel: TContactDialog).
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
};

extern TForm5* Form5;
