// Bottom-right notices: their place against the desktop work area and their display time.
#include "client/core/Notices.h"

namespace zuvi::client {

QPoint noticeTopLeft(const QRect& workArea, int width, int height)
{
    return {workArea.x() + workArea.width() - width, workArea.y() + workArea.height() - height};
}

namespace {

qint64 wholeSeconds(const QDateTime& t)
{
    if (!t.isValid())
        return 0;
    const qint64 ms = t.toMSecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

} // namespace

qint64 elapsedWholeSeconds(const QDateTime& from, const QDateTime& to)
{
    return wholeSeconds(to) - wholeSeconds(from);
}

} // namespace zuvi::client
