// UI layer start-up benchmark: builds the demo form from its layout, shows it, quits once shown.
#include "Forms.h"
#include "Layout.h"
#include "StdCtrls.h"

#include <QTimer>

using namespace zuvi::ui;

namespace {

class TUiDemo : public TForm {
public:
    explicit TUiDemo(TComponent* owner)
        : TForm(owner)
    {
        FormBinding b;
        b.handler("FormShow", this, &TUiDemo::FormShow).handler("Timer1Timer", this, &TUiDemo::Timer1Timer);
        LoadFormLayout(this, "uidemo.form", b);
    }
    void FormShow(TObject*)
    {
        QTimer::singleShot(0, [] { Application->Terminate(); });
    }
    void Timer1Timer(TObject*) { }
};

} // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    Application->SetTitle(QStringLiteral("Zuvi"));
    TUiDemo* form = nullptr;
    Application->CreateForm(&form);
    form->Show();
    Application->Run();
    return 0;
}
