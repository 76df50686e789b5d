// Desktop UI layer: the standard controls the forms place.
#include "StdCtrls.h"

#include "Forms.h"
#include "Internal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableWidget>
#include <QTextOption>

#include <utility>

namespace zuvi::ui {

static void setTextColor(QWidget* w, TColor c)
{
    QPalette pal = w->palette();
    QColor q = ToQColor(c);
    pal.setColor(QPalette::WindowText, q);
    pal.setColor(QPalette::Text, q);
    pal.setColor(QPalette::ButtonText, q);
    w->setPalette(pal);
}

// ---- TLabel ----

// Word wrap as the desktop draws captions: lines break only at blanks (or at line breaks), so
// a run of characters without blanks, Chinese text included, stays on one line; a word too
// wide for the label stands alone on its line. Blanks at the break are dropped.
QStringList WrapAtBlanks(const QFontMetrics& fm, const QString& text, int width)
{
    QStringList lines;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (const QString& para : paragraphs) {
        QString line;
        int i = 0;
        const int n = para.size();
        while (i < n) {
            int j = i;
            while (j < n && para[j] == QLatin1Char(' '))
                ++j;
            int k = j;
            while (k < n && para[k] != QLatin1Char(' '))
                ++k;
            const QString blanks = para.mid(i, j - i);
            const QString word = para.mid(j, k - j);
            const QString candidate = line + blanks + word;
            if (fm.horizontalAdvance(candidate) <= width || (line.isEmpty() && blanks.isEmpty())) {
                line = candidate;
            } else if (line.isEmpty() && !blanks.isEmpty() && fm.horizontalAdvance(blanks) <= width && !word.isEmpty()) {
                // Leading blanks that fit keep the first line; the word moves to the next one.
                lines.append(blanks);
                line = word;
            } else {
                lines.append(line);
                line = word;
            }
            i = k;
        }
        lines.append(line);
    }
    return lines;
}

TLabel::TLabel(TComponent* AOwner)
    : TGraphicControl(AOwner)
{
    TControl::SetBounds(0, 0, 65, 17);
}

void TLabel::SetCaption(const QString& s)
{
    TControl::SetCaption(s);
    adjust();
}
void TLabel::SetAutoSize(bool v)
{
    m_autoSize = v;
    adjust();
}
void TLabel::SetWordWrap(bool v)
{
    m_wordWrap = v;
    adjust();
    Invalidate();
}
void TLabel::SetAlignment(TAlignment a)
{
    m_alignment = a;
    Invalidate();
}
void TLabel::SetTransparent(bool v)
{
    m_transparent = v;
    Invalidate();
}
void TLabel::ApplyFont()
{
    TControl::ApplyFont();
    adjust();
}
void TLabel::SetBounds(int left, int top, int width, int height)
{
    TControl::SetBounds(left, top, width, height);
}
void TLabel::SetColor(TColor c)
{
    m_parentColor = false;
    TControl::SetColor(c);
}

// Auto-size: one line takes its text's width and height; a word-wrapped label keeps its width
// and takes the wrapped text's height.
void TLabel::adjust()
{
    if (!m_autoSize)
        return;
    QFontMetrics fm(Font().ToQFont());
    QString text = Caption().isEmpty() ? QStringLiteral(" ") : Caption();
    if (m_wordWrap) {
        const int lines = int(WrapAtBlanks(fm, text, std::max(1, Width())).size());
        TControl::SetBounds(Left(), Top(), Width(), lines * fm.height());
    } else {
        QRect r = fm.boundingRect(QRect(0, 0, 100000, 100000), 0, Caption());
        TControl::SetBounds(Left(), Top(), Caption().isEmpty() ? 0 : r.width(), fm.height());
    }
}

void TLabel::Paint()
{
    QPainter* p = Canvas()->Painter();
    if (!p)
        return;
    if (!m_transparent)
        p->fillRect(QRect(0, 0, Width(), Height()),
            ToQColor(m_parentColor && Parent() ? Parent()->Color() : Color()));
    p->setFont(Font().ToQFont());
    p->setPen(ToQColor(Font().Color));
    int flags = m_alignment == taCenter ? Qt::AlignHCenter : m_alignment == taRightJustify ? Qt::AlignRight
                                                                                           : Qt::AlignLeft;
    flags |= Qt::AlignTop;
    if (!m_wordWrap) {
        p->drawText(QRect(0, 0, Width(), Height()), flags, Caption());
        return;
    }
    QFontMetrics fm(p->font());
    int y = 0;
    for (const QString& line : WrapAtBlanks(fm, Caption(), std::max(1, Width()))) {
        p->drawText(QRect(0, y, Width(), fm.height()), flags | Qt::TextSingleLine, line);
        y += fm.height();
    }
}

// ---- TEdit ----

TEdit::TEdit(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_edit(new QLineEdit)
{
    SetWidget(m_edit, true);
    TControl::SetBounds(0, 0, 121, 21);
    QObject::connect(m_edit, &QLineEdit::textChanged, [this] {
        if (OnChange)
            Guard([&] { OnChange(this); });
    });
}

QString TEdit::Text() const { return m_edit->text(); }
void TEdit::SetText(const QString& s)
{
    if (m_edit->text() != s)
        m_edit->setText(s);
}
void TEdit::SetPasswordChar(char16_t c)
{
    m_passwordChar = c;
    m_edit->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
    if (c)
        m_edit->setStyleSheet(QStringLiteral("lineedit-password-character: %1").arg(int(c)));
    else
        m_edit->setStyleSheet(QString());
}
int TEdit::MaxLength() const { return m_edit->maxLength() >= 32767 ? 0 : m_edit->maxLength(); }
void TEdit::SetMaxLength(int n) { m_edit->setMaxLength(n <= 0 ? 32767 : n); }
bool TEdit::ReadOnly() const { return m_edit->isReadOnly(); }
void TEdit::SetReadOnly(bool v) { m_edit->setReadOnly(v); }
int TEdit::SelStart() const
{
    return m_edit->hasSelectedText() ? m_edit->selectionStart() : m_edit->cursorPosition();
}
void TEdit::SetSelStart(int pos) { m_edit->setCursorPosition(pos); }
int TEdit::SelLength() const { return int(m_edit->selectedText().size()); }
void TEdit::SetSelLength(int n) { m_edit->setSelection(SelStart(), n); }
void TEdit::SelectAll() { m_edit->selectAll(); }
void TEdit::ApplyFont()
{
    TControl::ApplyFont();
    if ((Font().Color & 0xFF000000u) != clSystemColor)
        setTextColor(m_edit, Font().Color);
}
void TEdit::SetColor(TColor c)
{
    TControl::SetColor(c);
    QPalette pal = m_edit->palette();
    pal.setColor(QPalette::Base, ToQColor(c == clBtnFace ? clWindow : c));
    m_edit->setPalette(pal);
}

// ---- TComboBox ----

TComboBox::TComboBox(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_combo(new QComboBox)
{
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    SetWidget(m_combo, true);
    if (m_combo->lineEdit())
        AddInputWidget(m_combo->lineEdit());
    TControl::SetBounds(0, 0, 145, 21);
    m_items.OnChange = [this] { syncItems(); };
    QObject::connect(m_combo, &QComboBox::currentTextChanged, [this] {
        if (!m_syncing && OnChange)
            Guard([&] { OnChange(this); });
    });
    QObject::connect(m_combo, &QComboBox::activated, [this](int) {
        if (OnSelect)
            Guard([&] { OnSelect(this); });
    });
}

void TComboBox::syncItems()
{
    m_syncing = true;
    QString text = m_combo->currentText();
    m_combo->clear();
    m_combo->addItems(m_items.ToList());
    if (m_style == csDropDownList)
        m_combo->setCurrentIndex(int(m_items.ToList().indexOf(text)));
    else {
        m_combo->setCurrentIndex(-1);
        m_combo->setEditText(text);
    }
    m_syncing = false;
}

QString TComboBox::Text() const { return m_combo->currentText(); }
void TComboBox::SetText(const QString& s)
{
    if (m_style == csDropDownList) {
        m_combo->setCurrentIndex(int(m_items.ToList().indexOf(s)));
        return;
    }
    if (m_combo->currentText() != s) {
        m_syncing = true;
        m_combo->setEditText(s);
        m_syncing = false;
    }
}
int TComboBox::ItemIndex() const
{
    int i = m_combo->currentIndex();
    if (i >= 0 && m_style != csDropDownList && m_combo->itemText(i) != m_combo->currentText())
        return int(m_items.ToList().indexOf(m_combo->currentText()));
    return i;
}
void TComboBox::SetItemIndex(int i)
{
    m_syncing = true;
    m_combo->setCurrentIndex(i);
    m_syncing = false;
}
void TComboBox::SetDropDownCount(int n)
{
    m_dropDownCount = n;
    m_combo->setMaxVisibleItems(std::max(1, n));
}
void TComboBox::SetStyle(TComboBoxStyle s)
{
    m_style = s;
    m_combo->setEditable(s != csDropDownList);
    if (m_combo->lineEdit())
        AddInputWidget(m_combo->lineEdit());
}
void TComboBox::ApplyFont()
{
    TControl::ApplyFont();
    if ((Font().Color & 0xFF000000u) != clSystemColor)
        setTextColor(m_combo, Font().Color);
}

// ---- TCheckBox / TRadioButton ----

TCheckBox::TCheckBox(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_box(new QCheckBox)
{
    SetWidget(m_box, true);
    TControl::SetBounds(0, 0, 97, 17);
    QObject::connect(m_box, &QCheckBox::clicked, [this] { Guard([&] { Click(); }); });
}
bool TCheckBox::Checked() const { return m_box->isChecked(); }
void TCheckBox::SetChecked(bool v)
{
    if (m_box->isChecked() == v)
        return;
    m_box->setChecked(v);
    if (!Loading())
        Click();
}
void TCheckBox::SetCaption(const QString& s)
{
    TControl::SetCaption(s);
    m_box->setText(s);
}
void TCheckBox::ApplyFont()
{
    TControl::ApplyFont();
    if ((Font().Color & 0xFF000000u) != clSystemColor)
        setTextColor(m_box, Font().Color);
}

TRadioButton::TRadioButton(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_button(new QRadioButton)
{
    SetWidget(m_button, true);
    TControl::SetBounds(0, 0, 113, 17);
    QObject::connect(m_button, &QRadioButton::clicked, [this] { Guard([&] { Click(); }); });
}
bool TRadioButton::Checked() const { return m_button->isChecked(); }
void TRadioButton::SetChecked(bool v)
{
    if (m_button->isChecked() == v)
        return;
    if (!v) {
        m_button->setAutoExclusive(false);
        m_button->setChecked(false);
        m_button->setAutoExclusive(true);
        return;
    }
    m_button->setChecked(true);
    if (!Loading())
        Click();
}
void TRadioButton::SetCaption(const QString& s)
{
    TControl::SetCaption(s);
    m_button->setText(s);
}
void TRadioButton::ApplyFont()
{
    TControl::ApplyFont();
    if ((Font().Color & 0xFF000000u) != clSystemColor)
        setTextColor(m_button, Font().Color);
}

// ---- TPanel ----

TPanel::TPanel(TComponent* AOwner)
    : TCustomControl(AOwner)
{
    TControl::SetBounds(0, 0, 185, 41);
    Widget()->setFocusPolicy(Qt::NoFocus);
}
void TPanel::SetBevelOuter(TBevelCut b)
{
    m_bevelOuter = b;
    Invalidate();
}
void TPanel::SetParentBackground(bool v)
{
    m_parentBackground = v;
    Invalidate();
}
void TPanel::SetColor(TColor c)
{
    TControl::SetColor(c);
    m_parentBackground = false;
}
void TPanel::Paint()
{
    QPainter* p = Canvas()->Painter();
    if (!p)
        return;
    if (!m_parentBackground)
        p->fillRect(QRect(0, 0, Width(), Height()), ToQColor(Color()));
    if (m_bevelOuter == bvRaised || m_bevelOuter == bvLowered) {
        QColor light(255, 255, 255), dark(160, 160, 160);
        if (m_bevelOuter == bvLowered)
            std::swap(light, dark);
        p->setPen(light);
        p->drawLine(0, 0, Width() - 1, 0);
        p->drawLine(0, 0, 0, Height() - 1);
        p->setPen(dark);
        p->drawLine(0, Height() - 1, Width() - 1, Height() - 1);
        p->drawLine(Width() - 1, 0, Width() - 1, Height() - 1);
    }
    if (!Caption().isEmpty()) {
        p->setFont(Font().ToQFont());
        p->setPen(ToQColor(Font().Color));
        p->drawText(QRect(0, 0, Width(), Height()), Qt::AlignCenter, Caption());
    }
}

// ---- TImage ----

TImage::TImage(TComponent* AOwner)
    : TGraphicControl(AOwner)
{
    TControl::SetBounds(0, 0, 105, 105);
    m_picture.OnChange = [this] { Invalidate(); };
}
void TImage::SetStretch(bool v)
{
    m_stretch = v;
    Invalidate();
}
void TImage::SetTransparent(bool v)
{
    m_transparent = v;
    Invalidate();
}
void TImage::SetCenter(bool v)
{
    m_center = v;
    Invalidate();
}
void TImage::Paint()
{
    const TBitmap* g = m_picture.Graphic();
    QPainter* p = Canvas()->Painter();
    if (!g || g->Empty() || !p)
        return;
    QImage img = g->Image();
    if (m_transparent && !g->IsJpeg()) {
        QRgb key = img.pixel(0, img.height() - 1);
        QImage a = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < a.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(a.scanLine(y));
            for (int x = 0; x < a.width(); ++x)
                if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                    line[x] = 0;
        }
        img = a;
    }
    if (m_stretch)
        p->drawImage(QRect(0, 0, Width(), Height()), img);
    else if (m_center)
        p->drawImage((Width() - img.width()) / 2, (Height() - img.height()) / 2, img);
    else
        p->drawImage(0, 0, img);
}

// ---- TListBox ----

TListBox::TListBox(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_list(new QListWidget)
{
    SetWidget(m_list, true);
    AddInputWidget(m_list->viewport());
    TControl::SetBounds(0, 0, 121, 97);
    m_items.OnChange = [this] { syncItems(); };
    QObject::connect(m_list, &QListWidget::itemClicked, [this] { Guard([&] { Click(); }); });
}
void TListBox::syncItems()
{
    int cur = m_list->currentRow();
    m_list->clear();
    for (const QString& s : m_items.ToList()) {
        auto* it = new QListWidgetItem(s, m_list);
        it->setSizeHint(QSize(0, m_itemHeight));
    }
    if (cur >= 0 && cur < m_list->count())
        m_list->setCurrentRow(cur);
}
int TListBox::ItemIndex() const { return m_list->currentRow(); }
void TListBox::SetItemIndex(int i) { m_list->setCurrentRow(i); }
void TListBox::SetItemHeight(int h)
{
    m_itemHeight = h;
    syncItems();
}
void TListBox::SetBorderStyle(TBorderStyle b) { m_list->setFrameShape(b == bsNone ? QFrame::NoFrame : QFrame::StyledPanel); }
void TListBox::ApplyFont()
{
    TControl::ApplyFont();
    if ((Font().Color & 0xFF000000u) != clSystemColor)
        setTextColor(m_list, Font().Color);
}

// ---- TMemo ----

TMemo::TMemo(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_edit(new QPlainTextEdit)
{
    SetWidget(m_edit, true);
    AddInputWidget(m_edit->viewport());
    TControl::SetBounds(0, 0, 185, 89);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lines.OnChange = [this] { syncLines(); };
    QObject::connect(m_edit, &QPlainTextEdit::textChanged, [this] {
        if (m_syncing)
            return;
        m_syncing = true;
        m_lines.SetText(m_edit->toPlainText());
        m_syncing = false;
        if (OnChange)
            Guard([&] { OnChange(this); });
    });
}
void TMemo::syncLines()
{
    if (m_syncing)
        return;
    m_syncing = true;
    m_edit->setPlainText(m_lines.ToList().join(QLatin1Char('\n')));
    m_syncing = false;
}
bool TMemo::ReadOnly() const { return m_edit->isReadOnly(); }
void TMemo::SetReadOnly(bool v) { m_edit->setReadOnly(v); }
void TMemo::SetScrollBars(TScrollStyle s)
{
    m_scrollBars = s;
    bool v = s == ssVertical || s == ssBoth, h = s == ssHorizontal || s == ssBoth;
    m_edit->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m_edit->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}
void TMemo::SetBorderStyle(TBorderStyle b) { m_edit->setFrameShape(b == bsNone ? QFrame::NoFrame : QFrame::StyledPanel); }
void TMemo::SetWordWrap(bool v) { m_edit->setLineWrapMode(v ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap); }
void TMemo::ApplyFont()
{
    TControl::ApplyFont();
    if ((Font().Color & 0xFF000000u) != clSystemColor)
        setTextColor(m_edit, Font().Color);
}
void TMemo::SetColor(TColor c)
{
    TControl::SetColor(c);
    QPalette pal = m_edit->palette();
    pal.setColor(QPalette::Base, ToQColor(c == clBtnFace ? clWindow : c));
    m_edit->setPalette(pal);
}

// ---- TValueListEditor ----

TValueListEditor::TValueListEditor(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_table(new QTableWidget)
{
    m_table->setColumnCount(2);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setSectionsClickable(false);
    m_table->setHorizontalHeaderLabels(m_titles);
    SetWidget(m_table, true);
    AddInputWidget(m_table->viewport());
    AddInputWidget(m_table->horizontalHeader());
    AddInputWidget(m_table->horizontalHeader()->viewport());
    TControl::SetBounds(0, 0, 306, 300);
    m_strings.OnChange = [this] { rebuild(); };
    QObject::connect(m_table, &QTableWidget::currentCellChanged, [this](int row, int, int, int) {
        if (m_rebuilding || row < 0)
            return;
        int r = row + 1;
        if (r == m_row)
            return;
        Guard([&] {
            if (!trySelect(r))
                selectRowVisual();
        });
    });
    // A click on the selected row moves nothing, so the change above stays silent for it.
    QObject::connect(m_table, &QTableWidget::cellPressed, [this](int row, int) {
        const int pressedOn = std::exchange(m_leftPressRow, 0);
        if (m_rebuilding || row + 1 != pressedOn)
            return;
        Guard([&] { trySelect(pressedOn); });
    });
    rebuild();
}

void TValueListEditor::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    m_leftPressRow = button == mbLeft ? m_row : 0;
    TWinControl::MouseDown(button, shift, x, y);
}

bool TValueListEditor::trySelect(int row)
{
    bool can = true;
    if (OnSelectCell)
        OnSelectCell(this, 1, row, can);
    if (can)
        m_row = row;
    return can;
}

void TValueListEditor::selectRowVisual()
{
    m_rebuilding = true;
    m_table->setCurrentCell(m_row - 1, 0);
    m_table->selectRow(m_row - 1);
    m_rebuilding = false;
}

void TValueListEditor::rebuild()
{
    m_rebuilding = true;
    int n = std::max(1, m_strings.Count());
    m_table->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        QString key, value;
        if (i < m_strings.Count()) {
            key = m_strings.Names(i);
            value = m_strings.ValueFromIndex(i);
            if (!m_strings.Strings(i).contains(QLatin1Char('=')))
                key = m_strings.Strings(i), value.clear();
        }
        for (int col = 0; col < 2; ++col) {
            QTableWidgetItem* it = m_table->item(i, col);
            if (!it) {
                it = new QTableWidgetItem;
                it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                m_table->setItem(i, col, it);
            }
            it->setText(col == 0 ? key : value);
        }
    }
    if (m_row > n)
        m_row = n;
    if (m_row < 1)
        m_row = 1;
    m_rebuilding = false;
    selectRowVisual();
}

void TValueListEditor::SetTitleCaptions(const QStringList& titles)
{
    m_titles = titles;
    while (m_titles.size() < 2)
        m_titles.append(QString());
    m_table->setHorizontalHeaderLabels(m_titles.mid(0, 2));
}
int TValueListEditor::ColWidths(int col) const { return m_table->columnWidth(col); }
void TValueListEditor::SetColWidths(int col, int width) { m_table->setColumnWidth(col, width); }
int TValueListEditor::RowCount() const { return 1 + std::max(1, m_strings.Count()); }

void TValueListEditor::SetRow(int row)
{
    if (row < 1 || row >= RowCount() || row == m_row)
        return;
    if (trySelect(row))
        selectRowVisual();
}

QString TValueListEditor::Cells(int col, int row) const
{
    if (row == 0)
        return m_titles.value(col);
    if (row < 1 || row > m_strings.Count() || col < 0 || col > 1)
        return QString();
    const QString& s = m_strings.Strings(row - 1);
    int eq = int(s.indexOf(QLatin1Char('=')));
    if (eq < 0)
        return col == 0 ? s : QString();
    return col == 0 ? s.left(eq) : s.mid(eq + 1);
}

int TValueListEditor::InsertRow(const QString& key, const QString& value, bool append)
{
    QString line = key + QLatin1Char('=') + value;
    if (append || m_strings.Count() == 0) {
        m_strings.Add(line);
        return m_strings.Count();
    }
    int at = std::clamp(m_row - 1, 0, m_strings.Count());
    m_strings.Insert(at, line);
    return at + 1;
}

void TValueListEditor::DeleteRow(int row)
{
    if (row < 1 || row > m_strings.Count())
        return;
    m_strings.Delete(row - 1);
}

void TValueListEditor::MouseToCell(int x, int y, int& col, int& row) const
{
    col = -1;
    row = -1;
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    QHeaderView* h = m_table->horizontalHeader();
    int frame = m_table->frameWidth();
    int hx = x - frame, hy = y - frame;
    col = h->logicalIndexAt(hx + h->offset());
    if (hy < h->height()) {
        row = 0;
        return;
    }
    int r = m_table->rowAt(hy - h->height());
    row = r < 0 ? -1 : r + 1;
}

void TValueListEditor::SetBorderStyle(TBorderStyle b)
{
    m_table->setFrameShape(b == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}
void TValueListEditor::SetGridLines(bool on) { m_table->setShowGrid(on); }
void TValueListEditor::ApplyFont()
{
    TControl::ApplyFont();
    QFontMetrics fm(Font().ToQFont());
    m_table->verticalHeader()->setDefaultSectionSize(fm.height() + 6);
}

// ---- TTrackBar ----

TTrackBar::TTrackBar(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_slider(new QSlider(Qt::Horizontal))
{
    SetWidget(m_slider, true);
    m_slider->setRange(0, 10);
    TControl::SetBounds(0, 0, 150, 45);
    QObject::connect(m_slider, &QSlider::valueChanged, [this] {
        if (OnChange)
            Guard([&] { OnChange(this); });
    });
}
int TTrackBar::Min() const { return m_slider->minimum(); }
int TTrackBar::Max() const { return m_slider->maximum(); }
int TTrackBar::Position() const { return m_slider->value(); }
void TTrackBar::SetMin(int v) { m_slider->setMinimum(v); }
void TTrackBar::SetMax(int v) { m_slider->setMaximum(v); }
void TTrackBar::SetPosition(int v) { m_slider->setValue(v); }
void TTrackBar::SetOrientation(TTrackBarOrientation o)
{
    m_slider->setOrientation(o == trVertical ? Qt::Vertical : Qt::Horizontal);
}
void TTrackBar::SetTickStyle(TTickStyle t)
{
    m_slider->setTickPosition(t == tsNone ? QSlider::NoTicks : QSlider::TicksBelow);
}

// ---- TProgressBar ----

TProgressBar::TProgressBar(TComponent* AOwner)
    : TWinControl(AOwner)
    , m_bar(new QProgressBar)
{
    SetWidget(m_bar, true);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    TControl::SetBounds(0, 0, 150, 17);
}
int TProgressBar::Min() const { return m_bar->minimum(); }
int TProgressBar::Max() const { return m_bar->maximum(); }
int TProgressBar::Position() const { return m_bar->value(); }
void TProgressBar::SetMin(int v) { m_bar->setMinimum(v); }
void TProgressBar::SetMax(int v) { m_bar->setMaximum(v); }
void TProgressBar::SetPosition(int v) { m_bar->setValue(std::clamp(v, Min(), Max())); }

} // namespace zuvi::ui
