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

} // namespace

TextList TextList::decode(const QByteArray& bytes)
{
    TextList list;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        list.encoding = TextEncoding::Utf8;
        text = fromUtf8(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        list.encoding = TextEncoding::Utf16LE;
        QStringDecoder dec(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        text = dec(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        list.encoding = TextEncoding::Utf16BE;
        QStringDecoder dec(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        text = dec(bytes.mid(2));
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
