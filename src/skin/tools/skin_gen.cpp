// zuvi-skin-gen: draws the skin bitmaps, pictures and icons from resources/skins/skins.json.
//
// Usage: zuvi-skin-gen <description.json> <output folder>
// Every picture's "file" is relative to the output folder (skins/..., pic/...).
// BMP and ICO bytes are written here, not by an image plugin, so that bit depth,
// palette and layout are exact and the output is the same on every run.

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

constexpr QRgb kFuchsia = 0xFF00FF;

struct Context {
    QJsonObject colors;
    QJsonObject schemes;
    QString fontFamily;
};

[[noreturn]] void fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

QColor colorOf(const Context& ctx, const QJsonValue& v, const QColor& fallback = Qt::black)
{
    if (v.isUndefined() || v.isNull())
        return fallback;
    QString s = v.toString();
    if (ctx.colors.contains(s))
        s = ctx.colors.value(s).toString();
    QColor c = QColor::fromString(s);
    if (!c.isValid())
        fail("bad colour: " + v.toString());
    return c;
}

QRectF rectOf(const QJsonValue& v)
{
    const QJsonArray a = v.toArray();
    if (a.size() != 4)
        fail("a rectangle needs [x, y, w, h]");
    return QRectF(a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble());
}

QFont fontOf(const Context& ctx, const QJsonObject& op, bool antialias)
{
    QFont f(ctx.fontFamily);
    f.setPixelSize(op.value("size").toInt(12));
    f.setBold(op.value("bold").toBool(false));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(antialias ? QFont::PreferAntialias : QFont::NoAntialias);
    return f;
}

// ---- glyphs: simple pictograms drawn into a rectangle --------------------------------

