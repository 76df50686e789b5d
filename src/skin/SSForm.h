// Skin controls: the skinned form background, whose bitmap gives its form size, shape and drag.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"

#include <memory>

namespace zuvi::skin {

using ui::TBitmap;
using ui::TColor;
using ui::TComponent;
using ui::TCustomForm;
using ui::TMouseButton;
using ui::TNotifyEvent;
using ui::TShiftState;

class TssSkinForm : public ui::TGraphicControl {
public:
    explicit TssSkinForm(TComponent* AOwner);
    ~TssSkinForm() override;
    QString ClassName() const override { return QStringLiteral("TssSkinForm"); }

    // Glyph: the skin bitmap. Writing it takes a copy, applies region and size, repaints.
    TBitmap* Glyph() { return m_Picture.get(); }
    const TBitmap* Glyph() const { return m_Picture.get(); }
    void SetPicture(const TBitmap& value);
    // TransparentColor: pixels of exactly this colour are cut out of the form.
    TColor TransparentColor() const { return m_Color; }
    void SetColor(TColor value);

    // Cuts the form's region from the bitmap and sizes the background and the form's client
    // area to it; nothing happens while the bitmap is empty.
    void ReSetWndRgn();

    // The form this background shapes and moves (nullptr when the owner is no form).
    TCustomForm* Form() const { return m_Form; }

    TNotifyEvent m_OnRegionChanged; // published as OnRegionChanged

protected:
    void Paint() override;

public:
    // Raises OnMouseDown, then lets the user move the form (any mouse button).
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TCustomForm* m_Form = nullptr;
    std::unique_ptr<TBitmap> m_Picture;
    TColor m_Color = ui::clFuchsia;
};

} // namespace zuvi::skin
