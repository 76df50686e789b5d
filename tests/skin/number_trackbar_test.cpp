// Skin controls: the digit display and the skinned track bar.

#include "platform/ui/Forms.h"
#include "skin/Label1.h"
#include "skin/SSNumber.h"
#include "skin/SSTrackBar.h"
#include "skin/SkinClasses.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace zuvi::ui;
using namespace zuvi::skin;

namespace {

// A strip whose column x has the grey level x (so a cell is recognisable by its columns).
TBitmap rampOf(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x, x, x));
    TBitmap b;
    b.SetImage(img);
    return b;
}

TBitmap solid(int w, int h, QRgb c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    TBitmap b;
    b.SetImage(img);
    return b;
}

QImage shot(TControl* c)
{
    return c->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class SkinWidgets : public ::testing::Test {
protected:
    void SetUp() override { form = CreateForm<TForm>(nullptr, nullptr); }
    void TearDown() override { form->Free(); }
    TForm* form = nullptr;
};

// ---- digit display ------------------------------------------------------------------

TEST_F(SkinWidgets, DigitDisplayShowsTheCellOfItsValue)
{
    auto* n = new TssSkinNumber(form);
    n->SetParent(form);
    n->SetSkin(rampOf(100, 20));
    n->SetValue(7);
    EXPECT_EQ(n->CellWidth(), 10);
    EXPECT_EQ(n->Width(), 10);
    EXPECT_EQ(n->Height(), 20);
    const QImage img = shot(n);
    EXPECT_EQ(qRed(img.pixel(0, 5)), 70);
    EXPECT_EQ(qRed(img.pixel(9, 5)), 79);
}

TEST_F(SkinWidgets, DigitDisplaySetters)
{
    struct Step {
        const char* what;
        void (*apply)(TssSkinNumber&);
        int min, max, value;
    };
    const Step steps[] = {
        {"Value 7", [](TssSkinNumber& n) { n.SetValue(7); }, 0, 9, 7},
        {"Value 12 beyond Max: ignored", [](TssSkinNumber& n) { n.SetValue(12); }, 0, 9, 7},
        {"Value -1 below Min: ignored", [](TssSkinNumber& n) { n.SetValue(-1); }, 0, 9, 7},
        {"Max 5 pulls Value down", [](TssSkinNumber& n) { n.SetMax(5); }, 0, 5, 5},
        {"Value 0", [](TssSkinNumber& n) { n.SetValue(0); }, 0, 5, 0},
        {"Min 3 pulls Value up", [](TssSkinNumber& n) { n.SetMin(3); }, 3, 5, 3},
    };
    auto* n = new TssSkinNumber(form);
    n->SetParent(form);
    n->SetSkin(rampOf(100, 20));
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.apply(*n);
        EXPECT_EQ(n->Min(), s.min);
        EXPECT_EQ(n->Max(), s.max);
        EXPECT_EQ(n->Value(), s.value);
    }
}

TEST_F(SkinWidgets, DigitDisplayPlaceholderAndMask)
{
    auto* n = new TssSkinNumber(form);
    n->SetParent(form);
    QImage img = shot(n);
    ASSERT_EQ(img.size(), QSize(24, 40));
    EXPECT_EQ(img.pixel(1, 39), 0xFFFFFFFF);
    int dark = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x)
            dark += qGray(img.pixel(x, y)) < 100;
    EXPECT_GT(dark, 5); // "Num" in black at the top

    // Max below Min: no cells, the placeholder, no crash.
    n->SetSkin(rampOf(100, 20));
    n->SetMin(5);
    n->SetMax(2);
    EXPECT_EQ(n->CellWidth(), 0);
    EXPECT_EQ(shot(n).size(), QSize(24, 40));

    // The mask follows the cell shown.
    n->SetMin(0);
    n->SetMax(1);
    QImage two(4, 2, QImage::Format_RGB32);
    two.fill(0xFF404040);
    two.setPixel(0, 0, 0xFFFF00FF); // cell 0: top-left cut
    two.setPixel(3, 1, 0xFFFF00FF); // cell 1: bottom-right cut
    TBitmap b;
    b.SetImage(two);
    n->SetSkin(b);
    n->SetValue(0);
    n->SetMask(true);
    ASSERT_TRUE(n->HasWindowRegion());
    EXPECT_FALSE(n->WindowRegion().Contains(0, 0));
    n->SetValue(1);
    EXPECT_TRUE(n->WindowRegion().Contains(0, 0));
    EXPECT_FALSE(n->WindowRegion().Contains(1, 1));
    n->SetMask(false);
    EXPECT_FALSE(n->HasWindowRegion());
}

// ---- track bar ----------------------------------------------------------------------

