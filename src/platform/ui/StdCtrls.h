// Desktop UI layer: the standard controls the forms place.
#pragma once

#include "Controls.h"

class QFontMetrics;
class QLineEdit;
class QComboBox;
class QCheckBox;
class QRadioButton;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;
class QSlider;
class QProgressBar;

namespace zuvi::ui {

// Text on the parent's surface.
// Word-wrapped caption lines, broken only at blanks and line breaks.
QStringList WrapAtBlanks(const QFontMetrics& fm, const QString& text, int width);

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TLabel"); }
    void SetCaption(const QString& s) override;
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment a);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    void ApplyFont() override;
    void SetBounds(int left, int top, int width, int height) override;
    // Until a colour of its own is set, an opaque label shows its parent's colour.
    void SetColor(TColor c) override;

protected:
    void Paint() override;

private:
    void adjust();
    bool m_parentColor = true;
    bool m_autoSize = true;
    bool m_wordWrap = false;
    bool m_transparent = false;
    TAlignment m_alignment = taLeftJustify;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TEdit"); }
    QString Text() const;
    void SetText(const QString& s);
    void SetCaption(const QString& s) override { SetText(s); }
    // A non-zero character shows every typed character as that character ("*").
    char16_t PasswordChar() const { return m_passwordChar; }
    void SetPasswordChar(char16_t c);
    int MaxLength() const;
    void SetMaxLength(int n); // 0: no limit
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    int SelStart() const;
    void SetSelStart(int pos);
    int SelLength() const;
    void SetSelLength(int n);
    void SelectAll();
    void Clear() { SetText(QString()); }
    void ApplyFont() override;
    void SetColor(TColor c) override;
    QLineEdit* LineEdit() const { return m_edit; }

    TNotifyEvent OnChange;

private:
    QLineEdit* m_edit;
    char16_t m_passwordChar = 0;
};

class TMaskEdit : public TEdit {
public:
    using TEdit::TEdit;
    QString ClassName() const override { return QStringLiteral("TMaskEdit"); }
};

// Combo box with an editable text and a drop-down list (csDropDown) or a list only.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TComboBox"); }
    TStrings* Items() { return &m_items; }
    QString Text() const;
    void SetText(const QString& s);
    void SetCaption(const QString& s) override { SetText(s); }
    int ItemIndex() const;
    void SetItemIndex(int i);
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int n);
    TComboBoxStyle Style() const { return m_style; }
    void SetStyle(TComboBoxStyle s);
    void ApplyFont() override;
    QComboBox* ComboBox() const { return m_combo; }

    TNotifyEvent OnChange; // the text changed (typed or chosen)
    TNotifyEvent OnSelect; // an item was chosen from the list

private:
    void syncItems();
    QComboBox* m_combo;
    TStringList m_items;
    int m_dropDownCount = 8;
    TComboBoxStyle m_style = csDropDown;
    bool m_syncing = false;
};

// Setting Checked from code raises OnClick only when the state changes.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TCheckBox"); }
    bool Checked() const;
    void SetChecked(bool v);
    void SetCaption(const QString& s) override;
    void ApplyFont() override;

private:
    QCheckBox* m_box;
};

// Radio buttons with the same parent exclude each other. Setting Checked from code raises
// OnClick when it becomes checked.
class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TRadioButton"); }
    bool Checked() const;
    void SetChecked(bool v);
    void SetCaption(const QString& s) override;
    void ApplyFont() override;

private:
    QRadioButton* m_button;
};

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TPanel"); }
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut b);
    // With ParentBackground (the default) the panel paints no background of its own.
    bool ParentBackground() const { return m_parentBackground; }
    void SetParentBackground(bool v);
    void SetColor(TColor c) override;

protected:
    void Paint() override;

private:
    TBevelCut m_bevelOuter = bvRaised;
    bool m_parentBackground = true;
};

