// Address-book upload: the "PL" encoding, quoted-printable values, the boundary and the whole body.
#include "client/core/ContactUpload.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace zuvi::client;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(EncodeQueryValue, Cases)
{
    struct Case {
        QString in;
        QString out;
    } cases[] = {
        {u("123,张三,"), u("123,%E5%BC%A0%E4%B8%89,")},
        {u("a=b c"), u("a%3Db%20c")},
        // The fourteen excluded units of 0x21-0x80.
        {u("\"#%*<>[\\]^`{|}"), u("%22%23%25%2A%3C%3E%5B%5C%5D%5E%60%7B%7C%7D")},
        // Copied: letters, digits, the rest of the punctuation, DEL and U+0080 itself.
        {u("Az09,+&.-!$'()/:;?@_~"), u("Az09,+&.-!$'()/:;?@_~")},
        {QString(QChar(0x7F)) + QChar(0x80), QString(QChar(0x7F)) + QChar(0x80)},
        // Below and above the copied range: blank, tab, U+0081, é.
        {u(" \t"), u("%20%09")},
        {QString(QChar(0x81)) + u("é"), u("%C2%81%C3%A9")},
        // A character outside the BMP is one character of four UTF-8 bytes.
        {u("😀"), u("%F0%9F%98%80")},
        // A lone surrogate is the replacement character.
        {QString(QChar(0xD83D)) + u("a"), u("%EF%BF%BDa")},
        // "=" is replaced last, also where it stands beside escapes.
        {u("==%"), u("%3D%3D%25")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeQueryValue(c.in), c.out) << c.in.toStdString();
}

TEST(QuotedPrintable, Cases)
{
    const QByteArray seventy(70, 'a');
    struct Case {
        QString in;
        QByteArray out;
    } cases[] = {
        {QString(), "\r\n"},
        {u("5.1.0"), "5.1.0\r\n"},
        {u(".5"), "=2E5\r\n"},
        {u("a=b"), "a=3Db\r\n"},
        // Blanks stay inside a line and are escaped at its end.
        {u("a b\tc"), "a b\tc\r\n"},
        {u("ab "), "ab=20\r\n"},
        {u("ab\t"), "ab=09\r\n"},
        // One byte per UTF-16 unit: Latin-1 bytes escaped, anything above them "?".
        {u("é张"), "=E9?\r\n"},
        {QString(QChar(0x7F)) + QChar(0x80), "=7F=80\r\n"},
        // Lines: LF cuts, a CR before it goes; controls elsewhere are escaped.
        {u("a\r\nb\nc\rd"), "a\r\nb\r\nc=0Dd\r\n"},
        // Soft breaks: 75 characters, exactly 70, a "." after the break, an escape that crosses 70.
        {QString::fromLatin1(seventy + "bcdef"), seventy + "=\r\nbcdef\r\n"},
        {QString::fromLatin1(seventy), seventy + "=\r\n\r\n"},
        {QString::fromLatin1(seventy + ".x"), seventy + "=\r\n=2Ex\r\n"},
        {QString::fromLatin1(seventy.left(69)) + u("=b"), seventy.left(69) + "=3D=\r\nb\r\n"},
        {QString::fromLatin1(seventy + seventy + "z"), seventy + "=\r\n" + seventy + "=\r\nz\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuotedPrintable(c.in), c.out) << c.in.toStdString();
}

TEST(MultipartBoundary, TwentyThreeCharactersOfTheLocalMoment)
{
    const QDateTime moment(QDate(2026, 1, 2), QTime(3, 4, 5, 6));
    EXPECT_EQ(MultipartBoundary(moment), u("--------010226030405006"));
    EXPECT_EQ(MultipartBoundary(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58, 987))), u("--------123199235958987"));
}

TEST(MultipartBody, UploadFieldsByteForByte)
{
    const QString boundary = u("--------121026093015042");
    const QString hamc = u("0123456789abcdef0123456789abcdef");
    const QByteArray body = MultipartBody(boundary, ContactUploadFields(u("zuvi01"), hamc, u("张三"), u("123")));
    auto part = [&](const QByteArray& name, const QByteArray& qp) {
        return "----------121026093015042\r\n"
               "Content-Disposition: form-data; name=\""
            + name
            + "\"\r\n"
              "Content-Type: text/plain\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n"
              "\r\n"
            + qp;
    };
    const QByteArray expected = part("Phone", "zuvi01\r\n") + part("Flag", "160000\r\n") + part("Ver", "5.1.0\r\n")
        + part("Hamc", "0123456789abcdef0123456789abcdef\r\n") + part("PL", "123,%E5%BC%A0%E4%B8%89,\r\n")
        + "----------121026093015042--\r\n";
    EXPECT_EQ(body, expected);

    // An empty value (no token hash yet) is a single CR LF.
    const QByteArray noHamc = MultipartBody(boundary, ContactUploadFields(u("zuvi01"), QString(), u("a"), u("1")));
    EXPECT_TRUE(noHamc.contains("name=\"Hamc\"\r\nContent-Type: text/plain\r\n"
                                "Content-Transfer-Encoding: quoted-printable\r\n\r\n\r\n----------"));
}

} // namespace