QPen roundPen(const QColor& c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawHandset(QPainter& p, const QRectF& r, const QColor& c, qreal angle)
{
    // A handset in a unit square: a thick arc with an ear and a mouth piece.
    p.save();
    p.translate(r.center());
    p.rotate(angle);
    const qreal s = std::min(r.width(), r.height());
    p.scale(s, s);
    p.setPen(roundPen(c, 0.17));
    p.setBrush(Qt::NoBrush);
    QRectF arc(-0.38, -0.22, 0.76, 0.76);
    p.drawArc(arc, 35 * 16, 110 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (qreal deg : {35.0, 145.0}) {
        const qreal rad = deg * M_PI / 180.0;
        const QPointF at(arc.center().x() + 0.38 * std::cos(rad), arc.center().y() - 0.38 * std::sin(rad));
        p.save();
        p.translate(at);
        p.rotate(90 - deg);
        p.drawRoundedRect(QRectF(-0.15, -0.05, 0.30, 0.2), 0.06, 0.06);
        p.restore();
    }
    p.restore();
}

void drawGlyph(QPainter& p, const QString& name, const QRectF& r, const QColor& c, const QColor& accent)
{
    const qreal s = std::min(r.width(), r.height());
    const QPointF m = r.center();
    p.save();
    if (name == "cross") {
        p.setPen(roundPen(c, std::max<qreal>(1.6, s / 9)));
        const qreal h = s * 0.22;
        p.drawLine(QPointF(m.x() - h, m.y() - h), QPointF(m.x() + h, m.y() + h));
        p.drawLine(QPointF(m.x() - h, m.y() + h), QPointF(m.x() + h, m.y() - h));
    } else if (name == "dash") {
        p.setPen(roundPen(c, std::max<qreal>(1.6, s / 9)));
        const qreal h = s * 0.24;
        p.drawLine(QPointF(m.x() - h, m.y() + s * 0.12), QPointF(m.x() + h, m.y() + s * 0.12));
    } else if (name == "menu") {
        p.setPen(roundPen(c, std::max<qreal>(1.4, s / 11)));
        const qreal h = s * 0.24;
        for (int i = -1; i <= 1; ++i)
            p.drawLine(QPointF(m.x() - h, m.y() + i * s * 0.18), QPointF(m.x() + h, m.y() + i * s * 0.18));
    } else if (name == "phone") {
        drawHandset(p, r, c, 0);
    } else if (name == "hangup") {
        drawHandset(p, r, c, 180);
    } else if (name == "busy") {
        drawHandset(p, QRectF(r.x(), r.y() - s * 0.1, r.width(), r.height()), c, 0);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        for (int i = -1; i <= 1; ++i)
            p.drawEllipse(QPointF(m.x() + i * s * 0.2, m.y() + s * 0.33), s * 0.06, s * 0.06);
    } else if (name == "addcontact") {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(m.x() - s * 0.12, m.y() - s * 0.17), s * 0.15, s * 0.15);
        QPainterPath body;
        body.moveTo(m.x() - s * 0.40, m.y() + s * 0.34);
        body.cubicTo(m.x() - s * 0.40, m.y() - s * 0.06, m.x() + s * 0.16, m.y() - s * 0.06, m.x() + s * 0.16, m.y() + s * 0.34);
        body.closeSubpath();
        p.drawPath(body);
        p.setPen(roundPen(accent, std::max<qreal>(1.8, s / 10)));
        p.drawLine(QPointF(m.x() + s * 0.30, m.y() - s * 0.22), QPointF(m.x() + s * 0.30, m.y() + s * 0.06));
        p.drawLine(QPointF(m.x() + s * 0.16, m.y() - s * 0.08), QPointF(m.x() + s * 0.44, m.y() - s * 0.08));
    } else if (name == "backspace") {
        QPainterPath key;
        key.moveTo(m.x() - s * 0.42, m.y());
        key.lineTo(m.x() - s * 0.18, m.y() - s * 0.26);
        key.lineTo(m.x() + s * 0.42, m.y() - s * 0.26);
        key.lineTo(m.x() + s * 0.42, m.y() + s * 0.26);
        key.lineTo(m.x() - s * 0.18, m.y() + s * 0.26);
        key.closeSubpath();
        p.setPen(roundPen(c, std::max<qreal>(1.4, s / 14)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(key);
        const qreal h = s * 0.11;
        const QPointF x(m.x() + s * 0.1, m.y());
        p.drawLine(QPointF(x.x() - h, x.y() - h), QPointF(x.x() + h, x.y() + h));
        p.drawLine(QPointF(x.x() - h, x.y() + h), QPointF(x.x() + h, x.y() - h));
    } else if (name == "speaker") {
        QPainterPath cone;
        cone.moveTo(m.x() - s * 0.40, m.y() - s * 0.14);
        cone.lineTo(m.x() - s * 0.22, m.y() - s * 0.14);
        cone.lineTo(m.x() + s * 0.02, m.y() - s * 0.36);
        cone.lineTo(m.x() + s * 0.02, m.y() + s * 0.36);
        cone.lineTo(m.x() - s * 0.22, m.y() + s * 0.14);
        cone.lineTo(m.x() - s * 0.40, m.y() + s * 0.14);
        cone.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(cone);
        p.setPen(roundPen(c, std::max<qreal>(1.2, s / 14)));
        p.setBrush(Qt::NoBrush);
        for (qreal rr : {0.18, 0.32}) {
            const QRectF a(m.x() + s * 0.02 - s * rr, m.y() - s * rr, 2 * s * rr, 2 * s * rr);
            p.drawArc(a, -45 * 16, 90 * 16);
        }
    } else if (name == "mic") {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawRoundedRect(QRectF(m.x() - s * 0.13, m.y() - s * 0.42, s * 0.26, s * 0.5), s * 0.13, s * 0.13);
        p.setPen(roundPen(c, std::max<qreal>(1.2, s / 14)));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(m.x() - s * 0.26, m.y() - s * 0.3, s * 0.52, s * 0.52), 180 * 16, 180 * 16);
        p.drawLine(QPointF(m.x(), m.y() + s * 0.22), QPointF(m.x(), m.y() + s * 0.38));
        p.drawLine(QPointF(m.x() - s * 0.16, m.y() + s * 0.40), QPointF(m.x() + s * 0.16, m.y() + s * 0.40));
    } else if (name == "exclaim" || name == "check" || name == "failed") {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(m, s * 0.46, s * 0.46);
        p.setPen(roundPen(accent, std::max<qreal>(2.0, s / 9)));
        if (name == "exclaim") {
            p.drawLine(QPointF(m.x(), m.y() - s * 0.26), QPointF(m.x(), m.y() + s * 0.06));
            p.drawPoint(QPointF(m.x(), m.y() + s * 0.24));
        } else if (name == "check") {
            QPainterPath tick;
            tick.moveTo(m.x() - s * 0.22, m.y());
            tick.lineTo(m.x() - s * 0.05, m.y() + s * 0.18);
            tick.lineTo(m.x() + s * 0.24, m.y() - s * 0.16);
            p.drawPath(tick);
        } else {
            const qreal h = s * 0.18;
            p.drawLine(QPointF(m.x() - h, m.y() - h), QPointF(m.x() + h, m.y() + h));
            p.drawLine(QPointF(m.x() - h, m.y() + h), QPointF(m.x() + h, m.y() - h));
        }
    } else if (name == "sync") {
        const qreal w = std::max<qreal>(2.0, s / 9);
        p.setPen(roundPen(c, w));
        const QRectF a(m.x() - s * 0.32, m.y() - s * 0.32, s * 0.64, s * 0.64);
        p.drawArc(a, 20 * 16, 140 * 16);
        p.drawArc(a, 200 * 16, 140 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        for (qreal deg : {20.0, 200.0}) {
            const qreal rad = deg * M_PI / 180.0;
            const QPointF at(m.x() + s * 0.32 * std::cos(rad), m.y() - s * 0.32 * std::sin(rad));
            const qreal dir = rad + M_PI / 2; // arrow points along the clockwise direction
            QPainterPath head;
            const qreal l = s * 0.16;
            head.moveTo(at.x() + l * std::cos(dir + M_PI / 2), at.y() - l * std::sin(dir + M_PI / 2));
            head.lineTo(at.x() - l * std::cos(dir + M_PI / 2), at.y() + l * std::sin(dir + M_PI / 2));
            head.lineTo(at.x() - l * 1.2 * std::cos(dir), at.y() + l * 1.2 * std::sin(dir));
            head.closeSubpath();
            p.drawPath(head);
        }
    } else if (name == "mascot") {
        // A round character wearing a headset: our own figure, not anybody's logo.
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(m, s * 0.44, s * 0.42);
        p.setBrush(QColor(255, 255, 255));
        p.drawEllipse(QPointF(m.x(), m.y() + s * 0.06), s * 0.32, s * 0.28);
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QPointF(m.x() - s * 0.12, m.y() + s * 0.0), s * 0.05, s * 0.06);
        p.drawEllipse(QPointF(m.x() + s * 0.12, m.y() + s * 0.0), s * 0.05, s * 0.06);
        p.setPen(roundPen(QColor(40, 40, 40), std::max<qreal>(1.2, s / 40)));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(m.x() - s * 0.12, m.y() + s * 0.02, s * 0.24, s * 0.18), 200 * 16, 140 * 16);
        p.setPen(roundPen(accent, std::max<qreal>(2.0, s / 16)));
        p.drawArc(QRectF(m.x() - s * 0.48, m.y() - s * 0.5, s * 0.96, s * 0.9), 10 * 16, 160 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRoundedRect(QRectF(m.x() - s * 0.52, m.y() - s * 0.12, s * 0.14, s * 0.26), s * 0.05, s * 0.05);
        p.drawRoundedRect(QRectF(m.x() + s * 0.38, m.y() - s * 0.12, s * 0.14, s * 0.26), s * 0.05, s * 0.05);
    } else if (name == "avatar") {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(m.x(), m.y() - s * 0.12), s * 0.19, s * 0.19);
        QPainterPath body;
        body.moveTo(m.x() - s * 0.36, r.bottom() - s * 0.06);
        body.cubicTo(m.x() - s * 0.36, m.y() + s * 0.02, m.x() + s * 0.36, m.y() + s * 0.02, m.x() + s * 0.36, r.bottom() - s * 0.06);
        body.closeSubpath();
        p.drawPath(body);
    } else {
        fail("unknown glyph: " + name);
    }
    p.restore();
}

// ---- drawing operations --------------------------------------------------------------

void drawOps(QPainter& p, const Context& ctx, const QJsonArray& ops, bool antialias)
{
    for (const QJsonValue& v : ops) {
        const QJsonObject op = v.toObject();
        const QString kind = op.value("op").toString();
        p.save();
        if (kind == "fill") {
            p.fillRect(rectOf(op.value("rect")), colorOf(ctx, op.value("color")));
        } else if (kind == "gradient") {
            const QRectF r = rectOf(op.value("rect"));
            QLinearGradient g(r.topLeft(), op.value("horizontal").toBool() ? r.topRight() : r.bottomLeft());
            g.setColorAt(0, colorOf(ctx, op.value("from")));
            g.setColorAt(1, colorOf(ctx, op.value("to")));
            p.fillRect(r, g);
        } else if (kind == "frame") {
            const QRectF r = rectOf(op.value("rect"));
            p.setPen(QPen(colorOf(ctx, op.value("color")), 1));
            p.setBrush(Qt::NoBrush);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else if (kind == "line") {
            const QJsonArray a = op.value("from").toArray(), b = op.value("to").toArray();
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(colorOf(ctx, op.value("color")), op.value("width").toDouble(1)));
            p.drawLine(QPointF(a[0].toDouble(), a[1].toDouble()), QPointF(b[0].toDouble(), b[1].toDouble()));
        } else if (kind == "roundrect") {
            const QRectF r = rectOf(op.value("rect"));
            const qreal rad = op.value("radius").toDouble(4);
            if (op.contains("pen"))
                p.setPen(QPen(colorOf(ctx, op.value("pen")), 1));
            else
                p.setPen(Qt::NoPen);
            if (op.contains("fill"))
                p.setBrush(colorOf(ctx, op.value("fill")));
            else
                p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), rad, rad);
        } else if (kind == "ellipse") {
            p.setPen(Qt::NoPen);
            p.setBrush(colorOf(ctx, op.value("color")));
            p.drawEllipse(rectOf(op.value("rect")));
        } else if (kind == "text") {
            p.setFont(fontOf(ctx, op, antialias));
            p.setPen(colorOf(ctx, op.value("color")));
            const QString align = op.value("align").toString("center");
            int flags = Qt::AlignVCenter | Qt::TextSingleLine;
            flags |= align == "left" ? Qt::AlignLeft : align == "right" ? Qt::AlignRight
                                                                        : Qt::AlignHCenter;
            p.drawText(rectOf(op.value("rect")), flags, op.value("text").toString());
        } else if (kind == "glyph") {
            drawGlyph(p, op.value("name").toString(), rectOf(op.value("rect")), colorOf(ctx, op.value("color")),
                colorOf(ctx, op.value("accent"), Qt::white));
        } else {
            fail("unknown drawing operation: " + kind);
        }
        p.restore();
    }
}

