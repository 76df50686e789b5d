// Desktop UI layer: widgets and event bridges behind the controls (not part of the API).
#pragma once

#include "Controls.h"

#include <QKeyEvent>
#include <QObject>
#include <QWidget>
#include <functional>

namespace zuvi::ui {

// Widget of graphic and custom controls and forms: paints through a callback and keeps
// mouse input to itself.
class PaintWidget : public QWidget {
public:
    explicit PaintWidget(QWidget* parent = nullptr)
        : QWidget(parent)
    { }
    std::function<void(QPainter&)> paint;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override { e->accept(); }
};

// Typed character queued by PostKeyChar: reaches OnKeyPress only.
class SyntheticKeyEvent : public QKeyEvent {
public:
    using QKeyEvent::QKeyEvent;
};

// Translates a control's Qt input into the control's framework notifications.
class ControlBridge : public QObject {
public:
    explicit ControlBridge(TControl* control)
        : m_control(control)
    { }
    bool eventFilter(QObject* obj, QEvent* ev) override;

private:
    TControl* m_control;
};

Qt::CursorShape CursorShape(TCursor c);
TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);

} // namespace zuvi::ui
