// Code page service: GBK through glibc iconv, UTF-8 through Qt.
#include "codepage.h"

#include <QtEndian>
#include <cerrno>
#include <iconv.h>

namespace zuvi::os {
namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kUtf16 = "UTF-16LE";
#else
constexpr const char* kUtf16 = "UTF-16BE";
#endif
constexpr const char* kAnsi = "CP936";

// One converter per thread and direction, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from)
        : m_cd(iconv_open(to, from))
    { }
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns the iconv errno (0 when all input was consumed).
    int run(const char*& in, size_t& inLeft, char*& out, size_t& outLeft)
    {
        size_t r = iconv(m_cd, const_cast<char**>(&in), &inLeft, &out, &outLeft);
        return r == static_cast<size_t>(-1) ? errno : 0;
    }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

Converter& encoder()
{
    thread_local Converter c(kAnsi, kUtf16);
    return c;
}
Converter& decoder()
{
    thread_local Converter c(kUtf16, kAnsi);
    return c;
}

} // namespace

QByteArray toAnsi(const QString& text)
{
    if (text.isEmpty())
        return {};
    Converter& cv = encoder();
    QByteArray result;
    if (!cv.valid()) { // no converter: keep ASCII, mark the rest
        for (QChar c : text)
            result.append(c.unicode() < 0x80 ? char(c.unicode()) : '?');
        return result;
    }
    cv.reset();
    // GBK needs at most 2 bytes per UTF-16 unit.
    result.resize(text.size() * 2 + 4);
    const char* in = reinterpret_cast<const char*>(text.utf16());
    size_t inLeft = size_t(text.size()) * 2;
    char* out = result.data();
    size_t outLeft = size_t(result.size());
    while (inLeft > 0) {
        int err = cv.run(in, inLeft, out, outLeft);
        if (err == 0)
            break;
        if (err == E2BIG) { // cannot happen with the size above; stay safe
            qsizetype used = out - result.data();
            result.resize(result.size() * 2);
            out = result.data() + used;
            outLeft = size_t(result.size() - used);
            continue;
        }
        // Unmappable character or lone surrogate: one "?" for the character.
        if (outLeft == 0)
            break;
        *out++ = '?';
        --outLeft;
        const char16_t* unit = reinterpret_cast<const char16_t*>(in);
        size_t skip = 2;
        if (inLeft >= 4 && QChar::isHighSurrogate(unit[0]) && QChar::isLowSurrogate(unit[1]))
            skip = 4;
        in += skip;
        inLeft -= skip;
        cv.reset();
    }
    result.resize(out - result.data());
    return result;
}

QString fromAnsi(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    Converter& cv = decoder();
    QString result;
    if (!cv.valid()) {
        for (char b : bytes)
            result.append(static_cast<unsigned char>(b) < 0x80 ? QChar(b) : QChar('?'));
        return result;
    }
    cv.reset();
    // Every GBK byte gives at most one UTF-16 unit.
    result.resize(bytes.size() + 1);
    const char* in = bytes.constData();
    size_t inLeft = size_t(bytes.size());
    char* base = reinterpret_cast<char*>(result.data());
    char* out = base;
    size_t outLeft = size_t(result.size()) * 2;
    while (inLeft > 0) {
        int err = cv.run(in, inLeft, out, outLeft);
        if (err == 0 || err == E2BIG || outLeft < 2)
            break;
        // Invalid sequence (EILSEQ) or a truncated one at the end (EINVAL): "?" for its first byte,
        // then go on with the next byte.
        *reinterpret_cast<char16_t*>(out) = u'?';
        out += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        cv.reset();
    }
    result.resize((out - base) / 2);
    return result;
}

QByteArray toUtf8(const QString& text)
{
    return text.toUtf8();
}

QString fromUtf8(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

} // namespace zuvi::os
