// Update dialog of the main menu: the version check on each showing and the installer download.
#include "client/UpdateDialog.h"

#include "client/UpdatePrompt.h"
#include "client/core/SoftwareUpdate.h"

#include "platform/net/HttpClient.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;
namespace core = zuvi::core;

TForm7* Form7 = nullptr;

TForm7::TForm7(TComponent* Owner)
    : TForm(Owner)
    , IdHTTP1(std::make_unique<zuvi::net::HttpClient>(zuvi::net::HttpClient::Kind::Plain))
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton4", ssSkinButton4)
        .field("ssSkinButton2", ssSkinButton2)
        .field("ssSkinButton3", ssSkinButton3);
    b.handler("ssSkinButton1Click", this, &TForm7::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &TForm7::ssSkinButton2Click)
        .handler("ssSkinButton3Click", this, &TForm7::ssSkinButton3Click)
        .handler("ssSkinButton4Click", this, &TForm7::ssSkinButton4Click);
    LoadFormLayout(this, QStringLiteral("UpdateDialog.form"), b);
}

TForm7::~TForm7()
{
    RunBeforeDestruction();
    if (Form7 == this)
        Form7 = nullptr;
}

void TForm7::CheckSoftwareVersion()
{
    ShowVersionCheck(this, *IdHTTP1, FUpdateUrl, Label1, ssSkinButton1, ssSkinButton2, ssSkinButton4);
}

void TForm7::ssSkinButton1Click(TObject*)
{
    // Ends the program through the main window's normal shut-down.
    if (InstallUpdate(FUpdateUrl, core::DialogDownloadErrorText))
        Application->Terminate();
}

void TForm7::ssSkinButton2Click(TObject*) { Hide(); }
void TForm7::ssSkinButton3Click(TObject*) { Hide(); }
void TForm7::ssSkinButton4Click(TObject*) { Hide(); }
