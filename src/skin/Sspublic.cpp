// Skin controls: window-region helpers and control placement shared by the skin controls.
#include "skin/Sspublic.h"

#include <QPainter>
#include <QWidget>

namespace zuvi::skin {

namespace {

// Rows as 32-bit RGB whatever the bitmap's own format (8-bit bitmaps carry a palette).
QImage rgbRows(const TBitmap& bitmap)
{
    const QImage& img = bitmap.Image();
    if (img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_ARGB32)
        return img;
    return img.convertToFormat(QImage::Format_RGB32);
}

inline TColor colorOf(QRgb px)
{
    return ui::RGB(qRed(px), qGreen(px), qBlue(px));
}

} // namespace

std::vector<TRect> BitmapRuns(const TBitmap& bitmap, TColor maskColor)
{
    std::vector<TRect> runs;
    if (bitmap.Empty())
        return runs;
    const QImage img = rgbRows(bitmap);
    const int w = img.width(), h = img.height();
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && colorOf(row[x]) == maskColor)
                ++x;
            if (x == w)
                break;
            const int x0 = x;
            while (x < w && colorOf(row[x]) != maskColor)
                ++x;
            // The run ends at the first mask pixel or at the row's end; the last column
            // belongs to it like any other.
            runs.push_back(TRect{x0, y, x, y + 1});
        }
    }
    return runs;
}

TRegion BitmapRegion(const TBitmap& bitmap, TColor maskColor)
{
    // Each run is united into the result as it comes (runs arrive top to bottom, left to
    // right, which the region's union handles in constant time per run).
    TRegion region = TRegion::FromRect(0, 0, 0, 0);
    for (const TRect& r : BitmapRuns(bitmap, maskColor))
        region.Unite(TRegion::FromRect(r.Left, r.Top, r.Right, r.Bottom));
    return region;
}

void SetBitmapWindow(TWinControl* window, const TBitmap& bitmap, TColor maskColor)
{
    if (!window)
        return;
    const TRegion region = BitmapRegion(bitmap, maskColor);
    window->SetWindowRegion(&region);
}

void ResetWindow(TWinControl* window)
{
    if (window)
        window->SetWindowRegion(nullptr);
}

void PlaceControl(TControl* control, const TPoint& position)
{
    control->SetLeft(position.X);
    control->SetTop(position.Y);
}

void PlaceControl(TControl* control, const TRect& bounds)
{
    control->SetLeft(bounds.Left);
    control->SetTop(bounds.Top);
    control->SetWidth(bounds.Right - bounds.Left);
    control->SetHeight(bounds.Bottom - bounds.Top);
}

void DoTrans(TCanvas* canvas, TWinControl* control)
{
    if (!canvas || !control || !control->Parent())
        return;
    TWinControl* parent = control->Parent();
    QWidget* surface = parent->ClientWidget();
    QPainter* p = canvas->Painter();
    if (!surface || !p)
        return;
    // What the parent paints on its own surface: its background and its controls without a
    // window of their own (those are drawn on the parent), clipped to the parent's client area.
    const QPoint origin(control->Left(), control->Top());
    const QRect behind = QRect(origin, QSize(control->Width(), control->Height()))
                             .intersected(QRect(0, 0, parent->ClientWidth(), parent->ClientHeight()));
    if (behind.isEmpty())
        return;
    p->save();
    surface->render(p, behind.topLeft() - origin, QRegion(behind), QWidget::DrawWindowBackground);
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == control || dynamic_cast<TWinControl*>(c) || !c->Visible() || !c->Widget())
            continue;
        const QRect own = QRect(c->Left(), c->Top(), c->Width(), c->Height()).intersected(behind);
        if (own.isEmpty())
            continue;
        c->Widget()->render(p, own.topLeft() - origin, QRegion(own.translated(-c->Left(), -c->Top())),
            QWidget::RenderFlags());
    }
    p->restore();
}

} // namespace zuvi::skin
