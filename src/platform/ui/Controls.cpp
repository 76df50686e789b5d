// Desktop UI layer: controls with and without a window of their own.
#include "Controls.h"

#include "Components.h"
#include "Forms.h"
#include "Internal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace zuvi::ui {

extern QPoint g_lastPressGlobal;

void PaintWidget::paintEvent(QPaintEvent*)
{
    if (!paint)
        return;
    QPainter p(this);
    Guard([&] { paint(p); });
}

Qt::CursorShape CursorShape(TCursor c)
{
    switch (c) {
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crCross:
        return Qt::CrossCursor;
    case crHourGlass:
        return Qt::WaitCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case crDrag:
        return Qt::DragMoveCursor;
    default:
        return Qt::ArrowCursor;
    }
}

TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

WORD VirtualKeyFromQt(int key, bool keypad)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return WORD((keypad ? 96 : 48) + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return WORD(65 + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return WORD(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Minus:
        return 189;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 187;
    case Qt::Key_Comma:
        return 188;
    case Qt::Key_Period:
        return 190;
    case Qt::Key_Slash:
        return 191;
    default:
        return 0;
    }
}

static TMouseButton buttonOf(Qt::MouseButton b)
{
    switch (b) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

bool ControlBridge::eventFilter(QObject* obj, QEvent* ev)
{
    TControl* c = m_control;
    QWidget* w = c->Widget();
    if (!w)
        return false;
    auto* src = static_cast<QWidget*>(obj);
    switch (ev->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(ev);
        QPoint p = src == w ? me->position().toPoint() : src->mapTo(w, me->position().toPoint());
        TShiftState shift = ShiftFromQt(me->modifiers(), me->buttons());
        if (ev->type() == QEvent::MouseMove) {
            Guard([&] { c->MouseMove(shift, p.x(), p.y()); });
        } else if (ev->type() == QEvent::MouseButtonRelease) {
            TMouseButton b = buttonOf(me->button());
            bool click = c->m_clickOnRelease && b == mbLeft && c->m_leftPressed && QRect(0, 0, c->Width(), c->Height()).contains(p);
            if (b == mbLeft)
                c->m_leftPressed = false;
            if (click)
                Guard([&] { c->Click(); });
            Guard([&] { c->MouseUp(b, shift, p.x(), p.y()); });
        } else {
            g_lastPressGlobal = me->globalPosition().toPoint();
            TMouseButton b = buttonOf(me->button());
            // The release after a double click gives no click.
            if (b == mbLeft)
                c->m_leftPressed = ev->type() == QEvent::MouseButtonPress;
            if (ev->type() == QEvent::MouseButtonDblClick) {
                Guard([&] { c->DblClick(); });
                shift |= ssDouble;
            }
            Guard([&] { c->MouseDown(b, shift, p.x(), p.y()); });
        }
        return false;
    }
    case QEvent::Enter:
        if (src == w)
            Guard([&] { c->MouseEnter(); });
        return false;
    case QEvent::Leave:
        if (src == w)
            Guard([&] { c->MouseLeave(); });
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* wc = dynamic_cast<TWinControl*>(c);
        if (!wc)
            return false;
        QWidget* keyTarget = w->focusProxy() ? w->focusProxy() : w;
        if (src != keyTarget)
            return false; // propagated from the inner widget, already handled there
        auto* ke = static_cast<QKeyEvent*>(ev);
        bool synthetic = dynamic_cast<SyntheticKeyEvent*>(ke) != nullptr;
        TShiftState shift = ShiftFromQt(ke->modifiers(), Qt::NoButton);
        if (ev->type() == QEvent::KeyRelease) {
            if (ke->isAutoRepeat() || synthetic)
                return false;
            WORD key = VirtualKeyFromQt(ke->key(), ke->modifiers() & Qt::KeypadModifier);
            if (key == 0)
                return false;
            Guard([&] { wc->KeyUp(key, shift); });
            return key == 0;
        }
        if (!synthetic) {
            WORD key = VirtualKeyFromQt(ke->key(), ke->modifiers() & Qt::KeypadModifier);
            if (key != 0) {
                Guard([&] { wc->KeyDown(key, shift); });
                if (key == 0)
                    return true;
            }
        }
        QString text = ke->text();
        if (ke->key() == Qt::Key_Backspace)
            text = QString(QChar(8));
        else if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter)
            text = QString(QChar(13));
        if (!text.isEmpty()) {
            char16_t ch = text.at(0).unicode();
            Guard([&] { wc->KeyPress(ch); });
            if (ch == 0)
                return true;
        }
        return false;
    }
    case QEvent::FocusIn:
        if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->OnEnter)
            Guard([&] { wc->OnEnter(wc); });
        return false;
    case QEvent::FocusOut:
        if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->OnExit)
            Guard([&] { wc->OnExit(wc); });
        return false;
    case QEvent::ContextMenu:
        if (c->PopupMenu()) {
            auto* ce = static_cast<QContextMenuEvent*>(ev);
            Guard([&] { c->PopupMenu()->Popup(ce->globalPos().x(), ce->globalPos().y()); });
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---- TControl ----

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner)
    , m_bridge(std::make_unique<ControlBridge>(this))
{ }

