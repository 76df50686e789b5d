// Desktop UI layer: forms, the application object, the screen and message boxes.
#include "Forms.h"

#include "../os/Exception.h"
#include "Internal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTranslator>
#include <QWindow>
#include <algorithm>
#include <optional>
#include <vector>

namespace zuvi::ui {

TApplication* Application = nullptr;
static TScreen g_screen;
TScreen* Screen = &g_screen;

namespace detail {
void InitHandoff();
void ShutdownHandoff();
} // namespace detail

// Top-level widget of a form.
class FormWidget : public PaintWidget {
public:
    explicit FormWidget(TCustomForm* form)
        : m_form(form)
    { }
    TCustomForm* m_form;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        Guard([&] { m_form->Close(); });
    }
    void moveEvent(QMoveEvent*) override { sync(); }
    void resizeEvent(QResizeEvent*) override { sync(); }

private:
    void sync()
    {
        if (!m_form || !isWindow())
            return;
        QRect g = geometry();
        if (g.x() != m_form->Left() || g.y() != m_form->Top() || g.width() != m_form->Width() || g.height() != m_form->Height())
            m_form->TControl::SetBounds(g.x(), g.y(), g.width(), g.height());
    }
};

// Moves a form with the pointer until the button is released, where the platform cannot.
class DragFilter : public QObject {
public:
    DragFilter(QWidget* window, QPoint start)
        : m_window(window)
        , m_start(start)
        , m_origin(window->pos())
    { }
    bool eventFilter(QObject*, QEvent* ev) override
    {
        if (!m_window) {
            deleteLater();
            return false;
        }
        if (ev->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(ev);
            m_window->move(m_origin + (me->globalPosition().toPoint() - m_start));
            return true;
        }
        if (ev->type() == QEvent::MouseButtonRelease) {
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QPoint m_start;
    QPoint m_origin;
};

// Every loop the layer runs (message loop, modal forms, message boxes): Terminate ends them all.
static std::vector<QEventLoop*> g_loops;

// Raising a window means nothing to the offscreen platform (and it complains about it).
static void raiseWindow(QWidget* w)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        w->raise();
}

static void runLoop(QEventLoop& loop)
{
    g_loops.push_back(&loop);
    loop.exec();
    g_loops.erase(std::remove(g_loops.begin(), g_loops.end(), &loop), g_loops.end());
}

// Global position of the last mouse press (where a form drag starts).
QPoint g_lastPressGlobal;

// ---- Modal loops: the forms that were visible when one began take no input until it ends ----

namespace {

struct ModalScope {
    QPointer<QWidget> form; // the modal form's window
    std::vector<QPointer<QWidget>> blocked; // forms visible when its loop began
};

// Running modal loops, innermost last.
std::vector<ModalScope*> g_modalScopes;

// The innermost loop that names a window decides: blocked by it, or its own modal form.
bool inputBlocked(const QWidget* window)
{
    for (auto it = g_modalScopes.rbegin(); it != g_modalScopes.rend(); ++it) {
        if ((*it)->form == window)
            return false;
        for (const QPointer<QWidget>& w : (*it)->blocked)
            if (w == window)
                return true;
    }
    return false;
}

// Drops user input (and the window manager's close request) aimed at a blocked form; events
// the program sends itself still arrive.
class ModalInputFilter : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        switch (ev->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::Close:
            if (!ev->spontaneous())
                return false;
            break;
        case QEvent::Enter:
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
            break;
        default:
            return false;
        }
        if (!obj->isWidgetType() || !inputBlocked(static_cast<QWidget*>(obj)->window()))
            return false;
        if (ev->type() == QEvent::Close)
            ev->ignore();
        return true;
    }
};

ModalInputFilter* g_modalFilter = nullptr;

