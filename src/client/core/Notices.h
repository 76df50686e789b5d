// Bottom-right notices: their place against the desktop work area and their display time.
#pragma once

#include <QDateTime>
#include <QPoint>
#include <QRect>

namespace zuvi::client {

// Top-left corner of a notice of width × height in the bottom-right corner of workArea:
// left = work-area right − width, top = work-area bottom − height (right and bottom exclusive).
QPoint noticeTopLeft(const QRect& workArea, int width, int height);

// Second boundaries passed from `from` to `to`: both readings cut to whole seconds, then
// subtracted. An invalid `from` counts as the start of the clock.
qint64 elapsedWholeSeconds(const QDateTime& from, const QDateTime& to);

} // namespace zuvi::client
