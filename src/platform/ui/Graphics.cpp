// Desktop UI layer: fonts, bitmaps, pictures, canvases and window regions.
#include "Graphics.h"

#include "../os/Exception.h"

#include <QFile>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>

#include <string_view>
#include <unordered_set>

#include <malloc.h>

namespace zuvi::ui {

QFont TFont::ToQFont() const
{
    QFont f(Name);
    f.setPixelSize(Height > 0 ? Height : (Height < 0 ? -Height : 11));
    f.setBold(Style & fsBold);
    f.setItalic(Style & fsItalic);
    f.setUnderline(Style & fsUnderline);
    f.setStrikeOut(Style & fsStrikeOut);
    return f;
}

// ---- TCanvas ----

TCanvas::~TCanvas() { end(); }

void TCanvas::BindBitmap(TBitmap* bitmap)
{
    end();
    m_bitmap = bitmap;
    m_external = nullptr;
}

void TCanvas::BindPainter(QPainter* painter)
{
    end();
    m_bitmap = nullptr;
    m_external = painter;
}

void TCanvas::Unbind()
{
    end();
    m_bitmap = nullptr;
    m_external = nullptr;
}

QPainter* TCanvas::begin()
{
    if (m_external)
        return m_external;
    if (!m_bitmap || m_bitmap->m_image.isNull())
        return nullptr;
    if (!m_own) {
        QImage& img = m_bitmap->m_image;
        if (img.format() == QImage::Format_Indexed8 || img.format() == QImage::Format_Mono || img.format() == QImage::Format_MonoLSB)
            img = img.convertToFormat(QImage::Format_RGB32);
        m_own = new QPainter(&img);
    }
    return m_own;
}

void TCanvas::end()
{
    if (m_own) {
        m_own->end();
        delete m_own;
        m_own = nullptr;
        if (m_bitmap)
            m_bitmap->Changed();
    }
}

QPainter* TCanvas::Painter() { return begin(); }

void TCanvas::applyFont(QPainter& p) const
{
    p.setFont(Font.ToQFont());
    p.setPen(ToQColor(Font.Color));
}

void TCanvas::FillRect(const TRect& r)
{
    if (QPainter* p = begin()) {
        p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(Brush.Color));
        end();
    }
}

void TCanvas::FrameRect(const TRect& r)
{
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    if (QPainter* p = begin()) {
        QColor c = ToQColor(Brush.Color);
        p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
        p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
        p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
        p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
        end();
    }
}

void TCanvas::Rectangle(const TRect& r)
{
    if (QPainter* p = begin()) {
        p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(Brush.Color));
        p->setPen(QPen(ToQColor(Pen.Color), Pen.Width));
        p->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
        end();
    }
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    if (QPainter* p = begin()) {
        p->save();
        applyFont(*p);
        QFontMetrics fm(p->font());
        p->drawText(x, y + fm.ascent(), text);
        p->restore();
        end();
    }
}

TPoint TCanvas::TextExtent(const QString& text) const
{
    QFontMetrics fm(Font.ToQFont());
    return TPoint{fm.horizontalAdvance(text), fm.height()};
}

void TCanvas::DrawText(const QString& text, const TRect& r, unsigned format)
{
    if (QPainter* p = begin()) {
        p->save();
        applyFont(*p);
        int flags = 0;
        flags |= (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight
                                                                               : Qt::AlignLeft;
        flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : (format & DT_BOTTOM) ? Qt::AlignBottom
                                                                                 : Qt::AlignTop;
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
            flags |= Qt::TextWordWrap;
        p->drawText(QRect(r.Left, r.Top, r.Width(), r.Height()), flags, text);
        p->restore();
        end();
    }
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    if (QPainter* p = begin()) {
        p->drawImage(x, y, bitmap.Image());
        end();
    }
}

void TCanvas::StretchDraw(const TRect& r, const TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    if (QPainter* p = begin()) {
        p->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), bitmap.Image());
        end();
    }
}

void TCanvas::BitBlt(int x, int y, int w, int h, const TBitmap& src, int sx, int sy)
{
    if (src.Empty() || w <= 0 || h <= 0)
        return;
    if (QPainter* p = begin()) {
        p->save();
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->drawImage(QPoint(x, y), src.Image(), QRect(sx, sy, w, h));
        p->restore();
        end();
    }
}