// Replaces the transparent colour wherever drawing produced it by accident: only the
// cut-outs may carry it.
void keepFuchsiaForCutOuts(QImage& img)
{
    for (int y = 0; y < img.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] & 0xFFFFFF) == kFuchsia)
                row[x] = 0xFFFE00FE;
    }
}

// Rounded corners of radius r on the rectangle (0, 0, w, h) and a strip of columns
// from w to the right edge: all of them become the transparent colour.
void cutOut(QImage& img, int visibleWidth, int radius)
{
    const QRgb fuchsia = 0xFF000000 | kFuchsia;
    for (int y = 0; y < img.height(); ++y)
        for (int x = visibleWidth; x < img.width(); ++x)
            img.setPixel(x, y, fuchsia);
    if (radius <= 0)
        return;
    const int w = visibleWidth, h = img.height();
    for (int dy = 0; dy < radius; ++dy) {
        for (int dx = 0; dx < radius; ++dx) {
            const double cx = radius - dx - 0.5, cy = radius - dy - 0.5;
            if (cx * cx + cy * cy <= double(radius) * radius)
                continue;
            img.setPixel(dx, dy, fuchsia);
            img.setPixel(w - 1 - dx, dy, fuchsia);
            img.setPixel(dx, h - 1 - dy, fuchsia);
            img.setPixel(w - 1 - dx, h - 1 - dy, fuchsia);
        }
    }
}

