// What the contact add and edit dialogs share: their layout binding, the checks and the upload.
#pragma once

#include "client/core/ContactUpload.h"
#include "platform/net/HttpClient.h"
#include "platform/ui/Layout.h"

#include <QString>

#include <memory>

namespace zuvi::client {

// Builds a contact dialog (TForm5, TForm9: the same components) from its layout and gives it its
// own HTTP client.
template<class Dialog>
void LoadContactDialog(Dialog* form, const QString& layout)
{
    zuvi::ui::FormBinding b;
    b.field("ssSkinForm1", form->ssSkinForm1)
        .field("Label1", form->Label1)
        .field("Edit1", form->Edit1)
        .field("Label2", form->Label2)
        .field("Edit2", form->Edit2)
        .field("ssSkinButton1", form->ssSkinButton1)
        .field("ssSkinButton2", form->ssSkinButton2);
    b.handler("ssSkinButton1Click", form, &Dialog::ssSkinButton1Click)
        .handler("ssSkinButton2Click", form, &Dialog::ssSkinButton2Click);
    zuvi::ui::LoadFormLayout(form, layout, b);
    form->IdHTTP1 = std::make_unique<zuvi::net::HttpClient>(zuvi::net::HttpClient::Kind::Browser);
}

// Runs the checks of a typed contact; the first failing one shows its message. True when all pass.
bool CheckTypedContact(const QString& name, const QString& number);

// Uploads a typed contact with the login state's account name and token hash.
UploadOutcome UploadTypedContact(zuvi::net::HttpClient& http, const QString& name, const QString& number);

} // namespace zuvi::client