// Horizontal bar picture 120 × 10 and a 20 × 30 slider (one frame): W − sw = 100.
TssSkinTrackBar* horizontalBar(TForm* form)
{
    auto* t = new TssSkinTrackBar(form);
    t->SetParent(form);
    t->SetSliderDivNum(1);
    t->SetSliderSkin(solid(20, 30, 0xFF0000FF));
    t->SetBarSkin(solid(120, 10, 0xFF00FF00));
    return t;
}

TEST_F(SkinWidgets, TrackBarGeometry)
{
    auto* t = horizontalBar(form);
    EXPECT_EQ(t->Width(), 120);
    EXPECT_EQ(t->Height(), 30);
    t->SetPosition(50);
    EXPECT_EQ(t->Slider()->Left(), 50);
    EXPECT_EQ(t->Slider()->Top(), 0);
    t->SetPosition(150); // not clamped: the slider stands outside the track
    EXPECT_EQ(t->Slider()->Left(), 150);

    auto* v = new TssSkinTrackBar(form);
    v->SetParent(form);
    v->SetSliderDivNum(1);
    v->SetSliderSkin(solid(20, 10, 0xFF0000FF));
    v->SetOrientation(zuvi::skin::ssVertical);
    v->SetBarSkin(solid(8, 100, 0xFF00FF00));
    EXPECT_EQ(v->Width(), 20);
    EXPECT_EQ(v->Height(), 100);
    v->Slider()->Hide();
    const QImage img = shot(v);
    EXPECT_EQ(img.pixel(6, 50), 0xFF00FF00);
    EXPECT_NE(img.pixel(5, 50), 0xFF00FF00);
    EXPECT_NE(img.pixel(14, 50), 0xFF00FF00);

    // Without a bar picture: 80 × 20, white, "TrackBar".
    auto* empty = new TssSkinTrackBar(form);
    empty->SetParent(form);
    empty->Slider()->Hide();
    const QImage e = shot(empty);
    EXPECT_EQ(e.size(), QSize(80, 20));
    EXPECT_EQ(e.pixel(1, 19), 0xFFFFFFFF);

    // A track without length gives Min and no division by zero.
    t->SetMax(0);
    t->SetPosition(0);
    EXPECT_EQ(t->GetPositionFromFromSliderPos(60, 5), 0);
}

TEST_F(SkinWidgets, TrackBarPressOnTheBarJumps)
{
    struct Case {
        int x, position, left;
    };
    const Case cases[] = {{-30, 0, 0}, {500, 100, 100}, {60, 50, 50}, {10, 0, 0}};
    auto* t = horizontalBar(form);
    int changes = 0;
    t->m_OnChange = [&](TObject*) { ++changes; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        changes = 0;
        t->MouseDown(mbLeft, ssLeft, c.x, 5);
        EXPECT_EQ(t->Position(), c.position);
        EXPECT_EQ(t->Slider()->Left(), c.left);
        EXPECT_EQ(changes, 1);
        t->MouseUp(mbLeft, 0, c.x, 5);
    }
}

TEST_F(SkinWidgets, TrackBarDragKeepsTheGrabbedPoint)
{
    auto* t = horizontalBar(form);
    form->Show();
    std::vector<int> positionsAtChange;
    t->m_OnChange = [&](TObject*) { positionsAtChange.push_back(t->Position()); };
    // Press the slider 5 pixels into it (through the real event path: the slider's press
    // hands the capture to the track bar).
    QTest::mousePress(t->Slider()->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(t->Sliding());
    positionsAtChange.clear();
    t->MouseMove(ssLeft, 45, 5);
    EXPECT_EQ(t->Slider()->Left(), 40);
    t->MouseMove(ssLeft, 300, 5);
    EXPECT_EQ(t->Slider()->Left(), 100); // stops at the right end
    t->MouseMove(ssLeft, -50, 5);
    EXPECT_EQ(t->Slider()->Left(), 0); // and at the left end
    // One OnChange per move, raised while the previous position is still stored.
    ASSERT_EQ(positionsAtChange.size(), 3u);
    EXPECT_EQ(positionsAtChange[0], 0);
    EXPECT_EQ(positionsAtChange[1], 35);
    EXPECT_EQ(positionsAtChange[2], 100);
    EXPECT_EQ(t->Position(), 0);
    t->MouseUp(mbLeft, 0, -50, 5);
    EXPECT_FALSE(t->Sliding());
    EXPECT_NE(t->Slider()->Look(), 2);
}

TEST_F(SkinWidgets, LabelComponentIsAPlainLabel)
{
    auto* l = new TLabel1(form);
    l->SetParent(form);
    l->SetCaption("abc");
    EXPECT_EQ(l->Caption(), QStringLiteral("abc"));
    EXPECT_EQ(l->ClassName(), QStringLiteral("TLabel1"));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    RegisterSkinClasses();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
