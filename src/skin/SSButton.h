// Skin controls: bitmap-strip buttons (normal, pointer over, pressed, disabled) and the linked button.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"

#include <functional>
#include <vector>

namespace zuvi::skin {

using ui::TBitmap;
using ui::TColor;
using ui::TComponent;
using ui::TModalResult;
using ui::TMouseButton;
using ui::TNotifyEvent;
using ui::TPicture;
using ui::TShiftState;

// The mouse state machine, the double-buffered painting and the click rule; the drawing of
// each look is left to the subclass.
class TssCustomButton : public ui::TCustomControl {
public:
    explicit TssCustomButton(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TssCustomButton"); }

    bool Mask() const { return m_Mask; }
    void SetMask(bool value);
    TColor MaskColor() const { return m_MaskColor; }
    void SetMaskColor(TColor value);
    TModalResult ModalResult() const { return m_ModalResult; }
    void SetModalResult(TModalResult value) { m_ModalResult = value; }

    void SetEnabled(bool value) override;

    // Framework notifications (the pointer entering and leaving, presses, releases, moves).
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    // Delivers OnClick only for the left-button release that ends a press on the button.
    void Click() override;

    // The look now shown, for inspection: 0 normal, 1 pointer over, 2 pressed, 3 disabled.
    int Look() const;

    // Rebuilds or removes the button's own window region.
    virtual void MaskChanged() = 0;
    // Takes the size the content needs (a skin button: one frame of its strip).
    virtual void AdjustSize() { }

    // OnMouseEnter (inherited member) and OnMouseExit are raised after the look changed.
    TNotifyEvent OnMouseExit;

protected:
    void Paint() override;
    virtual void PaintButtonNormal(TBitmap* bitmap) = 0;
    virtual void PaintButtonMouseOn(TBitmap* bitmap) = 0;
    virtual void PaintButtonMouseDown(TBitmap* bitmap) = 0;
    virtual void PaintButtonDisabled(TBitmap* bitmap) = 0;

    bool m_Mask = false;
    TColor m_MaskColor = ui::clFuchsia;
    TModalResult m_ModalResult = 0;
    bool m_MouseIn = false;
    bool m_MouseDown = false;
    bool m_MouseUp = false;
};

// A button showing one frame of a horizontal strip of DivNum (1 to 4) equal frames.
class TssSkinButton : public TssCustomButton {
public:
    explicit TssSkinButton(TComponent* AOwner);
    ~TssSkinButton() override;
    QString ClassName() const override { return QStringLiteral("TssSkinButton"); }

    TPicture* Skin() { return &m_Skin; }
    // Takes a copy of the picture or bitmap; the caller keeps its own.
    void SetSkin(const TPicture& value);
    void SetSkin(const TBitmap& value);
    int DivNum() const { return m_DivNum; }
    // Values outside 1 to 4 are ignored.
    void SetDivNum(int value);

    void SetName(const QString& name) override;
    void MaskChanged() override;
    void AdjustSize() override;

    // The skin column where frame k starts, and the frame width.
    int FrameWidth() const;

protected:
    void PaintButtonNormal(TBitmap* bitmap) override;
    void PaintButtonMouseOn(TBitmap* bitmap) override;
    void PaintButtonMouseDown(TBitmap* bitmap) override;
    void PaintButtonDisabled(TBitmap* bitmap) override;
    void SkinChanged();
    // Copies frame k of the strip to (0, 0); a missing frame draws the normal look.
    void PaintFrame(TBitmap* bitmap, int frame);

    TPicture m_Skin;
    int m_DivNum = 3;
};

// A skin button that passes the pointer's entering and leaving on to a partner button.
class TssLinkButton : public TssSkinButton {
public:
    explicit TssLinkButton(TComponent* AOwner);
    ~TssLinkButton() override;
    QString ClassName() const override { return QStringLiteral("TssLinkButton"); }

    TssLinkButton* ButtonToLink() const { return m_ButtonToLink; }
    // nullptr clears the link. Linking to a button that links back is refused: this button
    // is left unlinked and zuvi::Exception("ButtonToLink 属性不能循环指定！ ") is thrown.
    void SetLinkButton(TssLinkButton* value);

    void MouseEnter() override;
    void MouseLeave() override;

private:
    void link(TssLinkButton* target);
    void passOn(const std::function<void()>& own, void (TssLinkButton::*next)());
    TssLinkButton* m_ButtonToLink = nullptr;
    // Buttons whose link is this one: cleared when this button is destroyed.
    std::vector<TssLinkButton*> m_LinkedBy;
    // Set while this button takes part in passing an enter or leave on, so that a chain
    // that closes on itself ends.
    bool m_Passing = false;
};

} // namespace zuvi::skin
