// Contact add dialog: appends a contact to the main window's list and its file, then uploads it.
#include "client/AddContactDialog.h"

#include "client/MainWindow.h"

using namespace zuvi::ui;
using zuvi::client::UploadOutcome;

TForm5* Form5 = nullptr;

TForm5::TForm5(TComponent* Owner)
    : TContactDialog(Owner)
{
    LoadLayout(this, QStringLiteral("AddContactDialog.form"));
}

void TForm5::ssSkinButton1Click(TObject*)
{
    const QString name = Edit1->Text();
    const QString number = Edit2->Text();
    if (!CheckTypedContact(name, number))
        return;
    Form1->ValueListEditor1->InsertRow(name, number, true);
    // A file that cannot be written ends the handler here: the line stays, nothing is sent.
    SaveContactFile();
    Form1->ValueListEditor1->Show();
    Form1->ValueListEditor2->Hide();
    // A reply that is not JSON keeps the dialog open; a second OK adds the contact again.
    if (UploadTypedContact(name, number) != UploadOutcome::OtherReply)
        Close();
}