// ---- buttons: one frame per look -----------------------------------------------------

void drawButtonStrip(QPainter& p, const Context& ctx, const QJsonObject& pic, int fw, int fh, int frames)
{
    const QString schemeName = pic.value("scheme").toString();
    if (!ctx.schemes.contains(schemeName))
        fail("unknown scheme: " + schemeName);
    const QJsonObject scheme = ctx.schemes.value(schemeName).toObject();
    const QJsonArray looks = scheme.value("looks").toArray();
    const qreal radius = scheme.value("radius").toDouble(3);
    for (int f = 0; f < frames; ++f) {
        const QJsonObject look = looks.at(std::min<int>(f, looks.size() - 1)).toObject();
        p.save();
        p.translate(f * fw, 0);
        p.setClipRect(0, 0, fw, fh);
        const QRectF r(0, 0, fw, fh);
        p.fillRect(r, colorOf(ctx, scheme.value("backdrop"), Qt::white));
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, colorOf(ctx, look.value("top")));
        g.setColorAt(1, colorOf(ctx, look.value("bottom")));
        p.setBrush(g);
        if (look.contains("border"))
            p.setPen(QPen(colorOf(ctx, look.value("border")), 1));
        else
            p.setPen(Qt::NoPen);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        const qreal shift = look.value("shift").toDouble(0);
        const QColor ink = colorOf(ctx, pic.contains("ink") ? pic.value("ink") : look.value("ink"));
        const QColor accent = colorOf(ctx, pic.value("accent"), ink);
        const QRectF inner = r.translated(shift, shift);
        if (pic.contains("glyph")) {
            QRectF gr = inner;
            if (pic.contains("glyphRect"))
                gr = rectOf(pic.value("glyphRect")).translated(shift, shift);
            drawGlyph(p, pic.value("glyph").toString(), gr, ink, accent);
        }
        if (pic.contains("caption")) {
            QJsonObject t{{"size", pic.value("size").toInt(14)}, {"bold", pic.value("bold").toBool(false)}};
            p.setFont(fontOf(ctx, t, true));
            p.setPen(ink);
            QRectF tr = inner;
            if (pic.contains("captionRect"))
                tr = rectOf(pic.value("captionRect")).translated(shift, shift);
            p.drawText(tr, Qt::AlignCenter | Qt::TextSingleLine, pic.value("caption").toString());
        }
        p.restore();
    }
}

