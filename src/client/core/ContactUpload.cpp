// Address-book upload of the contact dialogs: the "PL" value, the multipart/form-data body and the POST.
#include "client/core/ContactUpload.h"

#include "platform/net/HttpClient.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"
#include "platform/os/codepage.h"

namespace zuvi::client {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendHex(QByteArray& out, unsigned char b)
{
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

// Units 0x21-0x80 that EncodeQueryValue copies as they are.
bool copiedAsIs(char16_t u)
{
    if (u < 0x21 || u > 0x80)
        return false;
    switch (u) {
    case u'"':
    case u'#':
    case u'%':
    case u'*':
    case u'<':
    case u'>':
    case u'[':
    case u'\\':
    case u']':
    case u'^':
    case u'`':
    case u'{':
    case u'|':
    case u'}':
        return false;
    default:
        return true;
    }
}

} // namespace

QString EncodeQueryValue(const QString& text)
{
    QString out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (copiedAsIs(u)) {
            out += QChar(u);
            continue;
        }
        const qsizetype units = QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate() ? 2 : 1;
        // A lone surrogate is written as the replacement character U+FFFD.
        const QString character = units == 1 && QChar::isSurrogate(u) ? QString(QChar(0xFFFD)) : text.mid(i, units);
        QByteArray escaped;
        for (char b : zuvi::os::toUtf8(character)) {
            escaped += '%';
            appendHex(escaped, static_cast<unsigned char>(b));
        }
        out += QString::fromLatin1(escaped);
        i += units - 1;
    }
    out.replace(u'=', QStringLiteral("%3D"));
    return out;
}

QByteArray QuotedPrintable(const QString& value)
{
    QByteArray bytes;
    bytes.reserve(value.size());
    for (QChar c : value)
        bytes += c.unicode() < 256 ? char(c.unicode()) : '?';

    QByteArray out;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        int written = 0; // characters on the current output line
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto b = static_cast<unsigned char>(line[i]);
            const bool lastOfLine = i + 1 == line.size();
            const bool printable = b >= 0x21 && b <= 0x7E && b != '=' && !(b == '.' && written == 0);
            const bool innerBlank = (b == ' ' || b == '\t') && !lastOfLine;
            if (printable || innerBlank) {
                out += char(b);
                written += 1;
            } else {
                out += '=';
                appendHex(out, b);
                written += 3;
            }
            if (written >= 70) {
                out += "=\r\n";
                written = 0;
            }
        }
        out += "\r\n";
    }
    return out;
}

QString MultipartBoundary(const QDateTime& moment)
{
    return QStringLiteral("--------") + moment.toString(QStringLiteral("MMddyyHHmmsszzz"));
}

QByteArray MultipartBody(const QString& boundary, const std::vector<FormField>& fields)
{
    const QByteArray b = boundary.toLatin1();
    QByteArray out;
    for (const FormField& f : fields) {
        out += "--" + b + "\r\n";
        out += "Content-Disposition: form-data; name=\"" + f.name.toLatin1() + "\"\r\n";
        out += "Content-Type: text/plain\r\n";
        out += "Content-Transfer-Encoding: quoted-printable\r\n";
        out += "\r\n";
        out += QuotedPrintable(f.value);
    }
    out += "--" + b + "--\r\n";
    return out;
}

std::vector<FormField> ContactUploadFields(const QString& phone, const QString& hamc, const QString& name,
    const QString& number)
{
    return {
        {QStringLiteral("Phone"), phone},
        {QStringLiteral("Flag"), QString::fromLatin1(zuvi::net::kFlag)},
        {QStringLiteral("Ver"), QString::fromLatin1(zuvi::net::kVer)},
        {QStringLiteral("Hamc"), hamc},
        {QStringLiteral("PL"), EncodeQueryValue(number + u',' + name + u',')},
    };
}

UploadOutcome UploadContact(zuvi::net::HttpClient& http, const QString& phone, const QString& hamc,
    const QString& name, const QString& number)
{
    const QString boundary = MultipartBoundary(QDateTime::currentDateTime());
    const QByteArray body = MultipartBody(boundary, ContactUploadFields(phone, hamc, name, number));
    QByteArray reply;
    try {
        reply = http.post(zuvi::net::ServiceApi::UpAddresBook(), body,
            "multipart/form-data; boundary=" + boundary.toLatin1());
    } catch (const zuvi::net::TransportError&) {
        return UploadOutcome::TransportFailed;
    }
    return zuvi::net::readReply(reply).isJson() ? UploadOutcome::JsonReply : UploadOutcome::OtherReply;
}

} // namespace zuvi::client
