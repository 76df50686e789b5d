// Program windows: the global form pointers not declared by a unit yet, and their creation order.
#include "client/AppForms.h"

#include "client/Unit1.h"
#include "client/Unit2.h"
#include "client/Unit4.h"
#if __has_include("client/Unit3.h")
#include "client/Unit3.h"
#define ZUVI_HAVE_FORM3 1
#endif

#include "platform/ui/Forms.h"

using namespace zuvi::ui;

TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;
TForm7* Form7 = nullptr;
TForm8* Form8 = nullptr;
TForm9* Form9 = nullptr;
Tsynchronous* synchronous = nullptr;
TSynstatus* Synstatus = nullptr;
TForm16* Form16 = nullptr;
TForm17* Form17 = nullptr;

namespace {

// A window whose unit is not part of the program yet keeps its place in the order.
template <class T> void NotYetBuilt() {}

} // namespace

void CreateApplicationForms()
{
    Application->CreateForm(&Form1);
#ifdef ZUVI_HAVE_FORM3
    Application->CreateForm(&Form3);
#endif
    Application->CreateForm(&Form4);
    NotYetBuilt<TForm5>();
    NotYetBuilt<TForm7>();
    NotYetBuilt<TForm9>();
    NotYetBuilt<TForm8>();
    NotYetBuilt<Tsynchronous>();
    NotYetBuilt<TSynstatus>();
    NotYetBuilt<TForm16>();
    NotYetBuilt<TForm17>();
}

void HideUpdatePrompt()
{
    NotYetBuilt<TForm6>();
}

void RunStartup()
{
    NotYetBuilt<TForm6>();
    CreateForm(&Form2, nullptr);
    Form2->ShowModal();
}

void DestroyApplicationForms()
{
    if (Application)
        Application->DestroyComponents();
    if (Form2)
        Form2->Free();
}