// ---- file writers ----------------------------------------------------------------------

void put16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail("cannot write " + path);
}

void bmpHeaders(QByteArray& b, int w, int h, int bits, int paletteSize, quint32 imageSize)
{
    const quint32 offset = 14 + 40 + 4 * paletteSize;
    b.append("BM");
    put32(b, offset + imageSize);
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h)); // positive: bottom-up rows
    put16(b, 1);
    put16(b, quint16(bits));
    put32(b, 0); // BI_RGB, uncompressed
    put32(b, imageSize);
    put32(b, 2835); // 72 dpi
    put32(b, 2835);
    put32(b, quint32(paletteSize));
    put32(b, 0);
}

QByteArray bmp24(const QImage& img)
{
    const int w = img.width(), h = img.height();
    const int stride = (w * 3 + 3) & ~3;
    QByteArray b;
    bmpHeaders(b, w, h, 24, 0, quint32(stride * h));
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray line(stride, '\0');
        for (int x = 0; x < w; ++x) {
            line[3 * x] = char(qBlue(row[x]));
            line[3 * x + 1] = char(qGreen(row[x]));
            line[3 * x + 2] = char(qRed(row[x]));
        }
        b.append(line);
    }
    return b;
}

// 8 bits per pixel with a palette of the picture's own colours: the most frequent 256,
// every other colour mapped to its nearest palette entry.
QByteArray bmp8(const QImage& img)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            ++counts[row[x] & 0xFFFFFF];
    }
    std::vector<std::pair<QRgb, int>> byUse(counts.begin(), counts.end());
    std::stable_sort(byUse.begin(), byUse.end(), [](auto& a, auto& b) { return a.second > b.second; });
    if (byUse.size() > 256)
        byUse.resize(256);
    std::vector<QRgb> palette;
    for (auto& e : byUse)
        palette.push_back(e.first);
    std::sort(palette.begin(), palette.end());
    auto index = [&](QRgb c) {
        auto it = std::lower_bound(palette.begin(), palette.end(), c);
        if (it != palette.end() && *it == c)
            return int(it - palette.begin());
        int best = 0;
        long bestD = -1;
        for (size_t i = 0; i < palette.size(); ++i) {
            const long dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c), db = qBlue(palette[i]) - qBlue(c);
            const long d = dr * dr + dg * dg + db * db;
            if (bestD < 0 || d < bestD) {
                bestD = d;
                best = int(i);
            }
        }
        return best;
    };
    const int w = img.width(), h = img.height();
    const int stride = (w + 3) & ~3;
    QByteArray b;
    bmpHeaders(b, w, h, 8, int(palette.size()), quint32(stride * h));
    for (QRgb c : palette) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append('\0');
    }
    std::map<QRgb, int> cache;
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray line(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb c = row[x] & 0xFFFFFF;
            auto it = cache.find(c);
            if (it == cache.end())
                it = cache.emplace(c, index(c)).first;
            line[x] = char(it->second);
        }
        b.append(line);
    }
    return b;
}