// Picture on the parent's surface. Transparent: a bitmap's bottom-left pixel colour is not drawn.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TImage"); }
    TPicture* Picture() { return &m_picture; }
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    bool Center() const { return m_center; }
    void SetCenter(bool v);

protected:
    void Paint() override;

private:
    TPicture m_picture;
    bool m_stretch = false;
    bool m_transparent = false;
    bool m_center = false;
};

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TListBox"); }
    TStrings* Items() { return &m_items; }
    int ItemIndex() const;
    void SetItemIndex(int i);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int h);
    void SetBorderStyle(TBorderStyle b);
    void Clear() { m_items.Clear(); }
    void ApplyFont() override;
    QListWidget* ListWidget() const { return m_list; }

private:
    void syncItems();
    QListWidget* m_list;
    TStringList m_items;
    int m_itemHeight = 13;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TMemo"); }
    TStrings* Lines() { return &m_lines; }
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle s);
    void SetBorderStyle(TBorderStyle b);
    void SetWordWrap(bool v);
    void Clear() { m_lines.Clear(); }
    void ApplyFont() override;
    void SetColor(TColor c) override;
    QPlainTextEdit* TextEdit() const { return m_edit; }

    TNotifyEvent OnChange;

private:
    void syncLines();
    QPlainTextEdit* m_edit;
    TStringList m_lines;
    TScrollStyle m_scrollBars = ssNone;
    bool m_syncing = false;
};

// Two-column grid over a list of name=value lines: row 0 is the title row, row r shows line
// r − 1 (the text before its first "=" and after it; a line without "=" shows whole in the
// first column); an empty list shows one empty row.
// Selection takes whole rows; cells are not edited in place.
class TValueListEditor : public TWinControl {
public:
    explicit TValueListEditor(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TValueListEditor"); }
    TStrings* Strings() { return &m_strings; }
    QStringList TitleCaptions() const { return m_titles; }
    void SetTitleCaptions(const QStringList& titles);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowCount() const;
    int Row() const { return m_row; }
    // Selects a row (1 .. RowCount − 1); raises OnSelectCell when the row changes. A left click
    // on a cell raises it for the clicked row even when that row is already selected.
    void SetRow(int row);
    QString Cells(int col, int row) const;
    QString Keys(int row) const { return Cells(0, row); }
    // Inserts "key=value" before the selected row's line, or appends; returns the new row.
    int InsertRow(const QString& key, const QString& value, bool append);
    // Deletes the line shown in the given row (1 .. Strings()->Count()).
    void DeleteRow(int row);
    // Row and column under a point of the control: row 0 = title row, −1 outside.
    void MouseToCell(int x, int y, int& col, int& row) const;
    void SetBorderStyle(TBorderStyle b);
    void SetGridLines(bool on);
    void ApplyFont() override;
    QTableWidget* Table() const { return m_table; }

    TSelectCellEvent OnSelectCell;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void rebuild();
    void selectRowVisual();
    bool trySelect(int row);
    QTableWidget* m_table;
    TStringList m_strings;
    QStringList m_titles{QStringLiteral("Key"), QStringLiteral("Value")};
    int m_row = 1;
    int m_leftPressRow = 0; // the selected row when the left button went down, 0 otherwise
    bool m_rebuilding = false;
};

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TTrackBar"); }
    int Min() const;
    int Max() const;
    int Position() const;
    void SetMin(int v);
    void SetMax(int v);
    // Held within Min .. Max; OnChange when the position changes.
    void SetPosition(int v);
    void SetOrientation(TTrackBarOrientation o);
    void SetTickStyle(TTickStyle t);
    QSlider* Slider() const { return m_slider; }

    TNotifyEvent OnChange;

private:
    QSlider* m_slider;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TProgressBar"); }
    int Min() const;
    int Max() const;
    int Position() const;
    void SetMin(int v);
    void SetMax(int v);
    void SetPosition(int v); // held within Min .. Max
    QProgressBar* Bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
};

} // namespace zuvi::ui
