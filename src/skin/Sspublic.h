// Skin controls: window-region helpers and control placement shared by the skin controls.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"

#include <vector>

namespace zuvi::skin {

using ui::TBitmap;
using ui::TCanvas;
using ui::TColor;
using ui::TControl;
using ui::TPoint;
using ui::TRect;
using ui::TRegion;
using ui::TWinControl;

// The runs of pixels whose colour is not maskColor, row by row from the top, left to right:
// one rectangle (x0, y, x1 + 1, y + 1) per run, rows never merged. Colours are compared as
// 32-bit TColor values, so a system colour matches no pixel.
std::vector<TRect> BitmapRuns(const TBitmap& bitmap, TColor maskColor);
// The union of BitmapRuns, in window coordinates (pixel (0, 0) is the window's top-left).
TRegion BitmapRegion(const TBitmap& bitmap, TColor maskColor);

// Gives the window the region of the bitmap's pixels that are not of maskColor; only those
// pixels belong to the window, for drawing and for the mouse.
void SetBitmapWindow(TWinControl* window, const TBitmap& bitmap, TColor maskColor);
// Removes the window's region: the whole window rectangle is visible again.
void ResetWindow(TWinControl* window);

// Left := X, then Top := Y.
void PlaceControl(TControl* control, const TPoint& position);
// Left, Top, Width, Height from the rectangle, in that order.
void PlaceControl(TControl* control, const TRect& bounds);

// Paints into the canvas what the control's parent shows behind the control (the parent's
// own background and drawing, not its other children). Nothing when there is no parent.
void DoTrans(TCanvas* canvas, TWinControl* control);

} // namespace zuvi::skin
