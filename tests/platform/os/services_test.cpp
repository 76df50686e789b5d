// Tests of the date-time, sleep and collation services (C locale; see locale_test.cpp for zh_CN).
#include "services.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace zuvi::os;

namespace {
TDateTime at(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return toTDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)));
}
} // namespace

TEST(DateTime, DaysSince1899)
{
    EXPECT_DOUBLE_EQ(at(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(at(1900, 1, 1, 12, 0, 0, 0), 2.5);
    EXPECT_DOUBLE_EQ(at(2024, 3, 5, 6, 0, 0, 0), 45356.25);
    const QDateTime t(QDate(2024, 3, 5), QTime(7, 8, 9, 12));
    EXPECT_EQ(fromTDateTime(toTDateTime(t)), t);
    const TDateTime n = now();
    EXPECT_LE(std::abs(n - toTDateTime(QDateTime::currentDateTime())), 1.0 / 86400);
}

TEST(DateTime, DelphiFormats)
{
    struct Case {
        const char* format;
        TDateTime value;
        const char* expected;
    };
    const TDateTime t = at(2024, 3, 5, 7, 8, 9, 12);
    const Case cases[] = {
        {"yyyy/mm/dd hh:nn:ss", t, "2024/03/05 07:08:09"},
        {"hh:mm:ss", t, "07:08:09"}, // mm after hh: minutes
        {"mmddyyhhnnsszzz", t, "030524070809012"},
        {"yy-m-d h:n:s.z", t, "24-3-5 7:8:9.12"},
        {"'hh' \"mm\" hh", t, "hh mm 07"},
        {"hh:mm:ss", 3725.0 / 86400, "01:02:05"}, // an elapsed time
        {"hh:mm:ss", 1 + 3600.0 / 86400, "01:00:00"}, // wraps after 24 hours
        {"hh:mm:ss", 59.9996 / 86400, "00:01:00"}, // rounded to the millisecond
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatDateTime(c.format, c.value), QString(c.expected)) << c.format;
    EXPECT_EQ(formatDateTime("mmddyyhhnnsszzz", t).size(), 15);
}

TEST(Sleep, SleepsAtLeastTheTime)
{
    QElapsedTimer t;
    t.start();
    sleepMs(50);
    EXPECT_GE(t.elapsed(), 49);
    sleepMs(0);
    sleepMs(-5);
}

TEST(Collation, EmptyTextComesFirst)
{
    EXPECT_LT(localeCompare("", "a"), 0);
    EXPECT_GT(localeCompare("a", ""), 0);
    EXPECT_EQ(localeCompare("", ""), 0);
    EXPECT_EQ(localeCompare("abc", "abc"), 0);
    EXPECT_NE(localeCompare("abc", "Abc"), 0); // case-sensitive
}
