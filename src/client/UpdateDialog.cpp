// Update dialog of the main menu: the version check on each showing and the installer download.
#include "client/UpdateDialog.h"

#include "client/core/SoftwareUpdate.h"

#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;
namespace core = zuvi::core;

TForm7* Form7 = nullptr;

TForm7::TForm7(TComponent* Owner)
    : TUpdateForm(Owner)
{
    FormBinding b;
    BindCommon(b);
    b.field("ssSkinButton4", ssSkinButton4);
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
    ShowVersionCheck(ssSkinButton4);
}

void TForm7::ssSkinButton1Click(TObject*)
{
    // Ends the program through the main window's normal shut-down.
    if (InstallUpdate(core::DialogDownloadErrorText))
        Application->Terminate();
}

void TForm7::ssSkinButton2Click(TObject*) { Hide(); }
void TForm7::ssSkinButton3Click(TObject*) { Hide(); }
void TForm7::ssSkinButton4Click(TObject*) { Hide(); }
