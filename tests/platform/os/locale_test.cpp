// Tests of the services under a Chinese user locale (run with LANG=zh_CN.UTF-8).
#include "services.h"

#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>

using namespace zuvi::os;

TEST(ChineseLocale, NamesSortInPinyinOrderBeforeLatin)
{
    ASSERT_EQ(QLocale::system().name(), "zh_CN");
    QStringList lines = {QString::fromUtf8("张三=1"), "Abc=2", QString::fromUtf8("王五=3"), "",
        "abc=2", QString::fromUtf8("李四=5"), "a=b=c"};
    std::stable_sort(lines.begin(), lines.end(),
        [](const QString& a, const QString& b) { return localeCompare(a, b) < 0; });
    const QStringList expected = {"", QString::fromUtf8("李四=5"), QString::fromUtf8("王五=3"),
        QString::fromUtf8("张三=1"), "a=b=c", "abc=2", "Abc=2"};
    EXPECT_EQ(lines, expected);
}

TEST(ChineseLocale, SeparatorsComeFromTheLocale)
{
    EXPECT_EQ(dateSeparator(), "/");
    EXPECT_EQ(timeSeparator(), ":");
    const TDateTime t = toTDateTime(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    EXPECT_EQ(formatDateTime("yyyy/mm/dd hh:nn:ss", t), "2024/03/05 07:08:09");
}
