// Client core tests: CheckPM and CreatePM under the login form's and the main window's rules.
#include "FakeWeb.h"

#include "client/core/PhoneAccount.h"

#include <gtest/gtest.h>

using namespace zuvi;
using client::PhoneAccount;
using Outcome = PhoneAccount::Outcome;
using test::FakeWeb;
using test::scrambled;

namespace {

struct Expect {
    Outcome outcome;
    const char* id = "";
    const char* password = "";
};

struct Case {
    const char* what;
    std::optional<QByteArray> reply;
    Expect login;
    Expect main;
};

const char* Name(Outcome o)
{
    switch (o) {
    case Outcome::NewCredentials:
        return "NewCredentials";
    case Outcome::KeepOld:
        return "KeepOld";
    case Outcome::CreateAccount:
        return "CreateAccount";
    case Outcome::GiveUp:
        return "GiveUp";
    }
    return "?";
}

void Check(const PhoneAccount& got, const Expect& want, const char* what, const char* rules)
{
    SCOPED_TRACE(std::string(what) + " / " + rules);
    EXPECT_STREQ(Name(got.outcome), Name(want.outcome));
    EXPECT_EQ(got.id, QString::fromUtf8(want.id));
    EXPECT_EQ(got.password, QString::fromUtf8(want.password));
}

const QByteArray kCredentials = R"({"ret":0,"rd":{"vos_id":"1001","vos_pw":"secret"}})";

} // namespace

TEST(PhoneAccount, CheckReplyUnderBothRuleSets)
{
    const Case cases[] = {
        {"no answer", std::nullopt, {Outcome::GiveUp}, {Outcome::GiveUp}},
        {"plain ret 0", R"({"ret":0})", {Outcome::KeepOld}, {Outcome::CreateAccount}},
        {"plain ret 1", R"({"ret":1})", {Outcome::CreateAccount}, {Outcome::CreateAccount}},
        {"scrambled credentials", scrambled(kCredentials), {Outcome::NewCredentials, "1001", "secret"},
            {Outcome::NewCredentials, "1001", "secret"}},
        {"scrambled numeric id", scrambled(R"({"ret":0,"rd":{"vos_id":1001,"vos_pw":"secret"}})"),
            {Outcome::NewCredentials, "1001", "secret"}, {Outcome::KeepOld}},
        {"scrambled without credentials", scrambled(R"({"ret":0,"rd":{}})"), {Outcome::NewCredentials},
            {Outcome::KeepOld}},
        {"scrambled refusal", scrambled(R"({"ret":2})"), {Outcome::CreateAccount}, {Outcome::CreateAccount}},
        {"scrambled text that is not JSON", scrambled("<html>busy</html>"), {Outcome::KeepOld}, {Outcome::GiveUp}},
        {"empty body", QByteArray(), {Outcome::KeepOld}, {Outcome::KeepOld}},
    };
    for (const Case& c : cases) {
        FakeWeb web{{c.reply, c.reply}};
        Check(client::checkPhoneAccount(client::loginFormRules(), web.get(), "13800138000", "h1"), c.login, c.what,
            "login form");
        Check(client::checkPhoneAccount(client::mainWindowRules(), web.get(), "13800138000", "h1"), c.main, c.what,
            "main window");
        ASSERT_EQ(web.urls->size(), 2);
        EXPECT_TRUE(web.urls->at(0).contains("r=Pc/CheckPM&Phone=13800138000&Flag=160000&Hamc=h1"))
            << web.urls->at(0).toStdString();
    }
}

TEST(PhoneAccount, CreateGivesCredentialsOrKeepsTheOldOnes)
{
    const Case cases[] = {
        {"no answer", std::nullopt, {Outcome::KeepOld}, {Outcome::KeepOld}},
        {"scrambled credentials", scrambled(kCredentials), {Outcome::NewCredentials, "1001", "secret"},
            {Outcome::NewCredentials, "1001", "secret"}},
        {"plain reply", kCredentials, {Outcome::KeepOld}, {Outcome::KeepOld}},
        {"scrambled refusal", scrambled(R"({"ret":1,"rd":{"vos_id":"1","vos_pw":"2"}})"), {Outcome::KeepOld},
            {Outcome::KeepOld}},
        {"numeric password", scrambled(R"({"ret":0,"rd":{"vos_id":"1001","vos_pw":42}})"),
            {Outcome::NewCredentials, "1001", "42"}, {Outcome::KeepOld}},
    };
    for (const Case& c : cases) {
        FakeWeb web{{c.reply, c.reply}};
        Check(client::createPhoneAccount(client::loginFormRules(), web.get(), "alice", "h2"), c.login, c.what,
            "login form");
        Check(client::createPhoneAccount(client::mainWindowRules(), web.get(), "alice", "h2"), c.main, c.what,
            "main window");
        EXPECT_TRUE(web.urls->at(0).contains("r=Pc/CreatePM&Phone=alice&Flag=160000&Hamc=h2"));
    }
}