TControl::~TControl()
{
    DestroyComponents();
    if (m_parent) {
        auto& v = m_parent->m_controls;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        m_parent = nullptr;
    }
    if (m_widget) {
        QWidget* w = m_widget.data();
        m_widget.clear();
        delete w;
    }
}

void TControl::SetWidget(QWidget* w, bool /*windowed*/)
{
    m_widget = w;
    w->installEventFilter(m_bridge.get());
    w->setMouseTracking(true);
    w->setAttribute(Qt::WA_Hover, false);
    w->hide();
    w->setFont(m_font.ToQFont());
}

void TControl::AddInputWidget(QWidget* w)
{
    w->installEventFilter(m_bridge.get());
    w->setMouseTracking(true);
}

void TControl::applyVisibility()
{
    if (!m_widget)
        return;
    if (m_parent)
        m_widget->setVisible(m_visible);
    else if (!m_widget->isWindow() || dynamic_cast<TCustomForm*>(this) == nullptr)
        m_widget->hide();
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == m_parent)
        return;
    if (m_parent) {
        auto& v = m_parent->m_controls;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    m_parent = parent;
    if (!m_widget)
        return;
    if (parent) {
        parent->m_controls.push_back(this);
        m_widget->setParent(parent->ClientWidget());
        inheritFont(parent->Font());
        m_widget->setGeometry(m_left, m_top, m_width, m_height);
        if (IsWindowed()) {
            m_widget->raise();
        } else {
            // Graphic controls lie below every windowed sibling, in creation order.
            m_widget->raise();
            for (TControl* s : parent->m_controls)
                if (s != this && s->IsWindowed() && s->m_widget) {
                    m_widget->stackUnder(s->m_widget);
                    break;
                }
        }
    } else {
        m_widget->setParent(nullptr);
    }
    applyVisibility();
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    bool resized = width != m_width || height != m_height;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_widget && !m_widget->isWindow())
        m_widget->setGeometry(left, top, width, height);
    if (resized && !Loading())
        Resize();
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

bool TControl::Showing() const
{
    for (const TControl* c = this; c; c = c->m_parent)
        if (!c->m_visible)
            return false;
    return true;
}

void TControl::SetVisible(bool v)
{
    m_visible = v;
    applyVisibility();
}

void TControl::SetEnabled(bool v)
{
    m_enabled = v;
    if (m_widget)
        m_widget->setEnabled(v);
}

void TControl::SetCursor(TCursor c)
{
    m_cursor = c;
    if (m_widget)
        m_widget->setCursor(CursorShape(c));
}

void TControl::SetCaption(const QString& s)
{
    m_caption = s;
    Invalidate();
}

void TControl::SetHint(const QString& s)
{
    m_hint = s;
    if (m_widget)
        m_widget->setToolTip(s);
}

void TControl::SetColor(TColor c)
{
    m_color = c;
    Invalidate();
}

void TControl::ApplyFont()
{
    if (m_widget)
        m_widget->setFont(m_font.ToQFont());
    Invalidate();
}

void TControl::inheritFont(const TFont& f)
{
    if (!m_parentFont)
        return;
    if (!(m_font == f)) {
        m_font = f;
        ApplyFont();
    }
    if (auto* wc = dynamic_cast<TWinControl*>(this))
        for (TControl* c : wc->m_controls)
            c->inheritFont(m_font);
}

