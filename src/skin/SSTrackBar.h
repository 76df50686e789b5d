// Skin controls: the skinned track bar, a bar picture with a skinned button as its slider.
#pragma once

#include "platform/ui/StdCtrls.h"
#include "skin/SSButton.h"

namespace zuvi::skin {

enum TssBarOrientation : unsigned char { ssHorizontal = 0,
    ssVertical = 1 };

class TssSkinTrackBar : public ui::TPanel {
public:
    explicit TssSkinTrackBar(TComponent* AOwner);
    ~TssSkinTrackBar() override;
    QString ClassName() const override { return QStringLiteral("TssSkinTrackBar"); }

    int Min() const { return m_Min; }
    int Max() const { return m_Max; }
    int Position() const { return m_Position; }
    // Stored as given (no clamping); the slider is placed and OnChange raised.
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    TssBarOrientation Orientation() const { return m_Orientation; }
    void SetOrientation(TssBarOrientation value);
    TPicture* BarSkin() { return &m_BarSkin; }
    void SetBarSkin(const TPicture& value);
    void SetBarSkin(const TBitmap& value);
    TPicture* SliderSkin() { return m_Slider->Skin(); }
    void SetSliderSkin(const TPicture& value);
    void SetSliderSkin(const TBitmap& value);
    int SliderDivNum() const { return m_Slider->DivNum(); }
    void SetSliderDivNum(int value) { m_Slider->SetDivNum(value); }
    ui::TCursor SliderCursor() const { return m_Slider->Cursor(); }
    void SetSliderCursor(ui::TCursor value) { m_Slider->SetCursor(value); }
    TssSkinButton* Slider() const { return m_Slider; }
    bool Sliding() const { return m_bSlidingFlag; }

    TNotifyEvent m_OnChange; // published as OnChange

    // Slider place for the stored position, and the position of a point taken as the
    // slider's centre. A track without length (Max = Min, or no room beside the slider)
    // keeps the slider at the Min end and gives Min for every point.
    ui::TPoint GetSliderPosFromPosition() const;
    int GetPositionFromFromSliderPos(int x, int y) const;
    void UpdatePositionValue(int x, int y, bool move);
    void UpdateSlider();
    void UpdateControl();
    void SetSize();

    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Resize() override;

protected:
    void Paint() override;

private:
    void OnSliderMouseDown(ui::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    bool hasBar() const { return m_BarSkin.Width() > 0 && m_BarSkin.Height() > 0; }

    TPicture m_BarSkin;
    TssSkinButton* m_Slider = nullptr;
    int m_Min = 0;
    int m_Max = 100;
    int m_Position = 0;
    TssBarOrientation m_Orientation = ssHorizontal;
    bool m_bSlidingFlag = false;
    int m_MouseDownPos = 0;
    bool m_updating = false;
};

} // namespace zuvi::skin
