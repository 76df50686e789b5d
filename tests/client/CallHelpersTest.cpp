// Main window call helpers: the number check, the dial string and the call-event gate.
#include "client/CallHelpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(IsValidPhoneNumber, Table)
{
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"13900000001", true},
        {"5", true},
        {"139-0000-0001", true},
        {"139 0000 0001", true},
        {"  13900000001", true},
        {" 1 - 2", true},
        {"010--12  3", true},
        {"+8613900000001", false},
        {"13900000001 ", false},
        {"1390000000a", false},
        {"139a0000001", false},
        {"-139", false},
        {"139-", false},
        {" ", false},
        {"   ", false},
        {"1\t2", false},
        {"１３９", false}, // full-width digits are not '0'..'9'
        {"电话139", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidPhoneNumber(QString::fromUtf8(c.text)), c.valid) << c.text;
}

TEST(DialUri, DigitsOnlyWhateverTheSeparators)
{
    const QString server = "127.0.0.1:5070";
    const std::string want = "<sip:13900000001@127.0.0.1:5070>";
    for (const char* text : {"13900000001", "139-0000-0001", " 139 0000 0001", "139 - 0000 - 0001"})
        EXPECT_EQ(DialUri(QString::fromUtf8(text), server), want) << text;
    EXPECT_EQ(DialDigits(QString::fromUtf8("张三(138)x9")), "1389");
    EXPECT_EQ(DialUri(QString(), server), "<sip:@127.0.0.1:5070>");
}

TEST(CallEventGate, EffectsWaitForTheHandlerAndKeepTheirOrder)
{
    CallEventGate gate;
    std::vector<int> ran;
    gate.deliver([&] { ran.push_back(1); });
    EXPECT_EQ(ran, (std::vector<int>{1}));
    {
        CallEventGate::Hold hold(gate);
        gate.deliver([&] { ran.push_back(2); });
        {
            CallEventGate::Hold inner(gate); // a nested handler run does not release early
            gate.deliver([&] { ran.push_back(3); });
        }
        EXPECT_EQ(ran, (std::vector<int>{1}));
        EXPECT_EQ(gate.pending(), 2u);
        ran.push_back(0); // the handler's own last step
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(gate.pending(), 0u);

    // An effect that delivers another one: the new one runs after those already waiting.
    ran.clear();
    {
        CallEventGate::Hold hold(gate);
        gate.deliver([&] {
            ran.push_back(1);
            gate.deliver([&] { ran.push_back(3); });
        });
        gate.deliver([&] { ran.push_back(2); });
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

} // namespace
