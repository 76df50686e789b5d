// Skin controls: the skinned form background, whose bitmap gives its form size, shape and drag.
#include "skin/SSForm.h"

#include "skin/Sspublic.h"

namespace zuvi::skin {

TssSkinForm::TssSkinForm(TComponent* AOwner)
    : TGraphicControl(AOwner)
    , m_Picture(std::make_unique<TBitmap>())
{
    // The bitmap exists with any owner, so that a background without a form can still be
    // painted and given a picture; only a form owner is shaped and moved.
    if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) {
        m_Form = form;
        form->SetBorderStyle(ui::bsNone);
        m_Color = ui::clFuchsia;
        SetWidth(200);
        SetHeight(100);
    }
}

TssSkinForm::~TssSkinForm() = default;

void TssSkinForm::SetPicture(const TBitmap& value)
{
    if (&value != m_Picture.get())
        m_Picture->Assign(value);
    ReSetWndRgn();
    Repaint();
}

void TssSkinForm::SetColor(TColor value)
{
    m_Color = value;
    ReSetWndRgn();
    Repaint();
}

void TssSkinForm::ReSetWndRgn()
{
    if (m_Picture->Empty())
        return;
    if (m_Form)
        SetBitmapWindow(m_Form, *m_Picture, m_Color);
    if (m_Picture->Width() != 0 && m_Picture->Height() != 0) {
        SetHeight(m_Picture->Height());
        SetWidth(m_Picture->Width());
    }
    SetTop(0);
    SetLeft(0);
    if (m_Form) {
        m_Form->SetClientHeight(Height());
        m_Form->SetClientWidth(Width());
    }
    if (m_OnRegionChanged)
        m_OnRegionChanged(this);
}

void TssSkinForm::Paint()
{
    ui::TCanvas* canvas = Canvas();
    if (m_Picture->Width() != 0 && m_Picture->Height() != 0) {
        canvas->Draw(0, 0, *m_Picture);
    } else {
        canvas->Brush.Color = ui::clBlack;
        canvas->FrameRect(ClientRect());
    }
}

void TssSkinForm::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (m_Form)
        m_Form->BeginDrag();
}

} // namespace zuvi::skin
