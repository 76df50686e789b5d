// Skin artwork: every picture the forms and the "pic" folder need, at the sizes and frame counts of the layouts.

#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

const QString kBin = QStringLiteral(ZUVI_TEST_BIN_DIR);

struct BmpHeader {
    bool ok = false;
    int width = 0, height = 0, bits = 0, compression = -1, colorsUsed = 0;
};

BmpHeader readHeader(const QString& path)
{
    BmpHeader h;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return h;
    const QByteArray b = f.read(54);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return h;
    auto u32 = [&](int at) {
        return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 | std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
    };
    auto u16 = [&](int at) { return int(std::uint8_t(b[at])) | int(std::uint8_t(b[at + 1])) << 8; };
    h.ok = u32(14) == 40;
    h.width = int(u32(18));
    h.height = int(u32(22));
    h.bits = u16(28);
    h.compression = int(u32(30));
    h.colorsUsed = int(u32(46));
    return h;
}

bool isFuchsia(QRgb c) { return (c & 0xFFFFFF) == 0xFF00FF; }

enum class Cut { None,
    StripOnly,
    CornersAndStrip };

struct Background {
    const char* file;
    int w, h;
    Cut cut;
    int bits;
};

// Backgrounds: size, cut-outs and depth.
const Background kBackgrounds[] = {
    {"skins/form1_bg.bmp", 262, 510, Cut::CornersAndStrip, 24},
    {"skins/form2_bg.bmp", 261, 510, Cut::CornersAndStrip, 24},
    {"skins/form3_bg.bmp", 437, 381, Cut::CornersAndStrip, 24},
    {"skins/form4_bg.bmp", 345, 177, Cut::CornersAndStrip, 24},
    {"skins/form5_bg.bmp", 345, 212, Cut::CornersAndStrip, 24},
    {"skins/form6_bg.bmp", 341, 212, Cut::None, 24},
    {"skins/form7_bg.bmp", 341, 212, Cut::None, 24},
    {"skins/form8_bg.bmp", 340, 214, Cut::None, 24},
    {"skins/form9_bg.bmp", 345, 212, Cut::StripOnly, 24},
    {"skins/form16_bg.bmp", 490, 240, Cut::None, 24},
    {"skins/form17_bg.bmp", 225, 90, Cut::None, 8},
    {"skins/synchronous_bg.bmp", 340, 212, Cut::None, 24},
    {"skins/synstatus_bg.bmp", 340, 212, Cut::None, 24},
    {"pic/syn_doing.bmp", 340, 212, Cut::None, 24},
    {"pic/syn_done.bmp", 340, 212, Cut::None, 24},
    {"pic/syn_failed.bmp", 340, 212, Cut::None, 24},
};

