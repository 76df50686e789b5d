// Skin controls: the digit display, one cell of a bitmap strip of digits.
#include "skin/SSNumber.h"

#include "skin/Sspublic.h"

#include <QWidget>

namespace zuvi::skin {

TssSkinNumber::TssSkinNumber(TComponent* AOwner)
    : TCustomControl(AOwner)
{
    if (QWidget* w = Widget()) {
        w->setAttribute(Qt::WA_OpaquePaintEvent);
        w->setAttribute(Qt::WA_NoSystemBackground);
        w->setFocusPolicy(Qt::NoFocus);
    }
    m_Skin.OnChange = [this] { SkinChanged(); };
    adjustSize();
}

TssSkinNumber::~TssSkinNumber()
{
    m_Skin.OnChange = nullptr;
}

int TssSkinNumber::CellWidth() const
{
    const int cells = m_Max - m_Min + 1;
    return cells > 0 ? m_Skin.Width() / cells : 0;
}

// A skin with a graphic, a size and at least one cell of at least one column. A display
// whose Max is below its Min has no cells and shows the placeholder.
bool TssSkinNumber::usable() const
{
    return m_Skin.Width() > 0 && m_Skin.Height() > 0 && CellWidth() > 0;
}

void TssSkinNumber::adjustSize()
{
    const int w = usable() ? CellWidth() : 24;
    const int h = usable() ? m_Skin.Height() : 40;
    if (w != Width() || h != Height())
        SetBounds(Left(), Top(), w, h);
}

void TssSkinNumber::SetMin(int value)
{
    m_Min = value;
    if (m_Value < value)
        m_Value = value;
    SkinChanged();
}

void TssSkinNumber::SetMax(int value)
{
    m_Max = value;
    if (m_Value > value)
        m_Value = value;
    SkinChanged();
}

void TssSkinNumber::SetValue(int value)
{
    if (value < m_Min || value > m_Max)
        return;
    m_Value = value;
    SkinChanged();
}

void TssSkinNumber::SetSkin(const TPicture& value)
{
    if (&value != &m_Skin)
        m_Skin.Assign(value);
    Repaint();
}

void TssSkinNumber::SetSkin(const TBitmap& value)
{
    m_Skin.Assign(value);
    Repaint();
}

void TssSkinNumber::SetMask(bool value)
{
    m_Mask = value;
    MaskChanged();
}

void TssSkinNumber::SetMaskColor(TColor value)
{
    m_MaskColor = value;
    MaskChanged();
}

void TssSkinNumber::SkinChanged()
{
    adjustSize();
    if (m_Mask)
        MaskChanged();
    Repaint();
}

void TssSkinNumber::MaskChanged()
{
    TBitmap shape;
    shape.SetSize(Width(), Height());
    const TBitmap* skin = m_Skin.Graphic();
    if (m_Mask && skin && usable() && !shape.Empty()) {
        const int cw = CellWidth();
        shape.Canvas()->BitBlt(0, 0, cw, skin->Height(), *skin, (m_Value - m_Min) * cw, 0);
        shape.Canvas()->Unbind();
        SetBitmapWindow(this, shape, m_MaskColor);
    } else {
        ResetWindow(this);
    }
}

void TssSkinNumber::Paint()
{
    ui::TCanvas* c = Canvas();
    adjustSize();
    if (!usable()) {
        c->Brush.Color = ui::clWhite;
        c->FillRect(ClientRect());
        c->Font.Color = ui::clBlack;
        c->DrawText(QStringLiteral("Num"), ClientRect(), ui::DT_CENTER);
        return;
    }
    const int cw = CellWidth();
    c->BitBlt(0, 0, cw, m_Skin.Height(), *m_Skin.Graphic(), (m_Value - m_Min) * cw, 0);
}

} // namespace zuvi::skin
