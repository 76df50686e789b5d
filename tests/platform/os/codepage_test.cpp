// Tests of the code page service.
#include "codepage.h"

#include <gtest/gtest.h>

using namespace zuvi::os;

TEST(CodePage, RoundTripsGbkText)
{
    struct Case {
        QString text;
        QByteArray gbk;
    };
    const Case cases[] = {
        {"", ""},
        {"abc=123", "abc=123"},
        {QString::fromUtf8("张三"), "\xD5\xC5\xC8\xFD"},
        {QString::fromUtf8("通话中 13800138000"), "\xCD\xA8\xBB\xB0\xD6\xD0 13800138000"},
        {QString::fromUtf8("€"), "\x80"}, // CP936 extension over plain GBK tables
        {QString::fromUtf8("秒"), "\xC3\xEB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toAnsi(c.text), c.gbk) << c.text.toStdString();
        EXPECT_EQ(fromAnsi(c.gbk), c.text) << c.text.toStdString();
    }
}

TEST(CodePage, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    struct Case {
        QString text;
        QByteArray gbk;
    };
    const Case cases[] = {
        {QString::fromUtf8("a😀b"), "a?b"}, // surrogate pair: one character
        {QString::fromUtf8("กข张"), "??\xD5\xC5"}, // Thai letters are not in GBK
        {QString(QChar(0xD800)) + "x", "?x"}, // lone high surrogate
        {"x" + QString(QChar(0xDC00)), "x?"}, // lone low surrogate at the end
        {QString(QChar(0xD800)), "?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toAnsi(c.text), c.gbk);
}

TEST(CodePage, InvalidGbkBytesBecomeQuestionMarksAndKeepWhatFollows)
{
    struct Case {
        QByteArray gbk;
        QString text;
    };
    const Case cases[] = {
        {"\x81", "?"}, // lone lead byte at the end
        {"a\x81", "a?"},
        {"\x81\"x\"", "?\"x\""}, // a quote after a broken lead byte survives
        {"\xFF"
         "ab",
            "?ab"}, // 0xFF never starts a character
        {"\xD5\xC5\xD5", QString::fromUtf8("张?")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fromAnsi(c.gbk), c.text) << c.gbk.toHex().toStdString();
}

TEST(CodePage, Utf8)
{
    const QString text = QString::fromUtf8("标题 title");
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(QString::fromUtf8("张")), QByteArray("\xE5\xBC\xA0"));
    EXPECT_EQ(fromUtf8("a\xFF"
                       "b"),
        QString::fromUtf8("a\xEF\xBF\xBD"
                          "b"));
    EXPECT_EQ(fromUtf8("\xEF\xBB\xBF"
                       "a"),
        "a");
}
