// What the contact add and edit dialogs share: their components, the checks, the upload, Cancel.
#include "client/ContactDialogForm.h"

#include "client/CallHelpers.h"
#include "client/LoginForm.h"
#include "client/core/ContactInput.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;

TContactDialog::TContactDialog(TComponent* Owner)
    : TForm(Owner)
    , IdHTTP1(std::make_unique<zuvi::net::HttpClient>(zuvi::net::HttpClient::Kind::Browser))
{ }

TContactDialog::~TContactDialog() = default;

void TContactDialog::BindComponents(FormBinding& b)
{
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("Edit1", Edit1)
        .field("Label2", Label2)
        .field("Edit2", Edit2)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton2", ssSkinButton2);
    b.handler("ssSkinButton2Click", this, &TContactDialog::ssSkinButton2Click);
}

void TContactDialog::ssSkinButton2Click(TObject*) { Close(); }

bool TContactDialog::CheckTypedContact(const QString& name, const QString& number)
{
    const QString error = zuvi::client::ContactInputError(name, number, &IsValidPhoneNumber);
    if (error.isEmpty())
        return true;
    MessageBox(error);
    return false;
}

zuvi::client::UploadOutcome TContactDialog::UploadTypedContact(const QString& name, const QString& number)
{
    return zuvi::client::UploadContact(*IdHTTP1, Form2->frxComboBox1->Text(), Form2->FHamc, name, number);
}
