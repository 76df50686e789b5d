// Text list files: GBK or marked UTF-8/UTF-16, lines ended by CR LF.
#include "textlist.h"

#include "atomicfile.h"
#include "codepage.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace zuvi::os {
namespace {

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

// The text after a byte-order mark: exactly one mark goes, so a U+FEFF that follows it is text.
QString afterMark(const QByteArray& bytes, qsizetype markSize, QStringDecoder::Encoding encoding)
{
    QStringDecoder dec(encoding, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return dec(bytes.mid(markSize));
}

} // namespace

TextList TextList::decode(const QByteArray& bytes)
{
    TextList list;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        list.encoding = TextEncoding::Utf8;
        text = afterMark(bytes, 3, QStringDecoder::Utf8);
    } else if (bytes.startsWith("\xFF\xFE")) {
        list.encoding = TextEncoding::Utf16LE;
        text = afterMark(bytes, 2, QStringDecoder::Utf16LE);
    } else if (bytes.startsWith("\xFE\xFF")) {
        list.encoding = TextEncoding::Utf16BE;
        text = afterMark(bytes, 2, QStringDecoder::Utf16BE);
    } else {
        text = fromAnsi(bytes);
    }
    list.lines = splitLines(text);
    return list;
}

QByteArray TextList::encode() const
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    switch (encoding) {
    case TextEncoding::Utf8:
        return QByteArray("\xEF\xBB\xBF") + toUtf8(text);
    case TextEncoding::Utf16LE: {
        QStringEncoder enc(QStringEncoder::Utf16LE, QStringEncoder::Flag::Stateless);
        return QByteArray("\xFF\xFE") + QByteArray(enc(text));
    }
    case TextEncoding::Utf16BE: {
        QStringEncoder enc(QStringEncoder::Utf16BE, QStringEncoder::Flag::Stateless);
        return QByteArray("\xFE\xFF") + QByteArray(enc(text));
    }
    case TextEncoding::Ansi:
        break;
    }
    return toAnsi(text);
}

bool TextList::load(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    *this = decode(bytes);
    return true;
}

void TextList::save(const QString& path) const
{
    writeFileAtomic(path, encode());
}

} // namespace zuvi::os
