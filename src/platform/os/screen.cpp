// Screen service: pointer position and the primary screen's work area through Qt GUI.
#include "screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace zuvi::os {

QPoint cursorPos()
{
    return QCursor::pos();
}

QRect workArea()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace zuvi::os