// Blocks the other visible forms for the lifetime of one modal loop.
class ModalBlock {
public:
    explicit ModalBlock(QWidget* form)
    {
        m_scope.form = form;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != form && w->isVisible() && dynamic_cast<FormWidget*>(w))
                m_scope.blocked.emplace_back(w);
        if (g_modalScopes.empty()) {
            g_modalFilter = new ModalInputFilter;
            qApp->installEventFilter(g_modalFilter);
        }
        g_modalScopes.push_back(&m_scope);
    }
    ~ModalBlock()
    {
        g_modalScopes.erase(std::remove(g_modalScopes.begin(), g_modalScopes.end(), &m_scope), g_modalScopes.end());
        if (g_modalScopes.empty()) {
            delete g_modalFilter; // also removes it from the application
            g_modalFilter = nullptr;
        }
    }
    ModalBlock(const ModalBlock&) = delete;
    ModalBlock& operator=(const ModalBlock&) = delete;

private:
    ModalScope m_scope;
};

} // namespace

// ---- TCustomForm ----

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner)
{
    auto* w = new FormWidget(this);
    w->paint = [this](QPainter& p) {
        if (Color() != clNone)
            p.fillRect(QRect(0, 0, Width(), Height()), ToQColor(Color()));
    };
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    SetWidget(w, true);
    TControl::SetVisible(false);
    TWinControl::SetBounds(0, 0, 320, 240);
    w->resize(320, 240);
}

TCustomForm::~TCustomForm()
{
    RunBeforeDestruction();
    if (m_modalLoop)
        m_modalLoop->quit();
    if (Application && Application->m_mainForm == this)
        Application->m_mainForm = nullptr;
    // Child controls go before the widget.
    DestroyComponents();
}

// An error escaping OnCreate is reported by the default error handling; the form stays created.
void TCustomForm::AfterConstruction()
{
    if (OnCreate)
        Guard([&] { OnCreate(this); });
}

void TCustomForm::BeforeDestruction()
{
    if (OnDestroy)
        Guard([&] { OnDestroy(this); });
}

void TCustomForm::SetBorderStyle(TBorderStyle s)
{
    m_borderStyle = s;
    if (QWidget* w = Widget()) {
        bool vis = w->isVisible();
        w->setWindowFlag(Qt::FramelessWindowHint, s == bsNone);
        if (vis)
            w->show();
    }
}

void TCustomForm::SetCaption(const QString& s)
{
    TControl::SetCaption(s);
    if (QWidget* w = Widget())
        w->setWindowTitle(s);
}

void TCustomForm::SetFormStyle(TFormStyle s)
{
    m_formStyle = s;
    SetTopMost(s == fsStayOnTop);
}

void TCustomForm::SetTopMost(bool on)
{
    m_topMost = on;
    if (QWidget* w = Widget()) {
        bool vis = w->isVisible();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        if (vis) {
            w->show();
            raiseWindow(w);
        }
    }
}

TWindowState TCustomForm::WindowState() const
{
    QWidget* w = Widget();
    if (!w)
        return wsNormal;
    if (w->windowState() & Qt::WindowMinimized)
        return wsMinimized;
    if (w->windowState() & Qt::WindowMaximized)
        return wsMaximized;
    return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState s)
{
    if (QWidget* w = Widget()) {
        Qt::WindowStates st = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (s == wsMinimized)
            st |= Qt::WindowMinimized;
        else if (s == wsMaximized)
            st |= Qt::WindowMaximized;
        w->setWindowState(st);
    }
}

void TCustomForm::SetBounds(int left, int top, int width, int height)
{
    TControl::SetBounds(left, top, width, height);
    if (QWidget* w = Widget())
        w->setGeometry(Left(), Top(), Width(), Height());
}

void TCustomForm::placeOnShow()
{
    // The screen centre is the primary monitor's, the desktop centre that of all monitors.
    TRect area = m_position == poDesktopCenter ? Screen->DesktopRect() : Screen->ScreenRect();
    bool first = !m_shownOnce;
    m_shownOnce = true;
    switch (m_position) {
    case poScreenCenter:
    case poDesktopCenter:
        if (first)
            SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2,
                Width(), Height());
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* ref = m_position == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
        if (!ref && Application)
            ref = Application->MainForm();
        if (ref && ref != this)
            SetBounds(ref->Left() + (ref->Width() - Width()) / 2, ref->Top() + (ref->Height() - Height()) / 2,
                Width(), Height());
        else if (first)
            SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2,
                Width(), Height());
        break;
    }
    default:
        break;
    }
}

