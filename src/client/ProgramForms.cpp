// Program windows: their creation order, the start-up and the shut-down.
#include "client/ProgramForms.h"

#include "client/AddressBookRestore.h"
#include "client/LoginStatusNotice.h"
#include "client/MainWindow.h"
#include "client/RestoreNotice.h"
#include "client/LoginForm.h"
#include "client/CloseChoiceDialog.h"
#include "client/SettingsDialog.h"

#include "platform/ui/Forms.h"

using namespace zuvi::ui;

namespace {

// An error in a window's creation handler is reported and the start-up goes on (the window
// exists all the same).
template<class T>
void Create(T** ref)
{
    Guard([ref] { Application->CreateForm(ref); });
}

} // namespace

void CreateApplicationForms()
{
    Create(&Form1);
    Create(&Form3);
    Create(&Form4);
    Create(&synchronous);
    Create(&Synstatus);
    Create(&Form17);
}

void CreateLoginForm()
{
    // As for the other windows, an error in the creation handler is reported and the form is
    // shown all the same; an error in its construction ends the start-up.
    Form2 = new TForm2(nullptr);
    Guard([] { Form2->AfterConstruction(); });
}

void RunStartup()
{
    CreateLoginForm();
    Form2->ShowModal();
}

void DestroyApplicationForms()
{
    if (Application)
        Application->DestroyComponents();
    if (Form2)
        Form2->Free();
}
