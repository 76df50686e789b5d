// Skin controls: region helpers, the form background and the skinned and linked buttons.

#include "platform/os/Exception.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "platform/ui/StdCtrls.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"
#include "skin/SkinClasses.h"
#include "skin/Sspublic.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace zuvi::ui;
using namespace zuvi::skin;

namespace {

constexpr QRgb kFuchsia = 0xFFFF00FF;

// A bitmap from rows of text: 'F' is clFuchsia, any other character an opaque grey.
TBitmap bitmapOf(std::initializer_list<const char*> rows)
{
    const int h = int(rows.size());
    const int w = int(std::strlen(*rows.begin()));
    QImage img(w, h, QImage::Format_RGB32);
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, row[x] == 'F' ? kFuchsia : 0xFF808080);
        ++y;
    }
    TBitmap b;
    b.SetImage(img);
    return b;
}

// A strip of n frames of fw × h, frame k filled with kFrameColours[k].
const QRgb kFrameColours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
TBitmap stripOf(int fw, int h, int n, int extraColumns = 0)
{
    QImage img(fw * n + extraColumns, h, QImage::Format_RGB32);
    img.fill(0xFF000000);
    for (int k = 0; k < n; ++k)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < fw; ++x)
                img.setPixel(k * fw + x, y, kFrameColours[k]);
    TBitmap b;
    b.SetImage(img);
    return b;
}

QImage shot(TControl* c)
{
    return c->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override { form = CreateForm<TForm>(nullptr, nullptr); }
    void TearDown() override
    {
        form->Free();
        QCoreApplication::processEvents();
    }
    TForm* form = nullptr;
};

// ---- region runs --------------------------------------------------------------------