void TCustomForm::SetVisible(bool v)
{
    QWidget* w = Widget();
    if (v == Visible() && (!w || w->isVisible() == v)) {
        if (v && w)
            raiseWindow(w);
        return;
    }
    if (v) {
        placeOnShow();
        DoShow();
        TControl::SetVisible(true);
        if (w) {
            w->setWindowFlag(Qt::FramelessWindowHint, m_borderStyle == bsNone);
            w->setWindowFlag(Qt::WindowStaysOnTopHint, m_topMost);
            w->setGeometry(Left(), Top(), Width(), Height());
            standAboveMainForm(w);
            w->show();
            raiseWindow(w);
            w->activateWindow();
        }
    } else {
        TControl::SetVisible(false);
        if (w)
            w->hide();
        DoHide();
    }
}

// As the windows the main form owns on the original platform: a form of the application's
// stands above the main form (a topmost one included), as its transient window.
void TCustomForm::standAboveMainForm(QWidget* w)
{
    if (!Application || !Application->MainFormOnTaskBar || Owner() != Application)
        return;
    TCustomForm* main = Application->MainForm();
    QWidget* mainWidget = main && main != this ? main->Widget() : nullptr;
    if (!mainWidget)
        return;
    // Window managers keep only dialog-type windows above the window they are transient for.
    if (w->windowType() != Qt::Dialog)
        w->setWindowFlags((w->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    w->winId();
    mainWidget->winId();
    if (QWindow* window = w->windowHandle())
        window->setTransientParent(mainWidget->windowHandle());
}

void TCustomForm::DoShow()
{
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide)
        OnHide(this);
}

void TCustomForm::Show()
{
    SetVisible(true);
    if (QWidget* w = Widget())
        raiseWindow(w);
}

void TCustomForm::Close()
{
    if (m_modalLoop) {
        SetModalResult(mrCancel);
        return;
    }
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (!canClose)
        return;
    TCloseAction action = caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == caNone)
        return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Hide();
    if (action == caFree) {
        QPointer<QWidget> guard = Widget();
        QMetaObject::invokeMethod(
            qApp, [this, guard] { if (guard) Free(); }, Qt::QueuedConnection);
    }
}

void TCustomForm::SetModalResult(TModalResult r)
{
    m_modalResult = r;
    if (m_modalLoop && r != mrNone)
        m_modalLoop->quit();
}

void TCustomForm::endModal(TModalResult r)
{
    m_modalResult = r;
    if (m_modalLoop)
        m_modalLoop->quit();
}

TModalResult TCustomForm::ShowModal()
{
    if (m_modalLoop)
        throw zuvi::Exception(QStringLiteral("Cannot make a visible window modal"));
    if (Application && Application->Terminated())
        return mrCancel;
    QWidget* w = Widget();
    m_modalResult = mrNone;
    // As with disabled windows: the forms on screen take no input until the loop ends; forms
    // shown meanwhile, menus and the notification-area icon do.
    std::optional<ModalBlock> block(std::in_place, w);
    QEventLoop loop;
    m_modalLoop = &loop;
    Show();
    for (;;) {
        if (m_modalResult == mrNone && !(Application && Application->Terminated()))
            runLoop(loop);
        if (Application && Application->Terminated()) {
            m_modalResult = mrCancel;
            break;
        }
        if (m_modalResult == mrNone)
            continue;
        bool canClose = true;
        if (OnCloseQuery)
            Guard([&] { OnCloseQuery(this, canClose); });
        TCloseAction action = caHide;
        if (canClose && OnClose)
            Guard([&] { OnClose(this, action); });
        if (canClose && action != caNone)
            break;
        m_modalResult = mrNone;
    }
    m_modalLoop = nullptr;
    TModalResult r = m_modalResult;
    block.reset();
    Hide();
    return r;
}

void TCustomForm::Repaint()
{
    if (QWidget* w = Widget()) {
        w->repaint();
    }
}

void TCustomForm::BeginDrag()
{
    QWidget* w = Widget();
    if (!w || !w->isVisible())
        return;
    if (QWindow* win = w->windowHandle())
        if (QGuiApplication::platformName() == QStringLiteral("xcb") && win->startSystemMove())
            return;
    qApp->installEventFilter(new DragFilter(w, g_lastPressGlobal));
}

