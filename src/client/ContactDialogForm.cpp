// What the contact add and edit dialogs share: the checks and the upload with the login state.
#include "client/ContactDialogForm.h"

#include "client/CallHelpers.h"
#include "client/LoginForm.h"
#include "client/core/ContactInput.h"
#include "platform/ui/Forms.h"

namespace zuvi::client {

bool CheckTypedContact(const QString& name, const QString& number)
{
    const QString error = ContactInputError(name, number, &IsValidPhoneNumber);
    if (error.isEmpty())
        return true;
    zuvi::ui::MessageBox(error);
    return false;
}

UploadOutcome UploadTypedContact(zuvi::net::HttpClient& http, const QString& name, const QString& number)
{
    return UploadContact(http, Form2->frxComboBox1->Text(), Form2->FHamc, name, number);
}

} // namespace zuvi::client
