// Contact dialogs' rules: the four checks in their order, and the edit of one line.
#include "client/CallHelpers.h"
#include "client/core/ContactInput.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace zuvi::client;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(ContactInputError, ChecksInOrder)
{
    const QString emoji = u("😀"); // two UTF-16 units
    struct Case {
        QString name, number, message;
    } cases[] = {
        {u("张三"), u("13800000000"), QString()},
        {QString(), u("13800000000"), u("号码不可以空")},
        {u("张三"), QString(), u("号码不可以空")},
        {QString(), u("abc"), u("号码不可以空")},
        {u("张三"), u("138abc"), u("无效号码")},
        // The number check comes before the length checks.
        {u("张三李四王五赵六钱孙"), u("x"), u("无效号码")},
        {u("张三李四王五赵六钱孙"), u("12345678901234567890"), QString()},
        {u("张三李四王五赵六钱孙李"), u("13800000000"), u("名字最多10个字符")},
        {u("张三"), u("123456789012345678901"), u("号吗最多20个字符")},
        {u("张三李四王五赵六钱孙李"), u("123456789012345678901"), u("名字最多10个字符")},
        // Code units, not characters: eight plus one outside the BMP is ten, nine plus one eleven.
        {u("张三李四王五赵六") + emoji, u("1"), QString()},
        {u("张三李四王五赵六钱") + emoji, u("1"), u("名字最多10个字符")},
        // Taken as typed: blanks count and are not trimmed.
        {u(" "), u("138 0000-0000"), QString()},
        {u("a"), u("1380000000 "), u("无效号码")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ContactInputError(c.name, c.number, &IsValidPhoneNumber), c.message)
            << c.name.toStdString() << " / " << c.number.toStdString();
}

TEST(ReplaceContactLine, OnlyTheRowChanges)
{
    const QStringList five{u("a=1"), u("b=2"), u("c=3"), u("d=4"), u("e=5")};
    // Malformed lines stay where they are: empty, without "=", empty number or name, "=" in the number.
    const QStringList odd{u("a=1"), QString(), u("abc"), u("b="), u("=137"), u("x=y=z")};
    struct Case {
        QStringList lines;
        int row;
        QStringList result;
    } cases[] = {
        {five, 3, {u("a=1"), u("b=2"), u("新=9"), u("d=4"), u("e=5")}},
        {five, 1, {u("新=9"), u("b=2"), u("c=3"), u("d=4"), u("e=5")}},
        {five, 5, {u("a=1"), u("b=2"), u("c=3"), u("d=4"), u("新=9")}},
        {five, 6, five},
        {{}, 1, {}},
        {odd, 4, {u("a=1"), QString(), u("abc"), u("新=9"), u("=137"), u("x=y=z")}},
        {odd, 6, {u("a=1"), QString(), u("abc"), u("b="), u("=137"), u("新=9")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceContactLine(c.lines, c.row, u("新"), u("9")), c.result) << "row " << c.row;
}

} // namespace
