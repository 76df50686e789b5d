// Address-book restore: reply reading and the merge rule; notice placement and display time.
#include "client/core/ContactMerge.h"
#include "client/core/Notices.h"
#include "platform/os/codepage.h"

#include <gtest/gtest.h>

#include <ostream>

using zuvi::client::contactsToAppend;
using zuvi::client::readRestoreReply;
using zuvi::client::RestoredContact;
using zuvi::client::RestoreReply;
using Outcome = RestoreReply::Outcome;

namespace zuvi::client {
void PrintTo(const RestoredContact& c, std::ostream* os)
{
    *os << '{' << c.name.toStdString() << ", " << c.number.toStdString() << '}';
}
} // namespace zuvi::client

TEST(RestoreReply, OutcomeOfTheBody)
{
    struct Case {
        const char* body;
        Outcome outcome;
        int contacts;
    } cases[] = {
        {"<html>busy</html>", Outcome::Unreadable, 0},
        {"", Outcome::Unreadable, 0},
        {"{}", Outcome::Refused, 0},
        {R"({"msg":"x","c":[{"p":"1","n":"a"}]})", Outcome::Refused, 0},
        {R"({"ret":1,"c":[{"p":"1","n":"a"}]})", Outcome::Refused, 0},
        {R"({"ret":"0","c":[]})", Outcome::Refused, 0},
        // Success without the list, or with something else in its place.
        {R"({"ret":0})", Outcome::Refused, 0},
        {R"({"ret":0,"c":{"p":"1","n":"a"}})", Outcome::Refused, 0},
        {R"({"ret":0,"c":[]})", Outcome::Contacts, 0},
        {R"({"RET":0,"C":[{"p":"1","n":"a"},{"p":"2","n":"b"}]})", Outcome::Contacts, 2},
    };
    for (const Case& c : cases) {
        const RestoreReply r = readRestoreReply(QByteArray(c.body));
        EXPECT_EQ(int(r.outcome), int(c.outcome)) << c.body;
        EXPECT_EQ(r.contacts.size(), c.contacts) << c.body;
    }
}

TEST(RestoreReply, NameIsUtf8NumberIsAnsiAndOddValuesReadEmpty)
{
    const QByteArray body = QByteArray(R"({"ret":0,"c":[{"p":"13900000001","n":"张三"},)")
        + R"({"p":")" + zuvi::os::toAnsi(QStringLiteral("一")) + R"(","n":"x"},)"
        + R"({"n":"no number"},{"p":13900000002,"n":"numeric"},{"p":"139","n":null},"text"]})";
    const RestoreReply r = readRestoreReply(body);
    ASSERT_EQ(int(r.outcome), int(Outcome::Contacts));
    const QList<RestoredContact> expected{{QStringLiteral("张三"), "13900000001"}, {"x", QStringLiteral("一")},
        {"no number", ""}, {"numeric", ""}, {"", "139"}, {"", ""}};
    EXPECT_EQ(r.contacts, expected);
}

TEST(ContactMerge, RowsAppended)
{
    const QStringList list{QStringLiteral("张三=13900000001"), "Bob=555"};
    struct Case {
        const char* what;
        QList<RestoredContact> reply;
        QList<RestoredContact> appended;
    } cases[] = {
        {"empty reply", {}, {}},
        {"equal to a row", {{QStringLiteral("张三"), "13900000001"}}, {}},
        {"twice in the reply", {{"Ann", "1"}, {"Ann", "1"}}, {{"Ann", "1"}}},
        {"empty name or number", {{"", "1"}, {"Ann", ""}, {"", ""}}, {}},
        {"same number, other name", {{"Robert", "555"}}, {{"Robert", "555"}}},
        {"same name, other number", {{"Bob", "556"}}, {{"Bob", "556"}}},
        {"letter case counts", {{"bob", "555"}}, {{"bob", "555"}}},
        {"kept in reply order", {{"Zed", "9"}, {"Ann", "1"}, {"Bob", "555"}}, {{"Zed", "9"}, {"Ann", "1"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(contactsToAppend(list, c.reply), c.appended) << c.what;
}

TEST(Notices, BottomRightOfTheWorkArea)
{
    struct Case {
        QRect area;
        QPoint topLeft;
    } cases[] = {
        {QRect(0, 0, 800, 600), QPoint(460, 388)},
        {QRect(0, 0, 800, 560), QPoint(460, 348)}, // task bar at the bottom
        {QRect(0, 0, 760, 600), QPoint(420, 388)}, // task bar on the right
        {QRect(0, 40, 800, 560), QPoint(460, 388)}, // task bar at the top
        {QRect(1920, 0, 1280, 1024), QPoint(2860, 812)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zuvi::client::noticeTopLeft(c.area, 340, 212), c.topLeft) << c.area.x() << "," << c.area.width();
}

TEST(Notices, ElapsedSecondsCountSecondBoundaries)
{
    const QDateTime base(QDate(2026, 12, 10), QTime(10, 0, 0));
    struct Case {
        int fromMs;
        int toMs;
        qint64 seconds;
    } cases[] = {
        {0, 4999, 4},
        {0, 5000, 5},
        {999, 5000, 5}, // milliseconds are dropped from both readings
        {999, 4999, 4},
        {500, 7200, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zuvi::client::elapsedWholeSeconds(base.addMSecs(c.fromMs), base.addMSecs(c.toMs)), c.seconds)
            << c.fromMs << " -> " << c.toMs;
    // The count runs on across midnight.
    const QDateTime late(QDate(2026, 12, 10), QTime(23, 59, 58, 300));
    EXPECT_EQ(zuvi::client::elapsedWholeSeconds(late, late.addMSecs(3000)), 3);
}
