// Zuvi softphone: the program's main routine.
#include "client/ProgramForms.h"

#include "platform/os/Exception.h"
#include "platform/os/singleinstance.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SessionSignals.h"

#include <QGuiApplication>

int main(int argc, char** argv)
{
    if (!zuvi::os::acquireSingleInstance(QStringLiteral("zuvi5")))
        return 1;
    zuvi::ui::TApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("zuvi"));
    zuvi::ui::OnSessionSignal(EndRunOnSessionSignal);
    try {
        zuvi::ui::Application->Initialize();
        zuvi::ui::Application->MainFormOnTaskBar = true;
        zuvi::ui::Application->SetTitle(QStringLiteral("Zuvi"));
        RunStartup();
        zuvi::ui::Application->Run();
    } catch (const zuvi::Exception& e) {
        zuvi::ui::Application->ShowException(e.message());
    } catch (...) {
        // Anything else is shown as an exception with an empty message.
        zuvi::ui::Application->ShowException(QString());
    }
    zuvi::ui::Guard([] { DestroyApplicationForms(); });
    return 0;
}
