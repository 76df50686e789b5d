// Desktop UI layer: controls with and without a window of their own.
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

namespace zuvi::ui {

class TWinControl;
class TCustomForm;
class TPopupMenu;
class ControlBridge;

// Base of all controls. Positions are relative to the parent's client area.
// Every control is realised by one Qt widget (Widget()); graphic controls stay stacked below
// the windowed controls of the same parent, as their drawing on the parent's surface would.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    QString ClassName() const override { return QStringLiteral("TControl"); }

    TWinControl* Parent() const { return m_parent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int v) { SetBounds(v, m_top, m_width, m_height); }
    void SetTop(int v) { SetBounds(m_left, v, m_width, m_height); }
    void SetWidth(int v) { SetBounds(m_left, m_top, v, m_height); }
    void SetHeight(int v) { SetBounds(m_left, m_top, m_width, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const { return m_width; }
    int ClientHeight() const { return m_height; }
    TRect ClientRect() const { return TRect{0, 0, m_width, m_height}; }
    TRect BoundsRect() const { return TRect{m_left, m_top, m_left + m_width, m_top + m_height}; }

    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible.
    bool Showing() const;
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool v);
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor c);
    QString Caption() const { return m_caption; }
    virtual void SetCaption(const QString& s);
    QString Text() const { return Caption(); }
    void SetText(const QString& s) { SetCaption(s); }
    QString Hint() const { return m_hint; }
    void SetHint(const QString& s);
    TColor Color() const { return m_color; }
    virtual void SetColor(TColor c);
    TFont& Font() { return m_font; }
    const TFont& Font() const { return m_font; }
    // Applies a changed Font to the widget and to the children that use their parent's font;
    // the control no longer follows its parent's font.
    void FontChanged();
    // With ParentFont (the default) the control takes its parent's font when placed and
    // whenever the parent's font changes.
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool v);
    TPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* menu) { m_popupMenu = menu; }

    TPoint ClientToScreen(const TPoint& p) const;
    TPoint ScreenToClient(const TPoint& p) const;
    void BringToFront();
    void SendToBack();
    // Marks for repainting / repaints at once.
    void Invalidate();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    // Routes all mouse input to this control until released (SetCapture / ReleaseCapture).
    void SetMouseCapture(bool on);

    // Standard events.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    // Framework notifications. The defaults raise the matching events; overrides call them
    // to get the inherited handling.
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();

    // The form this control lies on (outermost), or nullptr.
    TCustomForm* GetParentForm() const;
    QWidget* Widget() const { return m_widget.data(); }

protected:
    // Applies Font to the widget (overrides add colours, auto-size ...); call the base.
    virtual void ApplyFont();
    // Sets the widget that realises the control (called once by each concrete class).
    void SetWidget(QWidget* w, bool windowed);
    // Extra Qt widgets whose input belongs to this control (viewports, inner edits).
    void AddInputWidget(QWidget* w);
    // Graphic controls and custom controls generate Click() from a left press and release.
    void SetClickOnRelease(bool on) { m_clickOnRelease = on; }
    virtual bool IsWindowed() const { return false; }
    void applyVisibility();

private:
    friend class ControlBridge;
    friend class TWinControl;
    QPointer<QWidget> m_widget;
    std::unique_ptr<ControlBridge> m_bridge;
    TWinControl* m_parent = nullptr;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_clickOnRelease = false;
    bool m_leftPressed = false;
    TCursor m_cursor = crDefault;
    QString m_caption;
    QString m_hint;
    TColor m_color = clBtnFace;
    TFont m_font;
    bool m_parentFont = true;
    TPopupMenu* m_popupMenu = nullptr;
    void inheritFont(const TFont& f);
};

// A control without a window of its own: drawn on its parent's surface by Paint().
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TGraphicControl"); }
    TCanvas* Canvas() { return &m_canvas; }

protected:
    friend class PaintWidget;
    virtual void Paint() { }

private:
    TCanvas m_canvas;
};

// A control with a window of its own, parent of other controls, with keyboard events.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    QString ClassName() const override { return QStringLiteral("TWinControl"); }

    int ControlCount() const { return int(m_controls.size()); }
    TControl* Controls(int index) const { return m_controls.at(std::size_t(index)); }
    void LoadChild(TComponent* child) override;
    void SetFocus();
    bool Focused() const;
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool v) { m_tabStop = v; }
    // Queues a typed character to the control as if typed (8 = backspace).
    void PostKeyChar(char16_t ch);

    // Region: only the region's pixels belong to the window, for drawing and for the mouse.
    // nullptr removes the region (the whole rectangle is the window again).
    void SetWindowRegion(const TRegion* region);
    bool HasWindowRegion() const { return m_hasRegion; }
    const TRegion& WindowRegion() const { return m_region; }

    // The widget that children are placed in.
    virtual QWidget* ClientWidget() const { return Widget(); }

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(char16_t& key);

protected:
    bool IsWindowed() const override { return true; }

private:
    friend class TControl;
    std::vector<TControl*> m_controls;
    TRegion m_region;
    bool m_hasRegion = false;
    bool m_tabStop = true;
};

// A windowed control that draws itself in Paint() on its own canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TCustomControl"); }
    TCanvas* Canvas() { return &m_canvas; }

protected:
    friend class PaintWidget;
    virtual void Paint() { }

private:
    TCanvas m_canvas;
};

// Maps a Qt key to its Windows virtual-key code (0 when there is none).
WORD VirtualKeyFromQt(int qtKey, bool keypad);

} // namespace zuvi::ui
