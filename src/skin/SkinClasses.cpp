// Skin controls: registration of the skin classes with the layout loader.
#include "skin/SkinClasses.h"

#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/Label1.h"
#include "skin/SSForm.h"
#include "skin/SSNumber.h"
#include "skin/SSTrackBar.h"

namespace zuvi::skin {

using ui::LayoutValue;

void RegisterSkinClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;

    // Glyph from a layout is read straight into the background's bitmap; TransparentColor,
    // stored after it, applies region and size through SetColor.
    ui::RegisterClass<TssSkinForm>("TssSkinForm", "TGraphicControl")
        .property("Glyph", [](TssSkinForm& f, const LayoutValue& v) { f.Glyph()->LoadFromFile(v.toPath()); })
        .property("TransparentColor", [](TssSkinForm& f, const LayoutValue& v) { f.SetColor(v.toColor()); })
        .property("OnRegionChanged",
            [](TssSkinForm& f, const LayoutValue& v) { f.m_OnRegionChanged = v.toHandler<ui::TNotifyEvent>(); });

    ui::RegisterAbstractClass<TssCustomButton>("TssCustomButton", "TCustomControl")
        .property("Mask", [](TssCustomButton& b, const LayoutValue& v) { b.SetMask(v.toBool()); })
        .property("MaskColor", [](TssCustomButton& b, const LayoutValue& v) { b.SetMaskColor(v.toColor()); })
        .property("ModalResult", [](TssCustomButton& b, const LayoutValue& v) { b.SetModalResult(v.toInt()); })
        .property("OnMouseEnter",
            [](TssCustomButton& b, const LayoutValue& v) { b.OnMouseEnter = v.toHandler<ui::TNotifyEvent>(); })
        .property("OnMouseExit",
            [](TssCustomButton& b, const LayoutValue& v) { b.OnMouseExit = v.toHandler<ui::TNotifyEvent>(); });

    // Skin from a layout raises the skin's change notification (with the initial DivNum 3);
    // DivNum, Mask and MaskColor stored after it go through their setters.
    ui::RegisterClass<TssSkinButton>("TssSkinButton", "TssCustomButton")
        .property("Skin", [](TssSkinButton& b, const LayoutValue& v) { b.Skin()->LoadFromFile(v.toPath()); })
        .property("DivNum", [](TssSkinButton& b, const LayoutValue& v) { b.SetDivNum(v.toInt()); });

    ui::RegisterClass<TssLinkButton>("TssLinkButton", "TssSkinButton")
        .property("ButtonToLink", [](TssLinkButton& b, const LayoutValue& v) {
            TssLinkButton* self = &b;
            v.toComponent([self](ui::TComponent* c) { self->SetLinkButton(dynamic_cast<TssLinkButton*>(c)); });
        });

    ui::RegisterClass<TssSkinNumber>("TssSkinNumber", "TCustomControl")
        .property("Min", [](TssSkinNumber& n, const LayoutValue& v) { n.SetMin(v.toInt()); })
        .property("Max", [](TssSkinNumber& n, const LayoutValue& v) { n.SetMax(v.toInt()); })
        .property("Value", [](TssSkinNumber& n, const LayoutValue& v) { n.SetValue(v.toInt()); })
        .property("Skin", [](TssSkinNumber& n, const LayoutValue& v) { n.Skin()->LoadFromFile(v.toPath()); })
        .property("Mask", [](TssSkinNumber& n, const LayoutValue& v) { n.SetMask(v.toBool()); })
        .property("MaskColor", [](TssSkinNumber& n, const LayoutValue& v) { n.SetMaskColor(v.toColor()); });

    ui::RegisterClass<TssSkinTrackBar>("TssSkinTrackBar", "TPanel")
        .property("Orientation", [](TssSkinTrackBar& t, const LayoutValue& v) {
            t.SetOrientation(TssBarOrientation(v.toEnum({{"ssHorizontal", ssHorizontal}, {"ssVertical", ssVertical}})));
        })
        .property("BarSkin", [](TssSkinTrackBar& t, const LayoutValue& v) {
            ui::TPicture p;
            p.LoadFromFile(v.toPath());
            t.SetBarSkin(p);
        })
        .property("SliderSkin", [](TssSkinTrackBar& t, const LayoutValue& v) {
            ui::TPicture p;
            p.LoadFromFile(v.toPath());
            t.SetSliderSkin(p);
        })
        .property("SliderDivNum", [](TssSkinTrackBar& t, const LayoutValue& v) { t.SetSliderDivNum(v.toInt()); })
        .property("SliderCursor", [](TssSkinTrackBar& t, const LayoutValue& v) {
            t.SetSliderCursor(v.toEnum({{"crDefault", ui::crDefault}, {"crArrow", ui::crArrow},
                {"crHandPoint", ui::crHandPoint}, {"crSizeAll", ui::crSizeAll}}));
        })
        .property("Max", [](TssSkinTrackBar& t, const LayoutValue& v) { t.SetMax(v.toInt()); })
        .property("Min", [](TssSkinTrackBar& t, const LayoutValue& v) { t.SetMin(v.toInt()); })
        .property("Position", [](TssSkinTrackBar& t, const LayoutValue& v) { t.SetPosition(v.toInt()); })
        .property("OnChange", [](TssSkinTrackBar& t, const LayoutValue& v) { t.m_OnChange = v.toHandler<ui::TNotifyEvent>(); });

    ui::RegisterClass<TLabel1>("TLabel1", "TLabel");
}

namespace {
const bool registered = (RegisterSkinClasses(), true);
} // namespace

} // namespace zuvi::skin