// An icon file with one 32-bit entry (XOR bitmap with alpha plus AND mask) per size.
QByteArray ico(const std::vector<QImage>& images)
{
    QByteArray dir, data;
    put16(dir, 0);
    put16(dir, 1);
    put16(dir, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (const QImage& img : images) {
        const int w = img.width(), h = img.height();
        const int maskStride = ((w + 31) / 32) * 4;
        QByteArray e;
        put32(e, 40);
        put32(e, quint32(w));
        put32(e, quint32(2 * h));
        put16(e, 1);
        put16(e, 32);
        put32(e, 0);
        put32(e, quint32(w * h * 4 + maskStride * h));
        put32(e, 0);
        put32(e, 0);
        put32(e, 0);
        put32(e, 0);
        for (int y = h - 1; y >= 0; --y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                e.append(char(qBlue(row[x])));
                e.append(char(qGreen(row[x])));
                e.append(char(qRed(row[x])));
                e.append(char(qAlpha(row[x])));
            }
        }
        for (int y = h - 1; y >= 0; --y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            QByteArray line(maskStride, '\0');
            for (int x = 0; x < w; ++x)
                if (qAlpha(row[x]) == 0)
                    line[x / 8] = char(line[x / 8] | (0x80 >> (x % 8)));
            e.append(line);
        }
        dir.append(char(w >= 256 ? 0 : w));
        dir.append(char(h >= 256 ? 0 : h));
        dir.append('\0');
        dir.append('\0');
        put16(dir, 1);
        put16(dir, 32);
        put32(dir, quint32(e.size()));
        put32(dir, offset);
        offset += quint32(e.size());
        data.append(e);
    }
    return dir + data;
}

// ---- one picture -----------------------------------------------------------------------