// ---- TApplication ----

static bool g_substituted = false;

TApplication::TApplication(int& argc, char** argv)
    : TComponent(nullptr)
{
    if (!qApp)
        m_qapp = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!g_substituted) {
        g_substituted = true;
        QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei"));
        QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"));
    }
    Application = this;
    // Qt's own texts (the standard buttons of message boxes among them) in the desktop's language.
    m_qtTranslations = std::make_unique<QTranslator>();
    if (m_qtTranslations->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_qtTranslations.get());
    detail::InitHandoff();
}

TApplication::~TApplication()
{
    DestroyComponents();
    detail::ShutdownHandoff();
    if (Application == this)
        Application = nullptr;
    m_qtTranslations.reset();
    m_qapp.reset();
}

// The title goes to message boxes only: as Qt's display name it would be appended to every
// window's caption ("Zuvi网络电话 — Zuvi").
void TApplication::SetTitle(const QString& t) { m_title = t; }

void TApplication::Run()
{
    if (m_terminated)
        return;
    m_running = true;
    QEventLoop loop;
    runLoop(loop);
    m_running = false;
}

void TApplication::Terminate()
{
    m_terminated = true;
    for (QEventLoop* loop : g_loops)
        loop->quit();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleException(std::exception_ptr e)
{
    try {
        std::rethrow_exception(e);
    } catch (const zuvi::Exception& ex) {
        ShowException(ex.message());
    } catch (const std::exception& ex) {
        ShowException(QString::fromLocal8Bit(ex.what()));
    } catch (...) {
        ShowException(QString());
    }
}

void TApplication::ShowException(const QString& message)
{
    MessageBox(message, m_title, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags)
{
    return zuvi::ui::MessageBox(text, caption, flags);
}

QString TApplication::ExeDir() { return QCoreApplication::applicationDirPath(); }

void Guard(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (...) {
        if (Application)
            Application->HandleException(std::current_exception());
    }
}

int MessageBox(const QString& text, const QString& caption, unsigned flags)
{
    unsigned buttons = flags & 0x0F;
    QByteArray log = qgetenv("ZUVI_MSGBOX_LOG");
    if (!log.isEmpty()) {
        QFile f(QString::fromLocal8Bit(log));
        if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
            QString line = text;
            line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            line.replace(QLatin1Char('\r'), QLatin1Char(' '));
            f.write(line.toUtf8() + '\n');
        }
        return buttons == MB_YESNO ? IDYES : IDOK;
    }
    QMessageBox box;
    box.setWindowTitle(caption.isEmpty() && Application ? Application->Title() : caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if (buttons == MB_OKCANCEL)
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    else if (buttons == MB_YESNO)
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    else
        box.setStandardButtons(QMessageBox::Ok);
    // Run as a loop of our own, so that Terminate ends it like the other loops.
    QEventLoop loop;
    int r = QMessageBox::Ok;
    QObject::connect(&box, &QMessageBox::finished, &loop, [&](int result) {
        r = result;
        loop.quit();
    });
    box.setWindowModality(Qt::ApplicationModal);
    box.open();
    runLoop(loop);
    if (box.isVisible()) {
        box.hide();
        r = QMessageBox::Cancel;
    }
    switch (r) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}

void ShowMessage(const QString& text) { MessageBox(text, QString(), MB_OK); }

static QRect primaryGeometry(bool available)
{
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return QRect(0, 0, 1024, 768);
    return available ? s->availableGeometry() : s->geometry();
}

int TScreen::Width() const { return primaryGeometry(false).width(); }
int TScreen::Height() const { return primaryGeometry(false).height(); }
TRect TScreen::ScreenRect() const
{
    QRect g = primaryGeometry(false);
    return TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}
TRect TScreen::DesktopRect() const
{
    QScreen* s = QGuiApplication::primaryScreen();
    QRect g = s ? s->virtualGeometry() : primaryGeometry(false);
    return TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}
TRect TScreen::WorkAreaRect() const
{
    QRect g = primaryGeometry(true);
    return TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}
TPoint TScreen::CursorPos() const
{
    QPoint p = QCursor::pos();
    return TPoint{p.x(), p.y()};
}

} // namespace zuvi::ui
