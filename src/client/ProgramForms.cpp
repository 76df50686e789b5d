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
#include <QTimer>
#include <QWidget>

using namespace zuvi::ui;

namespace {

// Set once every window exists: a window that could not be built ends the start-up.
bool g_formsCreated = false;
// Set by the main routine around the login form's creation: its handler leaves the other
// windows for after the login form's first paint.
bool g_deferForms = false;
// The other windows are left for later and not yet built.
bool g_formsPending = false;

// Ends the hold of the SIP engine's module once the first window has been painted (the paint and
// its flush done), or 100 ms after the windows were built when none is: while the module
// loads, a new thread (Qt's painting starts some) or a dlopen on the UI thread waits behind it.
class ModuleLoadRelease : public QObject {
public:
    // Owned by the application, so it goes with it when no paint or timer came first. With a
    // window painted already the hold ends at once.
    static void start(bool painted)
    {
        if (painted) {
            ReleaseSipLoad();
            return;
        }
        auto* r = new ModuleLoadRelease(qApp);
        qApp->installEventFilter(r);
        QTimer::singleShot(100, r, [r] { r->release(); });
    }
    ~ModuleLoadRelease() override { endHold(); }

private:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            QTimer::singleShot(0, this, [this] { release(); });
        return false;
    }
    void release()
    {
        endHold();
        deleteLater();
    }
    void endHold()
    {
        if (m_released)
            return;
        m_released = true;
        ReleaseSipLoad();
        if (qApp)
            qApp->removeEventFilter(this);
    }
    bool m_released = false;
};

// An error in a window's creation handler is reported inside CreateForm and the start-up goes on
// (the window exists all the same). An error in its construction leaves no window: it escapes,
// the windows after it are not created, and the start-up ends.
template<class T>
void Create(T** ref)
{
    Application->CreateForm(ref);
}

void BuildApplicationForms(bool painted);

// Builds the windows left for later: after the first paint of a window (the login form's, the
// paint and its flush done), 100 ms after they were left when none is painted, or at once when
// something needs them first (EnsureApplicationForms). Owned by the application.
class PendingForms : public QObject {
public:
    static void start()
    {
        auto* p = new PendingForms(qApp);
        qApp->installEventFilter(p);
        QTimer::singleShot(100, p, [p] { p->build(false); });
    }

    // The windows are no longer wanted (the run ends before they were built).
    static void cancel()
    {
        g_formsPending = false;
        if (s_current) {
            s_current->deleteLater();
            s_current = nullptr;
        }
    }

    // A window that cannot be built has been reported by now and ends the start-up.
    static void build(bool painted)
    {
        if (!g_formsPending)
            return;
        cancel();
        if (Application && Application->Terminated())
            return;
        Guard([painted] { BuildApplicationForms(painted); });
        if (!g_formsCreated && Application)
            Application->Terminate();
    }

private:
    explicit PendingForms(QObject* parent)
        : QObject(parent)
    {
        s_current = this;
    }
    ~PendingForms() override
    {
        if (s_current == this)
            s_current = nullptr;
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [] { build(true); });
        }
        return false;
    }
    bool m_painted = false;
    static inline PendingForms* s_current = nullptr;
};

// The windows after the login form; `painted` when a window has been painted already.
void BuildApplicationForms(bool painted)
{
    // The SIP engine's module, which the main window's creation starts loading, loads once the
    // windows are built and the first of them painted: the audio-device window lists the sound
    // devices through ALSA, which opens itself with dlopen over and over and would wait behind
    // the module's load each time. A window that cannot be built ends the hold at once.
    struct HeldLoad {
        HeldLoad() { HoldSipLoad(); }
        ~HeldLoad()
        {
            if (built && qApp)
                ModuleLoadRelease::start(painted);
            else
                ReleaseSipLoad();
        }
        bool built = false;
        bool painted = false;
    } held;
    held.painted = painted;
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
    if (g_deferForms) {
        g_deferForms = false;
        g_formsPending = true;
        PendingForms::start();
        return;
    }
    BuildApplicationForms(false);
}

bool EnsureApplicationForms()
{
    PendingForms::build(false);
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
    if (!g_formsCreated && !g_formsPending)
        Application->Terminate();
}

void EndRunOnSessionSignal()
{
    // Once the run is ending, a further signal changes nothing.
    if (!Application || Application->Terminated())
        return;
    // The shut-down is the main window's: right after the start it may still be pending.
    if (g_formsPending && !EnsureApplicationForms())
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
    PendingForms::cancel();
    if (Application)
        Application->DestroyComponents();
    if (Form2)
        Form2->Free();
    if (Form6)
        Form6->Free();
}
