// Screen service (needs Qt GUI; target zuvi_os_screen): pointer position and work area.
#pragma once

#include <QPoint>
#include <QRect>

namespace zuvi::os {

// The mouse pointer's position in screen coordinates.
QPoint cursorPos();

// The primary screen's work area (the desktop without panels); an empty rectangle without a screen.
QRect workArea();

} // namespace zuvi::os