void TControl::FontChanged()
{
    m_parentFont = false;
    ApplyFont();
    if (auto* wc = dynamic_cast<TWinControl*>(this))
        for (TControl* c : wc->m_controls)
            c->inheritFont(m_font);
}

void TControl::SetParentFont(bool v)
{
    m_parentFont = v;
    if (v && m_parent)
        inheritFont(m_parent->Font());
}

TPoint TControl::ClientToScreen(const TPoint& p) const
{
    if (!m_widget)
        return p;
    QPoint g = m_widget->mapToGlobal(QPoint(p.X, p.Y));
    return TPoint{g.x(), g.y()};
}

TPoint TControl::ScreenToClient(const TPoint& p) const
{
    if (!m_widget)
        return p;
    QPoint g = m_widget->mapFromGlobal(QPoint(p.X, p.Y));
    return TPoint{g.x(), g.y()};
}

void TControl::BringToFront()
{
    if (m_widget)
        m_widget->raise();
}

void TControl::SendToBack()
{
    if (m_widget)
        m_widget->lower();
}

void TControl::Invalidate()
{
    if (m_widget)
        m_widget->update();
}

void TControl::Repaint()
{
    if (m_widget)
        m_widget->repaint();
}

void TControl::SetMouseCapture(bool on)
{
    if (!m_widget)
        return;
    if (on)
        m_widget->grabMouse();
    else
        m_widget->releaseMouse();
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TControl::MouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
}

TCustomForm* TControl::GetParentForm() const
{
    TCustomForm* form = nullptr;
    for (const TControl* c = this; c; c = c->m_parent)
        if (auto* f = dynamic_cast<const TCustomForm*>(c))
            form = const_cast<TCustomForm*>(f);
    return form;
}

// ---- TGraphicControl ----

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner)
{
    auto* w = new PaintWidget;
    w->paint = [this](QPainter& p) {
        m_canvas.BindPainter(&p);
        m_canvas.Font = Font();
        Paint();
        m_canvas.Unbind();
    };
    SetWidget(w, false);
    SetClickOnRelease(true);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* AOwner)
    : TControl(AOwner)
{ }

TWinControl::~TWinControl()
{
    DestroyComponents();
    while (!m_controls.empty())
        m_controls.back()->Free();
}

void TWinControl::LoadChild(TComponent* child)
{
    if (auto* c = dynamic_cast<TControl*>(child)) {
        c->SetParent(this);
        return;
    }
    if (dynamic_cast<TCustomForm*>(this))
        return; // non-visual components belong to the form only
    TComponent::LoadChild(child);
}

void TWinControl::SetFocus()
{
    if (QWidget* w = Widget())
        w->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const
{
    QWidget* w = Widget();
    return w && (w->hasFocus() || (w->focusProxy() && w->focusProxy()->hasFocus()));
}

void TWinControl::PostKeyChar(char16_t ch)
{
    QWidget* w = Widget();
    if (!w)
        return;
    QWidget* target = w->focusProxy() ? w->focusProxy() : w;
    int key = ch == 8 ? Qt::Key_Backspace : ch == 13 ? Qt::Key_Return
        : ch == 27                                   ? Qt::Key_Escape
                                                     : 0;
    QCoreApplication::postEvent(
        target, new SyntheticKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(ch))));
}

void TWinControl::SetWindowRegion(const TRegion* region)
{
    QWidget* w = Widget();
    if (region) {
        m_region = *region;
        m_hasRegion = true;
        if (w) {
            // An empty mask means "no mask" to Qt; keep one invisible pixel-free region instead.
            if (region->IsEmpty())
                w->setMask(QRegion(-1, -1, 1, 1));
            else
                w->setMask(region->Region());
        }
    } else {
        m_region = TRegion();
        m_hasRegion = false;
        if (w)
            w->clearMask();
    }
    if (w)
        w->update();
}

void TWinControl::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char16_t& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
}

// ---- TCustomControl ----

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner)
{
    auto* w = new PaintWidget;
    w->paint = [this](QPainter& p) {
        m_canvas.BindPainter(&p);
        m_canvas.Font = Font();
        Paint();
        m_canvas.Unbind();
    };
    w->setFocusPolicy(Qt::ClickFocus);
    SetWidget(w, true);
    SetClickOnRelease(true);
}

} // namespace zuvi::ui
