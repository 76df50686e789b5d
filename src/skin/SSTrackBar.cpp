// Skin controls: the skinned track bar, a bar picture with a skinned button as its slider.
#include "skin/SSTrackBar.h"

#include "skin/Sspublic.h"

#include <QWidget>

#include <algorithm>

namespace zuvi::skin {

TssSkinTrackBar::TssSkinTrackBar(TComponent* AOwner)
    : TPanel(AOwner)
{
    if (QWidget* w = Widget()) {
        w->setAttribute(Qt::WA_OpaquePaintEvent);
        w->setAttribute(Qt::WA_NoSystemBackground);
    }
    m_Slider = new TssSkinButton(this);
    m_Slider->SetParent(this);
    m_Slider->OnMouseDown = [this](ui::TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        OnSliderMouseDown(s, b, sh, x, y);
    };
    m_Min = 0;
    m_Max = 100;
    SetPosition(0);
    m_Orientation = ssHorizontal;
    m_bSlidingFlag = false;
    UpdateSlider();
    SetSize(); // the placeholder's size until a bar picture arrives
}

TssSkinTrackBar::~TssSkinTrackBar()
{
    if (m_Slider) {
        m_Slider->Free();
        m_Slider = nullptr;
    }
}

ui::TPoint TssSkinTrackBar::GetSliderPosFromPosition() const
{
    const int w = Width(), h = Height(), sw = m_Slider->Width(), sh = m_Slider->Height();
    const int range = m_Max - m_Min;
    if (m_Orientation == ssHorizontal) {
        const int left = range != 0 ? (w - sw) * (m_Position - m_Min) / range : 0;
        return ui::TPoint{left, std::max(0, h - sh) / 2};
    }
    const int top = range != 0 ? (h - sh) * (m_Position - m_Min) / range : 0;
    return ui::TPoint{std::max(0, w - sw) / 2, top};
}

int TssSkinTrackBar::GetPositionFromFromSliderPos(int x, int y) const
{
    const int range = m_Max - m_Min;
    if (m_Orientation == ssHorizontal) {
        const int track = Width() - m_Slider->Width();
        return track != 0 ? m_Min + (x - m_Slider->Width() / 2) * range / track : m_Min;
    }
    const int track = Height() - m_Slider->Height();
    return track != 0 ? m_Min + (y - m_Slider->Height() / 2) * range / track : m_Min;
}

void TssSkinTrackBar::UpdatePositionValue(int x, int y, bool move)
{
    int p = GetPositionFromFromSliderPos(x, y);
    if (p > m_Max)
        p = m_Max;
    if (p < m_Min)
        p = m_Min;
    if (move)
        SetPosition(p);
    else
        m_Position = p;
}

void TssSkinTrackBar::UpdateSlider()
{
    PlaceControl(m_Slider, GetSliderPosFromPosition());
    Repaint();
    if (m_OnChange)
        m_OnChange(this);
}

void TssSkinTrackBar::UpdateControl()
{
    UpdateSlider();
    SetSize();
    Repaint();
}

void TssSkinTrackBar::SetSize()
{
    int w, h;
    if (!hasBar()) {
        w = 80;
        h = 20;
    } else if (m_Orientation == ssHorizontal) {
        h = std::max(m_BarSkin.Height(), m_Slider->Height());
        w = m_BarSkin.Width();
    } else {
        w = std::max(m_BarSkin.Width(), m_Slider->Width());
        h = m_BarSkin.Height();
    }
    if (w != Width() || h != Height())
        SetBounds(Left(), Top(), w, h);
}

void TssSkinTrackBar::SetMin(int value)
{
    m_Min = value;
    UpdateSlider();
}

void TssSkinTrackBar::SetMax(int value)
{
    m_Max = value;
    UpdateSlider();
}

void TssSkinTrackBar::SetPosition(int value)
{
    m_Position = value;
    UpdateSlider();
}

void TssSkinTrackBar::SetOrientation(TssBarOrientation value)
{
    m_Orientation = value;
    UpdateControl();
}

void TssSkinTrackBar::SetBarSkin(const TPicture& value)
{
    if (&value != &m_BarSkin)
        m_BarSkin.Assign(value);
    UpdateControl();
}

void TssSkinTrackBar::SetBarSkin(const TBitmap& value)
{
    m_BarSkin.Assign(value);
    UpdateControl();
}

void TssSkinTrackBar::SetSliderSkin(const TPicture& value)
{
    m_Slider->SetSkin(value);
    Repaint();
}

void TssSkinTrackBar::SetSliderSkin(const TBitmap& value)
{
    m_Slider->SetSkin(value);
    Repaint();
}

void TssSkinTrackBar::Resize()
{
    TPanel::Resize();
    // A resize made by UpdateControl itself ends there.
    if (m_updating)
        return;
    m_updating = true;
    struct Reset {
        bool& f;
        ~Reset() { f = false; }
    } reset{m_updating};
    UpdateControl();
}

void TssSkinTrackBar::OnSliderMouseDown(ui::TObject*, TMouseButton, TShiftState, int x, int y)
{
    m_MouseDownPos = m_Orientation == ssHorizontal ? x : y;
    m_bSlidingFlag = true;
    SetMouseCapture(true);
}

void TssSkinTrackBar::MouseMove(TShiftState shift, int x, int y)
{
    TPanel::MouseMove(shift, x, y);
    if (!m_bSlidingFlag)
        return;
    if (m_Orientation == ssHorizontal)
        m_Slider->SetLeft(std::clamp(x - m_MouseDownPos, 0, std::max(0, Width() - m_Slider->Width())));
    else
        m_Slider->SetTop(std::clamp(y - m_MouseDownPos, 0, std::max(0, Height() - m_Slider->Height())));
    if (m_OnChange)
        m_OnChange(this);
    UpdatePositionValue(x, y, false);
}

void TssSkinTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TPanel::MouseUp(button, shift, x, y);
    const bool wasSliding = m_bSlidingFlag;
    m_bSlidingFlag = false;
    SetMouseCapture(false);
    // The slider lost the release to the capture: a move outside it ends its pressed look.
    if (wasSliding)
        m_Slider->MouseMove(0, -1, -1);
}

void TssSkinTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TPanel::MouseDown(button, shift, x, y);
    UpdatePositionValue(x, y, true);
}

void TssSkinTrackBar::Paint()
{
    SetSize();
    ui::TCanvas* c = Canvas();
    if (!hasBar()) {
        c->Brush.Color = ui::clWhite;
        c->FillRect(ClientRect());
        c->Font.Color = ui::clBlack;
        c->DrawText(QStringLiteral("TrackBar"), ClientRect(), ui::DT_CENTER);
        return;
    }
    TBitmap buffer;
    buffer.SetSize(Width(), Height());
    if (buffer.Empty())
        return;
    ui::TCanvas* bc = buffer.Canvas();
    bc->Brush.Color = Color();
    bc->FillRect(ui::TRect{0, 0, Width(), Height()});
    const TBitmap& bar = *m_BarSkin.Graphic();
    if (m_Orientation == ssHorizontal)
        bc->Draw(0, (Height() - bar.Height()) / 2, bar);
    else
        bc->Draw((Width() - bar.Width()) / 2, 0, bar);
    bc->Unbind();
    c->Draw(0, 0, buffer);
}

} // namespace zuvi::skin
