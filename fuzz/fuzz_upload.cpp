// Fuzz target: the contact upload's percent encoding and multipart body, read back as the simulator's server reads them.
#include "client/core/ContactUpload.h"

#include "FormData.h"

#include <QDate>
#include <QTime>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace zuvi::client;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1; // lower-case digits are not written
}

// The text an encoded value stands for: "%XX" bytes and copied characters, as UTF-8.
QString percentDecoded(const QString& encoded)
{
    QByteArray utf8;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == u'%') {
            check(i + 2 < encoded.size());
            const int hi = hexValue(encoded[i + 1]), lo = hexValue(encoded[i + 2]);
            check(hi >= 0 && lo >= 0);
            utf8 += char(hi * 16 + lo);
            i += 2;
        } else {
            utf8 += QString(encoded[i]).toUtf8();
        }
    }
    return QString::fromUtf8(utf8);
}

// What a server reads back from a quoted-printable text/plain part: one byte per unit ("?" above
// 0xFF), lines cut at LF with one CR before it dropped, joined by CR LF.
std::string expectedValue(const QString& value)
{
    QByteArray bytes;
    for (QChar c : value)
        bytes += c.unicode() < 256 ? char(c.unicode()) : '?';
    QByteArray out;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (i)
            out += "\r\n";
        out += line;
    }
    return out.toStdString();
}

QString lonesReplaced(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else {
            out += c.isSurrogate() ? QChar(0xFFFD) : c;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input as UTF-16 units (lone surrogates included), split at the first U+0000 into the
    // contact's name and number.
    const QString all = QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    const qsizetype cut = all.indexOf(QChar(0));
    const QString name = cut < 0 ? all : all.left(cut);
    const QString number = cut < 0 ? QString() : all.mid(cut + 1);

    const QString encoded = EncodeQueryValue(name);
    for (QChar c : encoded)
        check(c.unicode() >= 0x21 && c.unicode() <= 0x80 && c != u'=');
    check(percentDecoded(encoded) == lonesReplaced(name));

    // Every output line of the quoted-printable form is short, printable, not ending in a blank
    // and not starting with ".".
    const QByteArray qp = QuotedPrintable(name);
    check(qp.endsWith("\r\n"));
    for (const QByteArray& line : qp.chopped(2).split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        check(l.size() <= 76 && !l.startsWith('.'));
        check(l.isEmpty() || (l.back() != ' ' && l.back() != '\t'));
        for (char b : l)
            check((b >= 0x21 && b <= 0x7E) || b == ' ' || b == '\t');
    }

    // The upload's body, parsed as the simulator's server parses it, gives back every field.
    const QString boundary = MultipartBoundary(QDateTime(QDate(2026, 12, 10), QTime(9, 33, 36, 123)));
    const std::vector<FormField> fields = {{QStringLiteral("Name"), name}, {QStringLiteral("Number"), number},
        {QStringLiteral("PL"), EncodeQueryValue(number + u',' + name + u',')}};
    const QByteArray body = MultipartBody(boundary, fields);
    bool collides = false; // a value holding a delimiter line cuts its part, as in any multipart body
    for (const FormField& f : fields)
        collides = collides || QuotedPrintable(f.value).contains("--" + boundary.toLatin1());
    if (collides)
        return 0;
    check(body.startsWith("--" + boundary.toLatin1() + "\r\n"));
    const sim::FormData form
        = sim::parseFormData(body.toStdString(), "multipart/form-data; boundary=" + boundary.toStdString());
    check(form.error.empty() && form.parts.size() == fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        check(form.parts[i].name == fields[i].name.toStdString());
        check(form.parts[i].value == expectedValue(fields[i].value));
    }
    return 0;
}
