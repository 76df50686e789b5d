// Desktop UI layer: fonts, bitmaps, pictures, canvases and window regions.
#pragma once

#include "Types.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QRegion>
#include <QString>
#include <functional>
#include <memory>

class QImageReader;
class QPainter;
class QPaintDevice;

namespace zuvi::ui {

// Font with its height in pixels (the layouts' "Tahoma" maps to a family that covers Chinese).
class TFont {
public:
    QString Name = QStringLiteral("Tahoma");
    int Height = 11;
    TFontStyles Style = 0;
    TColor Color = clWindowText;
    QFont ToQFont() const;
    bool operator==(const TFont&) const = default;
};

struct TBrush {
    TColor Color = clWhite;
};
struct TPen {
    TColor Color = clBlack;
    int Width = 1;
};

class TBitmap;

// Drawing surface of a bitmap or of a control being painted.
class TCanvas {
public:
    TBrush Brush;
    TPen Pen;
    TFont Font;

    void FillRect(const TRect& r); // with Brush
    void FrameRect(const TRect& r); // one-pixel frame inside r, with Brush colour
    void Rectangle(const TRect& r); // Pen outline, Brush fill
    void TextOut(int x, int y, const QString& text);
    TPoint TextExtent(const QString& text) const; // X = width, Y = height
    // Draws text into r: DT_CENTER centres each line horizontally, DT_VCENTER vertically
    // (single line), DT_WORDBREAK wraps, DT_SINGLELINE keeps one line.
    void DrawText(const QString& text, const TRect& r, unsigned format);
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& r, const TBitmap& bitmap);
    // Copies w × h pixels from (sx, sy) of src to (x, y), replacing what is there (SRCCOPY).
    void BitBlt(int x, int y, int w, int h, const TBitmap& src, int sx, int sy);
    // Pixel colours, only on a bitmap's canvas. Outside the bitmap: Pixel() returns clNone.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);

    // The painter currently drawing (open during a control's Paint, or a bitmap painter).
    QPainter* Painter();

    // Internal: binds the canvas to a bitmap or to a painter of a control being painted.
    void BindBitmap(TBitmap* bitmap);
    void BindPainter(QPainter* painter);
    void Unbind();
    ~TCanvas();

private:
    QPainter* begin();
    void end();
    void applyFont(QPainter& p) const;
    TBitmap* m_bitmap = nullptr;
    QPainter* m_external = nullptr;
    QPainter* m_own = nullptr;
};

constexpr unsigned DT_LEFT = 0, DT_TOP = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4,
                   DT_BOTTOM = 8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20;

// A device-independent bitmap: 24 bits per pixel, or 8 bits with a palette as loaded.
class TBitmap {
public:
    TBitmap();
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    virtual ~TBitmap();

    int Width() const { return m_dropped ? m_droppedSize.width() : m_image.width(); }
    int Height() const { return m_dropped ? m_droppedSize.height() : m_image.height(); }
    bool Empty() const { return Width() == 0 || Height() == 0; }
    void SetWidth(int w);
    void SetHeight(int h);
    void SetSize(int w, int h);
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat f);
    // Loads a BMP file; throws zuvi::Exception when it cannot be read.
    virtual void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;
    void Assign(const TBitmap& other);
    TCanvas* Canvas();

    // Decoded from JPEG data (JPEG pictures are never drawn transparent).
    bool IsJpeg() const { return m_jpeg; }
    void SetJpeg(bool v) { m_jpeg = v; }
    const QImage& Image() const
    {
        pixels();
        return m_image;
    }
    // For changing the pixels: the bitmap is no longer the file's picture.
    QImage& Image();
    void SetImage(const QImage& image);

    // Drops the decoded pixels of every bitmap that holds a BMP file's picture unchanged since
    // it was read (windows built but not shown hold most of them); each reads its file again
    // when next used. Sizes stay known. UI thread only.
    static void DropFilePixels();

    // Raised after the picture data changed (load, assign, resize, drawing through Canvas).
    std::function<void()> OnChange;

protected:
    void Changed();

private:
    friend class TCanvas;
    friend class TPicture;
    // Reads the file again when the pixels were dropped; an unreadable file leaves no picture.
    void pixels() const;
    // The pixels are the BMP file's, unchanged: they may be dropped and read again.
    void keepSource(const QString& path);
    // Reads dropped pixels back, then no longer counts them as the file's.
    void forgetSource();
    // No longer counted as the file's picture (the pixels are replaced or the bitmap goes).
    void unlist();
    mutable QImage m_image;
    std::unique_ptr<TCanvas> m_canvas;
    bool m_jpeg = false;
    QString m_source;
    mutable bool m_dropped = false;
    QSize m_droppedSize;
};

// JPEG picture; LoadFromFile throws zuvi::Exception ("JPEG error ...") on undecodable data.
class TJPEGImage : public TBitmap {
public:
    void LoadFromFile(const QString& path) override;
};

// Picture holder: no graphic at all, or a bitmap (possibly empty). Change notification in OnChange.
class TPicture {
public:
    bool HasGraphic() const { return m_graphic != nullptr; }
    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }
    // The graphic as a bitmap; creates an empty one when there is no graphic.
    TBitmap* Bitmap();
    const TBitmap* Graphic() const { return m_graphic.get(); }
    // Loads BMP or JPEG (by content); throws zuvi::Exception when unreadable.
    void LoadFromFile(const QString& path);
    void Assign(const TPicture& other);
    void Assign(const TBitmap& bitmap);
    void Clear(); // no graphic

    std::function<void()> OnChange;

private:
    void Changed();
    std::unique_ptr<TBitmap> m_graphic;
};

// Icon for the notification area.
class TIcon {
public:
    // Returns false when the file is not a loadable icon.
    bool LoadFromFile(const QString& path);
    bool Empty() const { return m_icon.isNull(); }
    const QIcon& Icon() const { return m_icon; }
    void SetIcon(const QIcon& icon) { m_icon = icon; }

private:
    QIcon m_icon;
};

// Window region in window coordinates, a union of rectangles.
class TRegion {
public:
    TRegion() = default;
    static TRegion FromRect(int left, int top, int right, int bottom); // right/bottom exclusive
    void Unite(const TRegion& other) { m_region += other.m_region; }
    bool Contains(int x, int y) const { return m_region.contains(QPoint(x, y)); }
    bool IsEmpty() const { return m_region.isEmpty(); }
    TRect BoundingRect() const;
    int RectCount() const { return m_region.rectCount(); }
    const QRegion& Region() const { return m_region; }

private:
    QRegion m_region;
};

// Sets `reader` to take the format from its file's content. The formats the program's files use
// are told by their first bytes and go to their own reader at once: a probe would first load
// every image-format plugin to ask it.
void DecideFormatFromContent(QImageReader& reader);

} // namespace zuvi::ui
