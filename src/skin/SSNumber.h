// Skin controls: the digit display, one cell of a bitmap strip of digits.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"

namespace zuvi::skin {

using ui::TBitmap;
using ui::TColor;
using ui::TComponent;
using ui::TPicture;

// Shows cell Value − Min of a horizontal strip of Max − Min + 1 equal cells (Min at the left).
class TssSkinNumber : public ui::TCustomControl {
public:
    explicit TssSkinNumber(TComponent* AOwner);
    ~TssSkinNumber() override;
    QString ClassName() const override { return QStringLiteral("TssSkinNumber"); }

    int Min() const { return m_Min; }
    int Max() const { return m_Max; }
    int Value() const { return m_Value; }
    void SetMin(int value);
    void SetMax(int value);
    // Ignored outside Min to Max.
    void SetValue(int value);
    TPicture* Skin() { return &m_Skin; }
    void SetSkin(const TPicture& value);
    void SetSkin(const TBitmap& value);
    bool Mask() const { return m_Mask; }
    void SetMask(bool value);
    TColor MaskColor() const { return m_MaskColor; }
    void SetMaskColor(TColor value);

    // Cell width: the skin's width over the number of cells, rounded down; 0 without cells.
    int CellWidth() const;
    // Rebuilds (Mask set: the outline of the cell shown) or removes the control's region.
    virtual void MaskChanged();

protected:
    void Paint() override;

private:
    void SkinChanged();
    bool usable() const;
    void adjustSize();

    TPicture m_Skin;
    bool m_Mask = false;
    TColor m_MaskColor = ui::clFuchsia;
    int m_Max = 9;
    int m_Min = 0;
    int m_Value = 0;
};

} // namespace zuvi::skin
