// Skin controls: bitmap-strip buttons (normal, pointer over, pressed, disabled) and the linked button.
#include "skin/SSButton.h"

#include "platform/os/Exception.h"
#include "platform/ui/Forms.h"
#include "skin/Sspublic.h"

#include <QWidget>

#include <algorithm>

namespace zuvi::skin {

// ---- TssCustomButton ----

TssCustomButton::TssCustomButton(TComponent* AOwner)
    : TCustomControl(AOwner)
{
    SetCaption(QString());
    if (QWidget* w = Widget()) {
        // Every paint covers the whole button: no background erase, no flicker.
        w->setAttribute(Qt::WA_OpaquePaintEvent);
        w->setAttribute(Qt::WA_NoSystemBackground);
        w->setFocusPolicy(Qt::NoFocus); // no keyboard operation
    }
}

void TssCustomButton::SetMask(bool value)
{
    m_Mask = value;
    MaskChanged();
}

void TssCustomButton::SetMaskColor(TColor value)
{
    m_MaskColor = value;
    MaskChanged();
}

void TssCustomButton::SetEnabled(bool value)
{
    TCustomControl::SetEnabled(value);
    Repaint();
}

void TssCustomButton::MouseEnter()
{
    // The inherited enter handling only raises OnMouseEnter, which this button raises itself
    // once its look has changed.
    m_MouseIn = true;
    Repaint();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TssCustomButton::MouseLeave()
{
    TCustomControl::MouseLeave();
    m_MouseIn = false;
    Repaint();
    if (OnMouseExit)
        OnMouseExit(this);
}

void TssCustomButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == ui::mbLeft) {
        m_MouseDown = true;
        Repaint();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TssCustomButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == ui::mbLeft && m_MouseDown) {
        m_MouseUp = true;
        m_MouseDown = false;
        Repaint();
        try {
            Click();
        } catch (...) {
            m_MouseUp = false;
            throw;
        }
        m_MouseUp = false;
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

void TssCustomButton::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    if (x < 0 || y < 0 || x > Width() || y > Height()) {
        m_MouseIn = false;
        m_MouseDown = false;
        Repaint();
    }
}

void TssCustomButton::Click()
{
    if (!m_MouseUp || !Enabled())
        return;
    if (ui::TCustomForm* form = GetParentForm())
        form->SetModalResult(m_ModalResult);
    TCustomControl::Click();
}

int TssCustomButton::Look() const
{
    if (!Enabled())
        return 3;
    if (m_MouseDown)
        return 2;
    if (m_MouseIn)
        return 1;
    return 0;
}

void TssCustomButton::Paint()
{
    TBitmap buffer;
    AdjustSize();
    buffer.SetSize(Width(), Height());
    if (buffer.Empty())
        return;
    ui::TCanvas* bc = buffer.Canvas();
    bc->Brush.Color = ui::clWhite;
    bc->FillRect(ui::TRect{0, 0, Width(), Height()});
    try {
        switch (Look()) {
        case 3:
            PaintButtonDisabled(&buffer);
            break;
        case 2:
            PaintButtonMouseDown(&buffer);
            break;
        case 1:
            PaintButtonMouseOn(&buffer);
            break;
        default:
            PaintButtonNormal(&buffer);
            break;
        }
    } catch (...) {
        // The button shows whatever the buffer holds.
    }
    bc->Unbind();
    Canvas()->BitBlt(0, 0, buffer.Width(), buffer.Height(), buffer, 0, 0);
}

// ---- TssSkinButton ----

TssSkinButton::TssSkinButton(TComponent* AOwner)
    : TssCustomButton(AOwner)
{
    m_Skin.OnChange = [this] { SkinChanged(); };
    AdjustSize(); // the placeholder's size until a skin arrives
}

TssSkinButton::~TssSkinButton()
{
    m_Skin.OnChange = nullptr;
}

void TssSkinButton::SetSkin(const TPicture& value)
{
    if (&value != &m_Skin)
        m_Skin.Assign(value);
    Repaint();
}

void TssSkinButton::SetSkin(const TBitmap& value)
{
    m_Skin.Assign(value);
    Repaint();
}

void TssSkinButton::SetDivNum(int value)
{
    if (value < 1 || value > 4)
        return;
    m_DivNum = value;
    AdjustSize();
    MaskChanged();
    Repaint();
}

void TssSkinButton::SkinChanged()
{
    AdjustSize();
    MaskChanged();
    Repaint();
}

void TssSkinButton::SetName(const QString& name)
{
    TssCustomButton::SetName(name);
    Repaint();
}

int TssSkinButton::FrameWidth() const
{
    return m_Skin.Width() / m_DivNum;
}

void TssSkinButton::AdjustSize()
{
    if (m_Skin.Width() != 0 && m_Skin.Height() != 0) {
        const int w = FrameWidth(), h = m_Skin.Height();
        if (w != Width() || h != Height())
            SetBounds(Left(), Top(), w, h);
    } else if (Width() != 50 || Height() != 30) {
        SetBounds(Left(), Top(), 50, 30);
    }
}

void TssSkinButton::MaskChanged()
{
    TBitmap shape;
    shape.SetSize(Width(), Height());
    const TBitmap* skin = m_Skin.Graphic();
    if (m_Mask && skin && !shape.Empty()) {
        shape.Canvas()->BitBlt(0, 0, FrameWidth(), skin->Height(), *skin, 0, 0);
        shape.Canvas()->Unbind();
        SetBitmapWindow(this, shape, m_MaskColor);
    } else {
        ResetWindow(this);
    }
}

void TssSkinButton::PaintFrame(TBitmap* bitmap, int frame)
{
    const TBitmap* skin = m_Skin.Graphic();
    if (!skin || skin->Empty() || frame >= m_DivNum) {
        PaintButtonNormal(bitmap);
        return;
    }
    const int fw = FrameWidth();
    bitmap->Canvas()->BitBlt(0, 0, fw, skin->Height(), *skin, frame * fw, 0);
}

void TssSkinButton::PaintButtonNormal(TBitmap* bitmap)
{
    const TBitmap* skin = m_Skin.Graphic();
    ui::TCanvas* c = bitmap->Canvas();
    if (!skin) {
        // No skin at all: the name, in black, centred at the top.
        c->Font.Color = ui::clBlack;
        c->Pen.Color = ui::clBlack;
        c->DrawText(Name(), ui::TRect{0, 0, Width(), 20}, ui::DT_CENTER);
        return;
    }
    if (skin->Empty()) {
        c->Brush.Color = ui::clBlack;
        c->FrameRect(ui::TRect{0, 0, bitmap->Width(), bitmap->Height()});
        return;
    }
    const int fw = FrameWidth();
    c->BitBlt(0, 0, fw, skin->Height(), *skin, 0, 0);
}

// Frames per look for DivNum 1 to 4; a frame beyond the strip draws the normal look.
void TssSkinButton::PaintButtonMouseOn(TBitmap* bitmap)
{
    if (m_DivNum >= 2)
        PaintFrame(bitmap, 1);
    else
        PaintButtonNormal(bitmap);
}

void TssSkinButton::PaintButtonMouseDown(TBitmap* bitmap)
{
    if (m_DivNum >= 3)
        PaintFrame(bitmap, 2);
    else
        PaintButtonNormal(bitmap);
}

void TssSkinButton::PaintButtonDisabled(TBitmap* bitmap)
{
    if (m_DivNum >= 4)
        PaintFrame(bitmap, 3);
    else
        PaintButtonNormal(bitmap);
}

// ---- TssLinkButton ----

TssLinkButton::TssLinkButton(TComponent* AOwner)
    : TssSkinButton(AOwner)
{ }

TssLinkButton::~TssLinkButton()
{
    for (TssLinkButton* b : m_LinkedBy)
        b->m_ButtonToLink = nullptr;
    link(nullptr);
}

void TssLinkButton::link(TssLinkButton* target)
{
    if (m_ButtonToLink) {
        auto& v = m_ButtonToLink->m_LinkedBy;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    m_ButtonToLink = target;
    if (target)
        target->m_LinkedBy.push_back(this);
}

void TssLinkButton::SetLinkButton(TssLinkButton* value)
{
    if (value && value->m_ButtonToLink == this) {
        link(nullptr);
        throw zuvi::Exception(QStringLiteral("ButtonToLink 属性不能循环指定！ "));
    }
    link(value);
}

// Runs this button's own handling, then passes the notification on along the links; a chain
// that closes on itself ends where it started.
void TssLinkButton::passOn(const std::function<void()>& own, void (TssLinkButton::*next)())
{
    if (m_Passing)
        return;
    m_Passing = true;
    struct Reset {
        bool& f;
        ~Reset() { f = false; }
    } reset{m_Passing};
    own();
    if (m_ButtonToLink)
        (m_ButtonToLink->*next)();
}

void TssLinkButton::MouseEnter()
{
    passOn([this] { TssSkinButton::MouseEnter(); }, &TssLinkButton::MouseEnter);
}

void TssLinkButton::MouseLeave()
{
    passOn([this] { TssSkinButton::MouseLeave(); }, &TssLinkButton::MouseLeave);
}

} // namespace zuvi::skin
