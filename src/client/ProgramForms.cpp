// Program windows: their creation order, the start-up and the shut-down.
#include "client/ProgramForms.h"

#include "client/AddContactDialog.h"
#include "client/AddressBookRestore.h"
#include "client/EditContactDialog.h"
#include "client/LoginStatusNotice.h"
#include "client/MainWindow.h"
#include "client/RestoreNotice.h"
#include "client/LoginForm.h"
#include "client/CloseChoiceDialog.h"
#include "client/SettingsDialog.h"
#include "client/SipStack.h"
#include "client/UpdateDialog.h"
#include "client/UpdatePrompt.h"
#include "client/core/SoftwareUpdate.h"
#include "voicetest/AudioDeviceDialog.h"
#include "voicetest/VoiceTestDialog.h"

#include "platform/ui/Forms.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

using namespace zuvi::ui;

namespace {

// Set once every window exists: a window that could not be built ends the start-up.
bool g_formsCreated = false;
// Set by the main routine around the login form's creation: its handler leaves the other
// windows for after the login form's first paint.
bool g_deferForms = false;

// Runs a job once: after the first paint of a window (the paint and its flush done), or 100 ms
// after it was armed when none is painted; the job learns which. Owned by the application: when
// the application goes first, the job runs then if asked to, else it is dropped.
class AfterFirstPaint : public QObject {
public:
    using Job = std::function<void(bool painted)>;
    static AfterFirstPaint* arm(Job job, bool runAtExit)
    {
        auto* a = new AfterFirstPaint(qApp);
        a->m_job = std::move(job);
        a->m_runAtExit = runAtExit;
        qApp->installEventFilter(a);
        QTimer::singleShot(100, a, [a] { a->fire(false); });
        return a;
    }
    ~AfterFirstPaint() override
    {
        if (Job job = take(); job && m_runAtExit)
            job(false);
    }
    bool armed() const { return bool(m_job); }
    void runNow() { fire(false); }
    void drop()
    {
        take();
        deleteLater();
    }

private:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [this] { fire(true); });
        }
        return false;
    }
    Job take()
    {
        if (qApp)
            qApp->removeEventFilter(this);
        return std::exchange(m_job, nullptr);
    }
    void fire(bool painted)
    {
        if (Job job = take()) {
            deleteLater();
            job(painted);
        }
    }
    Job m_job;
    bool m_runAtExit = false;
    bool m_painted = false;
};

// The windows left for after the login form's first paint, while they are.
QPointer<AfterFirstPaint> g_pendingForms;

bool formsPending() { return g_pendingForms && g_pendingForms->armed(); }

// An error in a window's creation handler is reported inside CreateForm and the start-up goes on
// (the window exists all the same). An error in its construction leaves no window: it escapes,
// the windows after it are not created, and the start-up ends.
template<class T>
void Create(T** ref)
{
    Application->CreateForm(ref);
}

// The windows after the login form; `painted` when a window has been painted already.
void BuildApplicationForms(bool painted)
{
    // The SIP engine's module, which the main window's creation starts loading, loads once the
    // windows are built and the first of them painted: the audio-device window lists the sound
    // devices through ALSA, which opens itself with dlopen over and over and would wait behind
    // the module's load each time. A window that cannot be built ends the hold at once.
    struct HeldLoad {
        explicit HeldLoad(bool p)
            : painted(p)
        {
            HoldSipLoad();
        }
        // With no window painted yet, the hold ends after the first paint (or 100 ms), and at
        // the latest with the application: while the module loads, a new thread (Qt's painting
        // starts some) or a dlopen on the UI thread waits behind it.
        ~HeldLoad()
        {
            if (built && qApp && !painted)
                AfterFirstPaint::arm([](bool) { ReleaseSipLoad(); }, true);
            else
                ReleaseSipLoad();
        }
        bool built = false;
        const bool painted;
    } held(painted);
    Create(&Form1);
    Create(&Form3);
    Create(&Form4);
    Create(&Form5);
    Create(&Form7);
    Create(&Form9);
    Create(&Form8);
    Create(&synchronous);
    Create(&Synstatus);
    Create(&Form16);
    Create(&Form17);
    held.built = true;
    g_formsCreated = true;
    // Most of the windows are never shown: their skins are read again if they are.
    TBitmap::DropFilePixels();
}

} // namespace

void CreateApplicationForms()
{
    if (!g_deferForms) {
        BuildApplicationForms(false);
        return;
    }
    g_deferForms = false;
    // A window that cannot be built has been reported by then and ends the start-up.
    g_pendingForms = AfterFirstPaint::arm(
        [](bool painted) {
            if (Application && Application->Terminated())
                return;
            Guard([painted] { BuildApplicationForms(painted); });
            if (!g_formsCreated && Application)
                Application->Terminate();
        },
        false);
}

bool EnsureApplicationForms()
{
    if (formsPending())
        g_pendingForms->runNow();
    return g_formsCreated;
}

void HideUpdatePrompt()
{
    if (Form6)
        Form6->Hide();
}

void CreateLoginForm(bool deferOtherWindows)
{
    // As for the other windows, an error in the creation handler is reported and the form is
    // shown all the same; an error in its construction ends the start-up. The handler creates
    // the other windows: when one of them could not be built, its error has been shown by now
    // and the program ends before any login.
    g_formsCreated = false;
    g_deferForms = deferOtherWindows;
    Form2 = new TForm2(nullptr);
    Guard([] { Form2->AfterConstruction(); });
    g_deferForms = false;
    if (!g_formsCreated && !formsPending())
        Application->Terminate();
}

void EndRunOnSessionSignal()
{
    // Once the run is ending, a further signal changes nothing.
    if (!Application || Application->Terminated())
        return;
    // The shut-down is the main window's: right after the start it may still be pending.
    if (formsPending() && !EnsureApplicationForms())
        return;
    if (Form1)
        Form1->N10Click(nullptr);
    else
        Application->Terminate();
}

void RunStartup()
{
    zuvi::core::RemoveLeftoverInstaller();
    // Its creation asks for the newest version; an offered installer shows the prompt, which
    // then creates the login form itself.
    Form6 = new TForm6(nullptr);
    Guard([] { Form6->AfterConstruction(); });
    if (!Form6->UpdateUrl().isEmpty()) {
        Form6->ShowModal();
        return;
    }
    // The login form shows before the other windows are built: they follow its first paint.
    CreateLoginForm(true);
    Form2->ShowModal();
}

void DestroyApplicationForms()
{
    if (g_pendingForms)
        g_pendingForms->drop();
    if (Application)
        Application->DestroyComponents();
    if (Form2)
        Form2->Free();
    if (Form6)
        Form6->Free();
}