TEST(SkinArtwork, BackgroundsHaveTheirSizeDepthAndCutOuts)
{
    for (const Background& bg : kBackgrounds) {
        SCOPED_TRACE(bg.file);
        const QString path = kBin + "/" + bg.file;
        const BmpHeader h = readHeader(path);
        ASSERT_TRUE(h.ok);
        EXPECT_EQ(h.width, bg.w);
        EXPECT_EQ(h.height, bg.h); // positive: bottom-up
        EXPECT_EQ(h.bits, bg.bits);
        EXPECT_EQ(h.compression, 0);
        if (bg.bits == 8) {
            EXPECT_GT(h.colorsUsed, 0);
            EXPECT_LE(h.colorsUsed, 256);
        }
        const QImage img(path);
        ASSERT_FALSE(img.isNull());
        ASSERT_EQ(img.size(), QSize(bg.w, bg.h));

        int strip = 0;
        while (strip < bg.w) {
            bool all = true;
            for (int y = 0; y < bg.h && all; ++y)
                all = isFuchsia(img.pixel(bg.w - 1 - strip, y));
            if (!all)
                break;
            ++strip;
        }
        const int visible = bg.w - strip;
        switch (bg.cut) {
        case Cut::None: {
            int fuchsia = 0;
            for (int y = 0; y < bg.h; ++y)
                for (int x = 0; x < bg.w; ++x)
                    fuchsia += isFuchsia(img.pixel(x, y));
            EXPECT_EQ(fuchsia, 0);
            break;
        }
        case Cut::StripOnly:
            EXPECT_TRUE(strip == 4 || strip == 5) << strip;
            EXPECT_FALSE(isFuchsia(img.pixel(0, 0)));
            EXPECT_FALSE(isFuchsia(img.pixel(visible - 1, bg.h - 1)));
            break;
        case Cut::CornersAndStrip:
            EXPECT_TRUE(strip == 4 || strip == 5) << strip;
            for (QPoint corner : {QPoint(0, 0), QPoint(visible - 1, 0), QPoint(0, bg.h - 1), QPoint(visible - 1, bg.h - 1)})
                EXPECT_TRUE(isFuchsia(img.pixel(corner))) << corner.x() << "," << corner.y();
            // The middle of each edge stays opaque.
            EXPECT_FALSE(isFuchsia(img.pixel(visible / 2, 0)));
            EXPECT_FALSE(isFuchsia(img.pixel(0, bg.h / 2)));
            EXPECT_FALSE(isFuchsia(img.pixel(visible - 1, bg.h / 2)));
            break;
        }
    }
}

struct Strip {
    const char* file;
    int frameW, frameH, frames;
};

// Every button skin of the forms, and the countdown pictures of the voice test.
const Strip kStrips[] = {
    {"skins/form1_ssSkinButton1.bmp", 27, 24, 3},
    {"skins/form1_ssSkinButton2.bmp", 27, 24, 3},
    {"skins/form1_ssSkinButton4.bmp", 27, 24, 3},
    {"skins/form1_ssSkinButton3.bmp", 70, 30, 3},
    {"skins/form1_ssSkinButton5.bmp", 70, 30, 3},
    {"skins/form1_ssSkinButton6.bmp", 37, 32, 3},
    {"skins/form1_ssSkinButton7.bmp", 37, 32, 3},
    {"skins/form1_ssSkinButton8.bmp", 70, 30, 1},
    {"skins/form2_ssSkinButton2.bmp", 100, 35, 3},
    {"skins/form2_ssSkinButton3.bmp", 27, 24, 3},
    {"skins/form2_ssSkinButton4.bmp", 27, 24, 3},
    {"skins/form3_ssSkinButton1.bmp", 118, 33, 3},
    {"skins/form3_ssSkinButton2.bmp", 118, 33, 3},
    {"skins/form3_ssSkinButton3.bmp", 118, 33, 3},
    {"skins/form3_ssSkinButton5.bmp", 77, 36, 3},
    {"skins/form3_ssSkinButton6.bmp", 77, 36, 3},
    {"skins/form4_ssSkinButton1.bmp", 77, 36, 3},
    {"skins/form4_ssSkinButton2.bmp", 77, 36, 3},
    {"skins/form5_ssSkinButton1.bmp", 77, 36, 3},
    {"skins/form5_ssSkinButton2.bmp", 77, 36, 3},
    {"skins/form6_ssSkinButton1.bmp", 77, 36, 3},
    {"skins/form6_ssSkinButton2.bmp", 77, 36, 3},
    {"skins/form6_ssSkinButton3.bmp", 27, 24, 3},
    {"skins/form7_ssSkinButton1.bmp", 77, 36, 3},
    {"skins/form7_ssSkinButton2.bmp", 77, 36, 3},
    {"skins/form7_ssSkinButton4.bmp", 77, 36, 3},
    {"skins/form7_ssSkinButton3.bmp", 27, 24, 3},
    {"skins/form8_ssSkinButton1.bmp", 27, 24, 3},
    {"skins/form8_ssSkinButton2.bmp", 27, 24, 3},
    {"skins/form8_ssSkinButton3.bmp", 79, 37, 1},
    {"skins/form8_ssSkinButton4.bmp", 77, 36, 3},
    {"skins/form8_ssSkinButton5.bmp", 157, 37, 1},
    {"skins/form9_ssSkinButton1.bmp", 77, 36, 3},
    {"skins/form9_ssSkinButton2.bmp", 77, 36, 3},
    {"skins/form16_ssSkinButton1.bmp", 27, 24, 3},
    {"skins/form16_ssSkinButton2.bmp", 27, 24, 3},
    {"skins/form16_ssSkinButton3.bmp", 77, 36, 3},
    {"skins/form16_ssSkinButton4.bmp", 140, 36, 3},
    {"skins/form17_ssSkinButton2.bmp", 20, 20, 3},
    {"skins/synchronous_ssSkinButton1.bmp", 77, 36, 3},
    {"skins/synchronous_ssSkinButton2.bmp", 77, 36, 3},
    {"skins/synchronous_ssSkinButton3.bmp", 27, 24, 3},
    {"skins/synstatus_ssSkinButton1.bmp", 77, 36, 3},
    {"pic/begin_t.bmp", 140, 36, 3},
    {"pic/t1.bmp", 140, 36, 1},
    {"pic/t2.bmp", 140, 36, 1},
    {"pic/t3.bmp", 140, 36, 1},
    {"pic/t4.bmp", 140, 36, 1},
    {"pic/t5.bmp", 140, 36, 1},
    {"pic/t6.bmp", 140, 36, 1},
    {"pic/t7.bmp", 140, 36, 1},
    {"pic/t8.bmp", 140, 36, 1},
    {"pic/t9.bmp", 140, 36, 1},
    {"pic/t10.bmp", 140, 36, 1},
    // Main window pictures.
    {"skins/form1_Image1.bmp", 52, 52, 1},
    {"skins/form1_Image5.bmp", 253, 32, 1},
    {"skins/form1_Image8.bmp", 60, 32, 1},
    {"skins/form1_Image9.bmp", 60, 32, 1},
    {"skins/form1_Image7.bmp", 71, 32, 1},
    {"skins/form1_Image6.bmp", 71, 32, 1},
    {"skins/form1_Image3.bmp", 20, 20, 1},
    {"skins/form1_Image4.bmp", 20, 20, 1},
};

