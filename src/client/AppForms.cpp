// Program windows: the global form pointers not declared by a unit yet, and their creation order.
#include "client/AppForms.h"

#include "client/AddressBookRestore.h"
#include "client/LoginStatusNotice.h"
#include "client/RestoreNotice.h"
#include "client/Unit1.h"
#include "client/Unit2.h"
#include "client/Unit4.h"
#include "client/Unit3.h"

#include "platform/ui/Forms.h"

using namespace zuvi::ui;

TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;
TForm7* Form7 = nullptr;
TForm8* Form8 = nullptr;
TForm9* Form9 = nullptr;
TForm16* Form16 = nullptr;

namespace {

// A window whose unit is not part of the program yet keeps its place in the order.
template<class T>
void NotYetBuilt() { }

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
    NotYetBuilt<TForm5>();
    NotYetBuilt<TForm7>();
    NotYetBuilt<TForm9>();
    NotYetBuilt<TForm8>();
    Create(&synchronous);
    Create(&Synstatus);
    NotYetBuilt<TForm16>();
    Create(&Form17);
}

void HideUpdatePrompt()
{
    NotYetBuilt<TForm6>();
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
    NotYetBuilt<TForm6>();
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
