// Desktop UI layer: forms, the application object, the screen and message boxes.
#pragma once

#include "Controls.h"

#include <QString>
#include <exception>
#include <memory>

class QEventLoop;
class QTranslator;
class QWidget;

namespace zuvi::ui {

class TApplication;

// A top-level window. Create forms with TApplication::CreateForm or zuvi::ui::CreateForm so
// that OnCreate runs after the whole constructor (which loads the layout, see Layout.h).
class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    QString ClassName() const override { return QStringLiteral("TForm"); }

    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle s);
    void SetCaption(const QString& s) override;
    void SetClientWidth(int w) { SetBounds(Left(), Top(), w, Height()); }
    void SetClientHeight(int h) { SetBounds(Left(), Top(), Width(), h); }
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition p) { m_position = p; }
    TFormStyle FormStyle() const { return m_formStyle; }
    void SetFormStyle(TFormStyle s);
    // Keeps the window above all others (fsStayOnTop does the same).
    void SetTopMost(bool on);
    bool TopMost() const { return m_topMost; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState s);
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool v) override;

    // Show: visible and brought to the front. Close: OnClose decides (default: hide); a modal
    // form gets mrCancel; closing the main form terminates the application.
    void Show();
    void Hide() { SetVisible(false); }
    void Close();
    // Runs a modal loop until ModalResult is non-zero or the application terminates
    // (then mrCancel); the form is hidden afterwards. The other forms visible when it starts
    // take no user input meanwhile; forms shown during the loop, menus and the tray icon do.
    TModalResult ShowModal();
    bool Modal() const { return m_modalLoop != nullptr; }
    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult r);
    void Repaint() override; // repaints the form and its controls at once
    // Starts moving the form with the pointer from a mouse press until the button is released.
    void BeginDrag();
    // Called by CreateForm after the constructor: raises OnCreate.
    virtual void AfterConstruction();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void BeforeDestruction() override;
    virtual void DoShow();
    virtual void DoHide();

private:
    friend class FormWidget;
    friend class TApplication;
    void placeOnShow();
    void standAboveMainForm(QWidget* w);
    void endModal(TModalResult r);
    TBorderStyle m_borderStyle = bsSizeable;
    TPosition m_position = poDesigned;
    TFormStyle m_formStyle = fsNormal;
    bool m_topMost = false;
    bool m_shownOnce = false;
    TModalResult m_modalResult = mrNone;
    QEventLoop* m_modalLoop = nullptr;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// The application object (one per process; constructing it creates the Qt application).
class TApplication : public TComponent {
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override; // destroys the forms it owns, the last created first
    QString ClassName() const override { return QStringLiteral("TApplication"); }

    void Initialize() { }
    QString Title() const { return m_title; }
    void SetTitle(const QString& t);
    bool MainFormOnTaskBar = true;
    TCustomForm* MainForm() const { return m_mainForm; }

    // Creates a form owned by the application, stores it in *ref, then raises OnCreate.
    // The first form created this way becomes the main form.
    template<class T>
    void CreateForm(T** ref)
    {
        T* f = new T(this);
        if (ref)
            *ref = f;
        if (!m_mainForm)
            m_mainForm = f;
        f->AfterConstruction();
    }

    // Runs the message loop until Terminate (returns at once when already terminated).
    void Run();
    // Ends every running modal loop with mrCancel and the message loop at once.
    void Terminate();
    bool Terminated() const { return m_terminated; }
    // Handles all pending events, then returns.
    void ProcessMessages();

    // Default error handling: the exception's text in a message box; the program goes on.
    void HandleException(std::exception_ptr e);
    void ShowException(const QString& message);
    int MessageBox(const QString& text, const QString& caption, unsigned flags);

    // Folder of the running program (forms/, skins and pictures lie there).
    static QString ExeDir();

private:
    friend class TCustomForm;
    std::unique_ptr<class QApplication> m_qapp;
    std::unique_ptr<QTranslator> m_qtTranslations;
    QString m_title;
    TCustomForm* m_mainForm = nullptr;
    bool m_terminated = false;
    bool m_running = false;
};

extern TApplication* Application;

// Creates a form with the given owner (nullptr: nobody destroys it), stores it, raises OnCreate.
template<class T>
T* CreateForm(T** ref, TComponent* owner)
{
    T* f = new T(owner);
    if (ref)
        *ref = f;
    f->AfterConstruction();
    return f;
}

// Runs fn; an exception escaping it goes to the application's default error handling.
void Guard(const std::function<void()>& fn);

// Message boxes. With ZUVI_MSGBOX_LOG naming a file, the text is appended to it as one UTF-8
// line and IDOK is returned at once without showing anything.
constexpr unsigned MB_OK = 0, MB_OKCANCEL = 1, MB_YESNO = 4, MB_ICONERROR = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;
int MessageBox(const QString& text, const QString& caption = QString(), unsigned flags = MB_OK);
void ShowMessage(const QString& text);

// Screen geometry and the pointer.
struct TScreen {
    int Width() const;
    int Height() const;
    TRect ScreenRect() const; // primary monitor
    TRect DesktopRect() const; // all monitors
    TRect WorkAreaRect() const; // primary monitor's work area
    TPoint CursorPos() const;
};
extern TScreen* Screen;

} // namespace zuvi::ui