TColor TCanvas::Pixel(int x, int y) const
{
    if (!m_bitmap)
        return clNone;
    const QImage& img = m_bitmap->m_image;
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return clNone;
    QRgb px = img.pixel(x, y);
    return RGB(qRed(px), qGreen(px), qBlue(px));
}

void TCanvas::SetPixel(int x, int y, TColor c)
{
    if (!m_bitmap)
        return;
    QImage& img = m_bitmap->m_image;
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return;
    if (img.format() == QImage::Format_Indexed8)
        img = img.convertToFormat(QImage::Format_RGB32);
    img.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    m_bitmap->Changed();
}

// ---- TBitmap ----

// Pixels as a bitmap keeps them: 8 bits with a palette, 32 bits, or 32 bits with alpha.
static QImage stored(const QImage& image)
{
    if (image.isNull() || image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_RGB32)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

// The bitmaps whose pixels are a BMP file's, unchanged since it was read.
static std::unordered_set<TBitmap*>& fileBitmaps()
{
    static std::unordered_set<TBitmap*> set;
    return set;
}

TBitmap::TBitmap() = default;
TBitmap::TBitmap(const TBitmap& other)
    : m_image(other.Image())
    , m_jpeg(other.m_jpeg)
{ }
TBitmap& TBitmap::operator=(const TBitmap& other)
{
    Assign(other);
    return *this;
}
TBitmap::~TBitmap()
{
    if (m_canvas)
        m_canvas->Unbind();
    unlist();
}

void TBitmap::keepSource(const QString& path)
{
    m_source = path;
    fileBitmaps().insert(this);
}

void TBitmap::unlist()
{
    if (!m_source.isEmpty()) {
        m_source.clear();
        fileBitmaps().erase(this);
    }
}

void TBitmap::forgetSource()
{
    pixels();
    unlist();
}

QImage& TBitmap::Image()
{
    forgetSource();
    return m_image;
}

void TBitmap::DropFilePixels()
{
    for (TBitmap* b : fileBitmaps())
        if (!b->m_dropped && !b->m_image.isNull()) {
            b->m_droppedSize = b->m_image.size();
            b->m_image = QImage();
            b->m_dropped = true;
        }
    // Most pictures are smaller than the allocator's mmap threshold: their pages go back only
    // when asked for.
    malloc_trim(0);
}

void TBitmap::Changed()
{
    if (OnChange)
        OnChange();
}

void TBitmap::SetSize(int w, int h)
{
    forgetSource();
    if (m_canvas)
        m_canvas->Unbind();
    if (w <= 0 || h <= 0) {
        m_image = QImage();
    } else {
        QImage::Format fmt = m_image.isNull() ? QImage::Format_RGB32 : m_image.format();
        if (fmt == QImage::Format_Indexed8)
            fmt = QImage::Format_RGB32;
        QImage n(w, h, fmt);
        n.fill(Qt::white);
        if (!m_image.isNull()) {
            QPainter p(&n);
            p.drawImage(0, 0, m_image);
        }
        m_image = n;
    }
    Changed();
}

void TBitmap::SetWidth(int w) { SetSize(w, Height()); }
void TBitmap::SetHeight(int h) { SetSize(Width(), h); }

TPixelFormat TBitmap::PixelFormat() const
{
    pixels();
    if (m_image.isNull())
        return pfDevice;
    switch (m_image.depth()) {
    case 1:
        return pf1bit;
    case 8:
        return pf8bit;
    case 16:
        return pf16bit;
    default:
        return m_image.format() == QImage::Format_ARGB32 ? pf32bit : pf24bit;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat f)
{
    forgetSource();
    if (m_image.isNull())
        return;
    if (f == pf8bit)
        m_image = m_image.convertToFormat(QImage::Format_Indexed8);
    else
        m_image = m_image.convertToFormat(f == pf32bit ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    Changed();
}

void DecideFormatFromContent(QImageReader& reader)
{
    static constexpr struct {
        std::string_view magic;
        const char* format;
    } known[] = {
        {"BM", "bmp"},
        {{"\0\0\1\0", 4}, "ico"},
        {"\xff\xd8\xff", "jpeg"},
        {"GIF8", "gif"},
        {"\x89PNG", "png"},
    };
    QFile f(reader.fileName());
    const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(4) : QByteArray();
    for (const auto& k : known) {
        if (head.startsWith(QByteArrayView(k.magic.data(), qsizetype(k.magic.size())))) {
            reader.setFormat(k.format);
            reader.setAutoDetectImageFormat(false);
            return;
        }
    }
    reader.setDecideFormatFromContent(true);
}

// Reads a picture file by its content; with `want` set, only data of that format is accepted.
static QImage readImage(const QString& path, const char* want, QString* error)
{
    QImageReader r(path);
    DecideFormatFromContent(r);
    if (want && r.format() != want) {
        if (error)
            *error = QStringLiteral("not %1 data").arg(QLatin1String(want));
        return QImage();
    }
    QImage img = r.read();
    if (img.isNull() && error)
        *error = r.errorString();
    return img;
}

void TBitmap::LoadFromFile(const QString& path)
{
    if (!QFile::exists(path))
        throw zuvi::Exception(QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
    QString err;
    QImage img = readImage(path, "bmp", &err);
    if (img.isNull())
        throw zuvi::Exception(QStringLiteral("Bitmap image is not valid: %1").arg(path));
    SetJpeg(false);
    SetImage(img);
    keepSource(path);
}

void TBitmap::SaveToFile(const QString& path) const
{
    pixels();
    if (!m_image.save(path, "BMP"))
        throw zuvi::Exception(QStringLiteral("Cannot create file \"%1\"").arg(path));
}

void TBitmap::SetImage(const QImage& image)
{
    unlist();
    m_dropped = false;
    if (m_canvas)
        m_canvas->Unbind();
    m_image = stored(image);
    Changed();
}

void TBitmap::pixels() const
{
    if (!m_dropped)
        return;
    m_dropped = false;
    m_image = stored(readImage(m_source, "bmp", nullptr));
    if (m_image.size() != m_droppedSize)
        m_image = QImage(); // the file changed since: no picture rather than another one
}

void TBitmap::Assign(const TBitmap& other)
{
    if (&other == this)
        return;
    m_jpeg = other.m_jpeg;
    SetImage(other.Image());
}

TCanvas* TBitmap::Canvas()
{
    forgetSource();
    if (!m_canvas)
        m_canvas = std::make_unique<TCanvas>();
    m_canvas->BindBitmap(this);
    return m_canvas.get();
}

void TJPEGImage::LoadFromFile(const QString& path)
{
    if (!QFile::exists(path))
        throw zuvi::Exception(QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
    QString err;
    QImage img = readImage(path, "jpeg", &err);
    if (img.isNull())
        throw zuvi::Exception(QStringLiteral("JPEG error #53"));
    SetJpeg(true);
    SetImage(img);
}

// ---- TPicture ----

void TPicture::Changed()
{
    if (OnChange)
        OnChange();
}

TBitmap* TPicture::Bitmap()
{
    if (!m_graphic)
        m_graphic = std::make_unique<TBitmap>();
    return m_graphic.get();
}

void TPicture::LoadFromFile(const QString& path)
{
    if (!QFile::exists(path))
        throw zuvi::Exception(QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
    QImageReader r(path);
    DecideFormatFromContent(r);
    QByteArray format = r.format();
    QImage img = r.read();
    if (img.isNull())
        throw zuvi::Exception(QStringLiteral("Unknown picture file extension or invalid picture (%1)").arg(path));
    auto b = std::make_unique<TBitmap>();
    b->SetJpeg(format == "jpeg" || format == "jpg");
    b->SetImage(img);
    if (format == "bmp")
        b->keepSource(path);
    m_graphic = std::move(b);
    Changed();
}

void TPicture::Assign(const TPicture& other)
{
    if (&other == this)
        return;
    if (!other.m_graphic)
        m_graphic.reset();
    else
        m_graphic = std::make_unique<TBitmap>(*other.m_graphic);
    Changed();
}

void TPicture::Assign(const TBitmap& bitmap)
{
    m_graphic = std::make_unique<TBitmap>(bitmap);
    Changed();
}

void TPicture::Clear()
{
    m_graphic.reset();
    Changed();
}

bool TIcon::LoadFromFile(const QString& path)
{
    QImage img = readImage(path, nullptr, nullptr);
    if (img.isNull())
        return false;
    m_icon = QIcon(QPixmap::fromImage(img));
    return true;
}

TRegion TRegion::FromRect(int left, int top, int right, int bottom)
{
    TRegion r;
    if (right > left && bottom > top)
        r.m_region = QRegion(left, top, right - left, bottom - top);
    return r;
}

TRect TRegion::BoundingRect() const
{
    QRect b = m_region.boundingRect();
    return TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
}

} // namespace zuvi::ui