TEST(SkinRegion, RunsPerRow)
{
    struct Case {
        const char* what;
        std::initializer_list<const char*> rows;
        std::vector<TRect> runs;
    };
    const Case cases[] = {
        {"rightmost column opaque", {"F.."}, {{1, 0, 3, 1}}},
        {"row of the mask colour only", {"FFF", ".F."}, {{0, 1, 1, 2}, {2, 1, 3, 2}}},
        {"opaque at both ends", {"..FF.."}, {{0, 0, 2, 1}, {4, 0, 6, 1}}},
        {"single opaque pixel", {"F.F"}, {{1, 0, 2, 1}}},
        {"rows never merged", {"..", ".."}, {{0, 0, 2, 1}, {0, 1, 2, 2}}},
        {"no mask pixel", {"...."}, {{0, 0, 4, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(BitmapRuns(bitmapOf(c.rows), clFuchsia), c.runs);
    }
}

TEST(SkinRegion, ColoursCompareExactly)
{
    const TBitmap b = bitmapOf({"FF", "F."});
    // A colour no pixel has, and a system colour, give the whole picture.
    for (TColor none : {RGB(1, 2, 3), clBtnFace, clFuchsia | 0xFF000000}) {
        const TRegion r = BitmapRegion(b, none);
        EXPECT_EQ(r.BoundingRect(), (TRect{0, 0, 2, 2}));
        EXPECT_TRUE(r.Contains(0, 0) && r.Contains(1, 1));
    }
    const TRegion cut = BitmapRegion(b, clFuchsia);
    EXPECT_FALSE(cut.Contains(0, 0));
    EXPECT_FALSE(cut.Contains(1, 0));
    EXPECT_TRUE(cut.Contains(1, 1));
    EXPECT_FALSE(cut.Contains(2, 1)); // outside the bitmap
}

TEST(SkinRegion, EightBitBitmapsAreReadThroughTheirPalette)
{
    QImage img(3, 1, QImage::Format_Indexed8);
    img.setColorTable({kFuchsia, 0xFF102030});
    img.setPixel(0, 0, 0);
    img.setPixel(1, 0, 1);
    img.setPixel(2, 0, 1);
    TBitmap b;
    b.SetImage(img);
    EXPECT_EQ(BitmapRuns(b, clFuchsia), (std::vector<TRect>{{1, 0, 3, 1}}));
}

TEST(SkinRegion, PlaceControl)
{
    TLabel label(nullptr);
    PlaceControl(&label, TPoint{4, 5});
    EXPECT_EQ(label.BoundsRect().Left, 4);
    EXPECT_EQ(label.BoundsRect().Top, 5);
    PlaceControl(&label, TRect{10, 20, 40, 70});
    EXPECT_EQ(label.BoundsRect(), (TRect{10, 20, 40, 70}));
}

// ---- form background ----------------------------------------------------------------

TEST_F(SkinTest, GlyphShapesAndSizesTheForm)
{
    auto* bg = new TssSkinForm(form);
    bg->SetParent(form);
    EXPECT_EQ(form->BorderStyle(), bsNone);
    EXPECT_EQ(bg->Width(), 200);
    EXPECT_EQ(bg->Height(), 100);
    bg->SetBounds(7, 9, 3, 3);
    int changed = 0;
    bg->m_OnRegionChanged = [&](TObject* s) {
        EXPECT_EQ(s, bg);
        ++changed;
    };
    bg->SetPicture(bitmapOf({"F....", ".....", "....F"}));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(bg->BoundsRect(), (TRect{0, 0, 5, 3}));
    EXPECT_EQ(form->ClientWidth(), 5);
    EXPECT_EQ(form->ClientHeight(), 3);
    ASSERT_TRUE(form->HasWindowRegion());
    EXPECT_FALSE(form->WindowRegion().Contains(0, 0));
    EXPECT_TRUE(form->WindowRegion().Contains(4, 0)); // rightmost column kept
    EXPECT_FALSE(form->WindowRegion().Contains(4, 2));
    // The shape holds for the window itself: masked pixels are not the widget's.
    EXPECT_FALSE(form->Widget()->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(form->Widget()->mask().contains(QPoint(1, 0)));

    // A new colour cuts again.
    bg->SetColor(RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(changed, 2);
    EXPECT_TRUE(form->WindowRegion().Contains(0, 0));
    EXPECT_FALSE(form->WindowRegion().Contains(1, 0));

    // An empty bitmap changes nothing and raises nothing; the background shows a black frame.
    bg->SetPicture(TBitmap());
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(form->ClientWidth(), 5);
    EXPECT_FALSE(form->WindowRegion().Contains(1, 0));
    bg->SetBounds(0, 0, 6, 4);
    const QImage img = shot(bg);
    EXPECT_EQ(img.pixel(0, 0), 0xFF000000);
    EXPECT_EQ(img.pixel(5, 3), 0xFF000000);
    EXPECT_NE(img.pixel(2, 2), 0xFF000000);
}

TEST_F(SkinTest, PaintDrawsThePicture)
{
    auto* bg = new TssSkinForm(form);
    bg->SetParent(form);
    bg->SetPicture(stripOf(4, 3, 2));
    const QImage img = shot(bg);
    EXPECT_EQ(img.size(), QSize(8, 3));
    EXPECT_EQ(img.pixel(0, 0), kFrameColours[0]);
    EXPECT_EQ(img.pixel(7, 2), kFrameColours[1]);
}

TEST_F(SkinTest, MouseDownRaisesOnMouseDownForEveryButton)
{
    auto* bg = new TssSkinForm(form);
    bg->SetParent(form);
    bg->SetPicture(bitmapOf({"....", "...."}));
    std::vector<TMouseButton> seen;
    bg->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int, int) { seen.push_back(b); };
    for (TMouseButton b : {mbLeft, mbRight, mbMiddle})
        bg->MouseDown(b, 0, 1, 1);
    EXPECT_EQ(seen, (std::vector<TMouseButton>{mbLeft, mbRight, mbMiddle}));
}

TEST_F(SkinTest, DoTransPaintsWhatTheParentShowsBehindTheControl)
{
    auto* bg = new TssSkinForm(form);
    bg->SetParent(form);
    bg->SetPicture(stripOf(4, 3, 3)); // columns 4..7 are frame 1's colour
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    b->SetBounds(4, 0, 4, 3);
    TBitmap out;
    out.SetSize(4, 3);
    DoTrans(out.Canvas(), b);
    out.Canvas()->Unbind();
    EXPECT_EQ(out.Image().pixel(0, 0) | 0xFF000000, kFrameColours[1]);
    EXPECT_EQ(out.Image().pixel(3, 2) | 0xFF000000, kFrameColours[1]);

    TssSkinButton orphan(nullptr); // no parent: nothing happens
    DoTrans(out.Canvas(), &orphan);
}

TEST(SkinFormOwner, BackgroundWithoutAFormStillPaintsAndTakesPictures)
{
    TssSkinForm bg(nullptr);
    EXPECT_EQ(bg.Form(), nullptr);
    bg.SetPicture(bitmapOf({"F.", ".."}));
    EXPECT_EQ(bg.Width(), 2);
    bg.MouseDown(mbLeft, 0, 0, 0);
}

// Loading: Glyph is read into the bitmap, TransparentColor applies region and size once,
// whatever position and size the layout stores.
TEST_F(SkinTest, LoadedFromALayout)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("skins");
    QImage img(6, 4, QImage::Format_RGB32);
    img.fill(0xFF336699);
    img.setPixel(0, 0, kFuchsia);
    ASSERT_TRUE(img.save(dir.filePath("skins/bg.bmp"), "BMP"));
    QImage strip(30, 5, QImage::Format_RGB32);
    strip.fill(0xFF00AA00);
    ASSERT_TRUE(strip.save(dir.filePath("skins/btn.bmp"), "BMP"));
    const QString oldDir = ResourceDir();
    SetResourceDir(dir.path());

    int regionChanged = 0, clicked = 0;
    TssSkinButton* button = nullptr;
    FormBinding binding;
    binding.handler("ssSkinForm1RegionChanged", TNotifyEvent([&](TObject*) { ++regionChanged; }));
    binding.handler("ssSkinButton1Click", TNotifyEvent([&](TObject*) { ++clicked; }));
    binding.field("ssSkinButton1", button);
    LoadFormLayoutText(form, QStringLiteral(R"(
TForm Form1 {
  TssSkinForm ssSkinForm1 {
    Left: 12
    Top: 8
    Width: 100
    Height: 50
    OnRegionChanged: ssSkinForm1RegionChanged
    Glyph: skins/bg.bmp
    TransparentColor: clFuchsia
  }
  TssSkinButton ssSkinButton1 {
    Left: 2
    Top: 1
    Width: 77
    Height: 36
    Skin: skins/btn.bmp
    DivNum: 3
    Mask: false
    MaskColor: clFuchsia
    ModalResult: 0
    OnClick: ssSkinButton1Click
  }
}
)"),
        "test.layout", binding);
    SetResourceDir(oldDir);
    auto* bg = dynamic_cast<TssSkinForm*>(form->FindComponent("ssSkinForm1"));
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(regionChanged, 1);
    EXPECT_EQ(bg->BoundsRect(), (TRect{0, 0, 6, 4}));
    EXPECT_EQ(form->ClientWidth(), 6);
    EXPECT_EQ(form->ClientHeight(), 4);
    EXPECT_FALSE(form->WindowRegion().Contains(0, 0));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Width(), 10);
    EXPECT_EQ(button->Height(), 5);
    EXPECT_EQ(button->DivNum(), 3);
    ASSERT_TRUE(button->OnClick);
}

// ---- skinned buttons ----------------------------------------------------------------

TEST_F(SkinTest, ButtonSizeFollowsStripAndDivNum)
{
    struct Case {
        const char* what;
        int stripW, stripH, divNum, w, h;
    };
    const Case cases[] = {
        {"three frames", 231, 36, 3, 77, 36},
        {"one frame", 70, 30, 1, 70, 30},
        {"width not a multiple: rounded down", 100, 20, 3, 33, 20},
        {"four frames", 80, 20, 4, 20, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* b = new TssSkinButton(form);
        b->SetParent(form);
        QImage img(c.stripW, c.stripH, QImage::Format_RGB32);
        img.fill(0xFF123456);
        TBitmap bmp;
        bmp.SetImage(img);
        b->SetDivNum(c.divNum);
        b->SetSkin(bmp);
        EXPECT_EQ(b->Width(), c.w);
        EXPECT_EQ(b->Height(), c.h);
        b->Free();
    }
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    EXPECT_EQ(b->DivNum(), 3);
    EXPECT_EQ(b->Width(), 50); // no skin: the placeholder's size

    EXPECT_EQ(b->Height(), 30);
    for (int bad : {0, 5, -1}) {
        b->SetDivNum(bad);
        EXPECT_EQ(b->DivNum(), 3);
    }
    // A one-frame picture at run time, then DivNum 1: the picture's size.
    b->SetSkin(stripOf(40, 12, 1));
    EXPECT_EQ(b->Width(), 13);
    b->SetDivNum(1);
    EXPECT_EQ(b->Width(), 40);
    EXPECT_EQ(b->Height(), 12);
}

// The frame each look shows, per DivNum (frame k of the strip is kFrameColours[k]).
TEST_F(SkinTest, FramePerLookAndDivNum)
{
    const int expected[4][4] = {
        // normal, pointer over, pressed, disabled
        {0, 0, 0, 0}, // DivNum 1
        {0, 1, 0, 0}, // DivNum 2
        {0, 1, 2, 0}, // DivNum 3
        {0, 1, 2, 3}, // DivNum 4
    };
    for (int div = 1; div <= 4; ++div) {
        auto* b = new TssSkinButton(form);
        b->SetParent(form);
        b->SetDivNum(div);
        b->SetSkin(stripOf(10, 8, div, div - 1));
        for (int look = 0; look < 4; ++look) {
            SCOPED_TRACE(testing::Message() << "DivNum " << div << " look " << look);
            if (look == 1)
                b->MouseEnter();
            if (look == 2)
                b->MouseDown(mbLeft, ssLeft, 2, 2);
            if (look == 3)
                b->SetEnabled(false);
            EXPECT_EQ(b->Look(), look);
            const QImage img = shot(b);
            ASSERT_EQ(img.size(), QSize(10, 8));
            EXPECT_EQ(img.pixel(5, 4), kFrameColours[expected[div - 1][look]]);
            EXPECT_EQ(img.pixel(9, 7), kFrameColours[expected[div - 1][look]]); // leftover columns never show
        }
        b->Free();
    }
}

TEST_F(SkinTest, PlaceholderLooks)
{
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    b->SetName("ssSkinButton9");
    QImage img = shot(b);
    ASSERT_EQ(img.size(), QSize(50, 30));
    int darkTop = 0, darkBelow = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x)
            if (qGray(img.pixel(x, y)) < 100)
                (y < 20 ? darkTop : darkBelow)++;
    EXPECT_GT(darkTop, 10); // the name, in black, at the top
    EXPECT_EQ(darkBelow, 0);

    b->Skin()->Bitmap(); // an empty graphic: a black frame
    img = shot(b);
    EXPECT_EQ(img.pixel(0, 0), 0xFF000000);
    EXPECT_EQ(img.pixel(49, 29), 0xFF000000);
    EXPECT_EQ(img.pixel(25, 15), 0xFFFFFFFF);
}

TEST_F(SkinTest, MaskCutsTheNormalFrame)
{
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    QImage img(8, 4, QImage::Format_RGB32);
    img.fill(0xFF202020);
    img.setPixel(0, 0, kFuchsia);
    TBitmap bmp;
    bmp.SetImage(img);
    b->SetDivNum(2);
    b->SetSkin(bmp);
    EXPECT_FALSE(b->HasWindowRegion());
    b->SetMask(true);
    ASSERT_TRUE(b->HasWindowRegion());
    EXPECT_FALSE(b->WindowRegion().Contains(0, 0));
    EXPECT_TRUE(b->WindowRegion().Contains(3, 3));
    b->SetMask(false);
    EXPECT_FALSE(b->HasWindowRegion());
}

struct ClickProbe {
    int clicks = 0, downs = 0, ups = 0;
    void attach(TssSkinButton* b)
    {
        b->OnClick = [this](TObject*) { ++clicks; };
        b->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
        b->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    }
};

TEST_F(SkinTest, ClickComesOnlyFromALeftReleaseEndingAPress)
{
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    b->SetSkin(stripOf(20, 10, 3));
    form->Show();
    ClickProbe probe;
    probe.attach(b);
    QWidget* w = b->Widget();

    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(probe.clicks, 1);
    EXPECT_EQ(b->Look(), 0);

    // Right button: no pressed look, no click.
    QTest::mousePress(w, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_NE(b->Look(), 2);
    QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(probe.clicks, 1);

    // Press, drag out, back in, release: no click and not pressed.
    b->MouseDown(mbLeft, ssLeft, 5, 5);
    EXPECT_EQ(b->Look(), 2);
    b->MouseMove(ssLeft, 25, 5);
    EXPECT_EQ(b->Look(), 0);
    b->MouseMove(ssLeft, 5, 5);
    EXPECT_NE(b->Look(), 2);
    b->MouseUp(mbLeft, 0, 5, 5);
    EXPECT_EQ(probe.clicks, 1);

    // The edge X == Width still counts as inside.
    b->MouseDown(mbLeft, ssLeft, 5, 5);
    b->MouseMove(ssLeft, 20, 10);
    EXPECT_EQ(b->Look(), 2);
    b->MouseUp(mbLeft, 0, 20, 10);
    EXPECT_EQ(probe.clicks, 2);

    // Any other call of Click is ignored; a disabled button never clicks.
    b->Click();
    EXPECT_EQ(probe.clicks, 2);
    b->SetEnabled(false);
    b->MouseDown(mbLeft, ssLeft, 5, 5);
    b->MouseUp(mbLeft, 0, 5, 5);
    EXPECT_EQ(probe.clicks, 2);
    EXPECT_EQ(probe.downs, probe.ups);
}

TEST_F(SkinTest, ModalResultIsSetBeforeOnClick)
{
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    b->SetSkin(stripOf(20, 10, 3));
    TModalResult seen = -1;
    b->OnClick = [&](TObject*) { seen = form->ModalResult(); };

    form->SetModalResult(mrAbort);
    b->MouseDown(mbLeft, ssLeft, 1, 1);
    b->MouseUp(mbLeft, 0, 1, 1);
    EXPECT_EQ(seen, 0); // also 0 is written

    b->SetModalResult(mrOk);
    QTimer::singleShot(0, [&] {
        b->MouseDown(mbLeft, ssLeft, 1, 1);
        b->MouseUp(mbLeft, 0, 1, 1);
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(seen, mrOk);

    // A button on no form still clicks.
    TssSkinButton loose(nullptr);
    int clicks = 0;
    loose.OnClick = [&](TObject*) { ++clicks; };
    loose.SetModalResult(mrOk);
    loose.MouseDown(mbLeft, ssLeft, 1, 1);
    loose.MouseUp(mbLeft, 0, 1, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(SkinTest, EnterAndLeaveRaiseEventsAfterTheLookChanged)
{
    auto* b = new TssSkinButton(form);
    b->SetParent(form);
    b->SetSkin(stripOf(20, 10, 3));
    std::vector<int> looks;
    b->OnMouseEnter = [&](TObject*) { looks.push_back(b->Look()); };
    b->OnMouseExit = [&](TObject*) { looks.push_back(b->Look()); };
    b->MouseEnter();
    b->MouseLeave();
    EXPECT_EQ(looks, (std::vector<int>{1, 0}));
}

// ---- linked buttons -----------------------------------------------------------------

TEST_F(SkinTest, LinkCycleOfTwoIsRefused)
{
    auto* a = new TssLinkButton(form);
    auto* b = new TssLinkButton(form);
    a->SetLinkButton(b);
    try {
        b->SetLinkButton(a);
        FAIL() << "no exception";
    } catch (const zuvi::Exception& e) {
        EXPECT_EQ(e.message(), QStringLiteral("ButtonToLink 属性不能循环指定！ "));
    }
    EXPECT_EQ(b->ButtonToLink(), nullptr);
    EXPECT_EQ(a->ButtonToLink(), b);
    a->SetLinkButton(nullptr);
    EXPECT_EQ(a->ButtonToLink(), nullptr);
}

TEST_F(SkinTest, EnterAndLeavePassAlongTheChainAndEnd)
{
    struct Case {
        const char* what;
        int count;
        std::vector<std::pair<int, int>> links;
    };
    const Case cases[] = {
        {"chain of three", 3, {{0, 1}, {1, 2}}},
        {"cycle of three", 3, {{0, 1}, {1, 2}, {2, 0}}},
        {"self link", 1, {{0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<TssLinkButton*> buttons;
        std::vector<int> enters(std::size_t(c.count)), exits(std::size_t(c.count));
        for (int i = 0; i < c.count; ++i) {
            auto* b = new TssLinkButton(form);
            b->SetParent(form);
            b->OnMouseEnter = [&enters, i](TObject*) { ++enters[std::size_t(i)]; };
            b->OnMouseExit = [&exits, i](TObject*) { ++exits[std::size_t(i)]; };
            buttons.push_back(b);
        }
        for (auto [from, to] : c.links)
            buttons[std::size_t(from)]->SetLinkButton(buttons[std::size_t(to)]);
        buttons[0]->MouseEnter();
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(enters[std::size_t(i)], 1) << i;
            EXPECT_EQ(buttons[std::size_t(i)]->Look(), 1) << i;
        }
        buttons[0]->MouseLeave();
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(exits[std::size_t(i)], 1) << i;
        for (auto* b : buttons)
            b->Free();
    }
}

TEST_F(SkinTest, LinkToADestroyedButtonIsNotFollowed)
{
    auto* a = new TssLinkButton(form);
    auto* b = new TssLinkButton(form);
    a->SetLinkButton(b);
    b->Free();
    EXPECT_EQ(a->ButtonToLink(), nullptr);
    a->MouseEnter();
    a->MouseLeave();
    // And the other way round: the destroyed linker leaves no trace in its target.
    auto* c = new TssLinkButton(form);
    auto* d = new TssLinkButton(form);
    c->SetLinkButton(d);
    c->Free();
    d->Free();
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