void generate(const Context& ctx, const QJsonObject& pic, const QString& outDir)
{
    const QString file = pic.value("file").toString();
    if (file.isEmpty())
        fail("a picture without \"file\"");
    const bool antialias = pic.value("antialias").toBool(true);

    // A square picture with alpha, drawn in design units and scaled to its size.
    auto square = [&](int size) {
        const int design = pic.value("design").toInt(32);
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.scale(qreal(size) / design, qreal(size) / design);
        drawOps(p, ctx, pic.value("draw").toArray(), true);
        p.end();
        return img.convertToFormat(QImage::Format_ARGB32);
    };
    if (pic.contains("icon")) {
        std::vector<QImage> images;
        for (const QJsonValue& s : pic.value("icon").toArray())
            images.push_back(square(s.toInt()));
        writeFile(outDir + "/" + file, ico(images));
        return;
    }
    if (pic.contains("png")) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!square(pic.value("png").toInt()).save(&buffer, "PNG"))
            fail(file + ": PNG not written");
        writeFile(outDir + "/" + file, bytes);
        return;
    }

    int w, h, frames = 1, fw = 0, fh = 0;
    if (pic.contains("frame")) {
        const QJsonArray f = pic.value("frame").toArray();
        fw = f[0].toInt();
        fh = f[1].toInt();
        frames = pic.value("frames").toInt(1);
        w = fw * frames;
        h = fh;
    } else {
        const QJsonArray s = pic.value("size").toArray();
        w = s[0].toInt();
        h = s[1].toInt();
    }
    if (w <= 0 || h <= 0)
        fail(file + ": no size");

    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colorOf(ctx, pic.value("fill"), Qt::white));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, antialias);
        p.setRenderHint(QPainter::TextAntialiasing, antialias);
        if (pic.contains("frame"))
            drawButtonStrip(p, ctx, pic, fw, fh, frames);
        const int strip = pic.value("strip").toInt(0);
        drawOps(p, ctx, pic.value("draw").toArray(), antialias);
        if (pic.contains("outline")) {
            // The window's edge, following the rounded corners of the visible part.
            const qreal r = pic.value("corners").toDouble(0);
            p.setPen(QPen(colorOf(ctx, pic.value("outline")), 1));
            p.setBrush(Qt::NoBrush);
            p.setRenderHint(QPainter::Antialiasing, r > 0 && antialias);
            const QRectF edge(0.5, 0.5, w - strip - 1, h - 1);
            if (r > 0)
                p.drawRoundedRect(edge, r - 0.5, r - 0.5);
            else
                p.drawRect(QRect(0, 0, w - strip - 1, h - 1));
        }
    }
    keepFuchsiaForCutOuts(img);
    const int strip = pic.value("strip").toInt(0);
    const int corners = pic.value("corners").toInt(0);
    if (strip > 0 || corners > 0)
        cutOut(img, w - strip, corners);

    const int depth = pic.value("depth").toInt(24);
    if (depth == 24)
        writeFile(outDir + "/" + file, bmp24(img));
    else if (depth == 8)
        writeFile(outDir + "/" + file, bmp8(img));
    else
        fail(file + ": depth must be 24 or 8");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zuvi-skin-gen <description.json> <output folder>\n");
        return 2;
    }
    try {
        QFile in(QString::fromLocal8Bit(argv[1]));
        if (!in.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read ") + in.fileName());
        QJsonParseError err{};
        const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &err);
        if (doc.isNull())
            fail("description: " + err.errorString() + " at offset " + QString::number(err.offset));
        const QJsonObject root = doc.object();
        Context ctx;
        ctx.colors = root.value("colors").toObject();
        ctx.schemes = root.value("schemes").toObject();
        ctx.fontFamily = root.value("font").toString("WenQuanYi Micro Hei");
        for (const QJsonValue& f : root.value("fontFiles").toArray())
            if (QFileInfo::exists(f.toString()))
                QFontDatabase::addApplicationFont(f.toString());
        if (!QFontDatabase::families().contains(ctx.fontFamily))
            std::fprintf(stderr, "zuvi-skin-gen: font \"%s\" not found, captions use a fallback\n",
                qPrintable(ctx.fontFamily));
        const QString outDir = QString::fromLocal8Bit(argv[2]);
        int n = 0;
        for (const QJsonValue& v : root.value("pictures").toArray()) {
            generate(ctx, v.toObject(), outDir);
            ++n;
        }
        std::printf("zuvi-skin-gen: %d pictures written to %s\n", n, qPrintable(outDir));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zuvi-skin-gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