TEST(SkinArtwork, StripsAreExactlyTheirFramesWideAndFramesDiffer)
{
    int buttons = 0;
    for (const Strip& s : kStrips) {
        SCOPED_TRACE(s.file);
        const QString path = kBin + "/" + s.file;
        const BmpHeader h = readHeader(path);
        ASSERT_TRUE(h.ok);
        EXPECT_EQ(h.bits, 24);
        EXPECT_EQ(h.compression, 0);
        EXPECT_EQ(h.width, s.frameW * s.frames);
        EXPECT_EQ(h.height, s.frameH);
        const QImage img = QImage(path).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(img.isNull());
        for (int a = 0; a < s.frames; ++a)
            for (int b = a + 1; b < s.frames; ++b)
                EXPECT_NE(img.copy(a * s.frameW, 0, s.frameW, s.frameH), img.copy(b * s.frameW, 0, s.frameW, s.frameH))
                    << "frames " << a << " and " << b << " look the same";
        if (QString(s.file).contains("ssSkinButton"))
            ++buttons;
    }
    EXPECT_EQ(buttons, 43); // every button the forms place
}

TEST(SkinArtwork, IconsLoad)
{
    for (const char* file : {"pic/zuvi_Icon.ico", "pic/zuvi_Icon1.ico", "skins/tray_online.ico", "skins/tray_offline.ico", "skins/zuvi.ico"}) {
        SCOPED_TRACE(file);
        QFile f(kBin + "/" + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        ASSERT_GE(b.size(), 22);
        EXPECT_EQ(b.left(4), QByteArray("\0\0\1\0", 4)); // ICONDIR, type 1 = icon
        const QImage img(kBin + "/" + file);
        EXPECT_FALSE(img.isNull());
    }
}

} // namespace
