// Contact edit dialog: replaces the selected contact line of the main window's list, then uploads it.
#include "client/EditContactDialog.h"

#include "client/MainWindow.h"
#include "client/core/ContactInput.h"

using namespace zuvi::ui;

TForm9* Form9 = nullptr;

TForm9::TForm9(TComponent* Owner)
    : TContactDialog(Owner)
{
    LoadLayout(this, QStringLiteral("EditContactDialog.form"));
}

void TForm9::ssSkinButton1Click(TObject*)
{
    const QString name = Edit1->Text();
    const QString number = Edit2->Text();
    if (!CheckTypedContact(name, number))
        return;
    // The current row and the lines as they stand before anything changes. The file "contact"
    // is left alone: the list reaches it at the main window's next write.
    TValueListEditor* contacts = Form1->ValueListEditor1;
    const int row = contacts->Row();
    contacts->Strings()->Assign(zuvi::client::ReplaceContactLine(contacts->Strings()->ToList(), row, name, number));
    UploadTypedContact(name, number);
    Close();
}
