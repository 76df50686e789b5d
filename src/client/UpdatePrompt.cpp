// Start-up update prompt: the version check at its creation, the installer download or the login form.
#include "client/UpdatePrompt.h"

#include "client/ProgramForms.h"
#include "client/LoginForm.h"
#include "client/core/SoftwareUpdate.h"

#include "platform/net/HttpClient.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

using namespace zuvi::ui;
namespace core = zuvi::core;

TForm6* Form6 = nullptr;

TUpdateForm::TUpdateForm(TComponent* Owner)
    : TForm(Owner)
    , IdHTTP1(std::make_unique<zuvi::net::HttpClient>(zuvi::net::HttpClient::Kind::Plain))
{
}

TUpdateForm::~TUpdateForm() = default;

void TUpdateForm::BindCommon(FormBinding& b)
{
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton2", ssSkinButton2)
        .field("ssSkinButton3", ssSkinButton3);
}

void TUpdateForm::ShowVersionCheck(TControl* ok)
{
    const std::optional<QString> offered = core::CheckSoftwareVersion(*IdHTTP1);
    if (!offered)
        return;
    FUpdateUrl = *offered;
    if (!FUpdateUrl.isEmpty()) {
        Label1->SetCaption(core::UpdateAvailableText());
        if (ok)
            ok->Hide();
    } else {
        Label1->SetCaption(core::UpToDateText());
        ssSkinButton1->Hide();
        ssSkinButton2->Hide();
    }
    Repaint();
}

bool TUpdateForm::InstallUpdate(QString (*errorText)(quint32))
{
    const quint32 result = core::DownloadInstaller(FUpdateUrl);
    if (result != core::kDownloadOk) {
        MessageBox(errorText(result), Application->Title(), MB_OK);
        return false;
    }
    const QString installer = core::InstallerPath();
    core::DeleteStartedInstaller(installer, core::StartInstaller(installer));
    return true;
}

TForm6::TForm6(TComponent* Owner)
    : TUpdateForm(Owner)
{
    FormBinding b;
    BindCommon(b);
    b.handler("FormCreate", this, &TForm6::FormCreate)
        .handler("FormDestroy", this, &TForm6::FormDestroy)
        .handler("ssSkinButton1Click", this, &TForm6::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &TForm6::ssSkinButton2Click)
        .handler("ssSkinButton3Click", this, &TForm6::ssSkinButton3Click);
    LoadFormLayout(this, QStringLiteral("UpdatePrompt.form"), b);
}

TForm6::~TForm6()
{
    RunBeforeDestruction();
    if (Form6 == this)
        Form6 = nullptr;
}

void TForm6::FormCreate(TObject*)
{
    ShowVersionCheck(nullptr);
}

void TForm6::FormDestroy(TObject*) { }

void TForm6::ssSkinButton1Click(TObject*)
{
    if (InstallUpdate(core::PromptDownloadErrorText))
        Application->Terminate();
}

void TForm6::ssSkinButton2Click(TObject*)
{
    CreateLoginForm();
    Form2->Show();
    Hide();
}

void TForm6::ssSkinButton3Click(TObject*)
{
    CreateLoginForm();
    Form2->ShowModal();
    Hide();
}
