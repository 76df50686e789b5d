// Desktop UI layer: basic value types, colours, enums and event signatures shared by all controls.
#pragma once

#include <QChar>
#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>

namespace zuvi::ui {

class TObject;

// Colours are 32-bit values in the Windows convention 0x00BBGGRR (red in the low byte).
// A value with the high byte 0xFF is a system colour; it never equals a pixel's colour.
using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGB(int r, int g, int b)
{
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) { return int(c & 0xFF); }
constexpr int GetGValue(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return int((c >> 16) & 0xFF); }
// System colours resolve to the application palette.
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};
inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
inline TPoint Point(int x, int y) { return TPoint{x, y}; }

enum class TMouseButton { mbLeft,
    mbRight,
    mbMiddle };
using enum TMouseButton;

// Shift state as a bit set.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32,
                      ssDouble = 64;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7;

using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeAll = -22,
                  crHandPoint = -21, crHourGlass = -11, crDrag = -12;

enum TAlignment { taLeftJustify,
    taRightJustify,
    taCenter };
enum TBorderStyle { bsNone,
    bsSingle,
    bsSizeable,
    bsDialog,
    bsToolWindow,
    bsSizeToolWin };
enum TPosition { poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter };
enum TFormStyle { fsNormal,
    fsMDIChild,
    fsMDIForm,
    fsStayOnTop };
enum TWindowState { wsNormal,
    wsMinimized,
    wsMaximized };
enum TCloseAction { caNone,
    caHide,
    caFree,
    caMinimize };
enum TScrollStyle { ssNone,
    ssHorizontal,
    ssVertical,
    ssBoth };
enum TTrackBarOrientation { trHorizontal,
    trVertical };
enum TTickStyle { tsNone,
    tsAuto,
    tsManual };
enum TBevelCut { bvNone,
    bvLowered,
    bvRaised,
    bvSpace };
enum TComboBoxStyle { csDropDown,
    csSimple,
    csDropDownList };
enum TPixelFormat { pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit };

// Font style bits.
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

// Windows virtual-key codes delivered in key events.
using WORD = std::uint16_t;
constexpr WORD VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17,
               VK_MENU = 18, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
               VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
               VK_INSERT = 45, VK_DELETE = 46, VK_F1 = 112;

// Event signatures. Handlers are closures or bound methods (see HandlerTable in Layout.h).
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

} // namespace zuvi::ui
