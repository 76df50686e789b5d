// Client core tests: the token retries, Login, Logout and the balance refresh after a call.
#include "FakeWeb.h"

#include "client/core/BalanceRefresh.h"
#include "client/core/LoginSession.h"
#include "platform/net/ServiceApi.h"

#include <gtest/gtest.h>

using namespace zuvi;
using client::LoginResult;
using client::LoginToken;
using test::FakeWeb;

namespace {

struct Session {
    explicit Session(std::vector<std::optional<QByteArray>> replies)
        : web{std::move(replies)}
        , session(web.get(), [this](int ms) { pauses.push_back(ms); })
    {
    }
    FakeWeb web;
    std::vector<int> pauses;
    client::LoginSession session;
};

const QByteArray kAccepted = R"({"ret":0,"rd":{"vos_ip":"10.0.0.5:5070","ip":"1.2.3.4","login_time":"2026-01-02 03:04:05",
    "total_login_times":7,"current_ip":"5.6.7.8","Balance":"12.50元","Balancemin":"25分钟"}})";

} // namespace

TEST(LoginSession, TokenAttempts)
{
    struct Case {
        const char* what;
        std::vector<std::optional<QByteArray>> replies;
        LoginToken::Outcome outcome;
        size_t requests;
        std::vector<int> pauses;
    };
    const Case cases[] = {
        {"no answer", {std::nullopt}, LoginToken::Outcome::Unreachable, 1, {}},
        {"not JSON", {"<html>"}, LoginToken::Outcome::NotJson, 1, {}},
        {"JSON without ret", {R"({"rd":"abcd"})"}, LoginToken::Outcome::Unreachable, 1, {}},
        {"three refusals", {R"({"ret":1})", R"({"ret":1})", R"({"ret":"x"})", R"({"ret":0,"rd":"late"})"},
            LoginToken::Outcome::Refused, 3, {1000, 1000, 1000}},
        {"refused, then a failure", {R"({"ret":1})", std::nullopt}, LoginToken::Outcome::Unreachable, 2, {1000}},
        {"refused once", {R"({"ret":1})", R"({"ret":0,"rd":"abcd"})"}, LoginToken::Outcome::Token, 2, {1000}},
        {"a ret that is no integer refuses", {R"({"ret":0.7,"rd":"abcd"})", R"({"ret":0,"rd":"abcd"})"},
            LoginToken::Outcome::Token, 2, {1000}},
        {"an rd that is no string refuses", {R"({"ret":0,"rd":5})", R"({"ret":0,"rd":["x"]})", R"({"ret":0,"rd":"abcd"})"},
            LoginToken::Outcome::Token, 3, {1000, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(c.replies);
        const LoginToken t = s.session.fetchToken("alice");
        EXPECT_EQ(t.outcome, c.outcome);
        EXPECT_EQ(size_t(s.web.urls->size()), c.requests);
        EXPECT_EQ(s.pauses, c.pauses);
        EXPECT_EQ(t.hamc, c.outcome == LoginToken::Outcome::Token ? net::Hamc("alice", "abcd") : QString());
        for (const QString& url : *s.web.urls)
            EXPECT_TRUE(url.endsWith("?r=Pc/RandCode&Flag=160000")) << url.toStdString();
    }
}

TEST(LoginSession, LoginReplyAsPlainValues)
{
    Session s({kAccepted});
    const LoginResult r = s.session.login("alice", "pw", "h");
    ASSERT_EQ(r.outcome, LoginResult::Outcome::Accepted);
    EXPECT_TRUE(s.web.urls->at(0).contains("r=Pc/Login&Phone=alice&Passwd=" + net::Passwd("pw") + "&Flag=160000&Hamc=h"));
    EXPECT_EQ(r.details.vosIp, "10.0.0.5:5070");
    EXPECT_EQ(r.details.ip, "1.2.3.4");
    EXPECT_EQ(r.details.loginTime, "2026-01-02 03:04:05");
    EXPECT_EQ(r.details.totalLoginTimes, "7"); // a number, as its text
    EXPECT_EQ(r.details.currentIp, "5.6.7.8");
    EXPECT_EQ(r.details.currentLoginTime, ""); // missing: empty
    EXPECT_EQ(r.details.balance, QStringLiteral("12.50元"));
    EXPECT_EQ(r.details.balanceMin, QStringLiteral("25分钟"));

    const std::pair<std::optional<QByteArray>, LoginResult::Outcome> failures[] = {
        {std::nullopt, LoginResult::Outcome::Unreachable},
        {"Service Unavailable", LoginResult::Outcome::NotJson},
        {R"({"ret":3})", LoginResult::Outcome::Refused},
        {R"({"rd":{}})", LoginResult::Outcome::Refused},
        // Of the wrong type: a refusal, never a login with empty details.
        {R"({"ret":0.7,"rd":{"vos_ip":"10.0.0.5"}})", LoginResult::Outcome::Refused},
        {R"({"ret":1e300,"rd":{"vos_ip":"10.0.0.5"}})", LoginResult::Outcome::Refused},
        {R"({"ret":"0","rd":{"vos_ip":"10.0.0.5"}})", LoginResult::Outcome::Refused},
        {R"({"ret":0,"rd":5})", LoginResult::Outcome::Refused},
        {R"({"ret":0,"rd":[{"vos_ip":"10.0.0.5"}]})", LoginResult::Outcome::Refused},
        {R"({"ret":0,"rd":"10.0.0.5"})", LoginResult::Outcome::Refused},
        {R"({"ret":0})", LoginResult::Outcome::Refused},
    };
    for (const auto& [reply, outcome] : failures) {
        Session f({reply});
        EXPECT_EQ(f.session.login("alice", "pw", "h").outcome, outcome) << (reply ? reply->constData() : "no answer");
    }
}

TEST(LoginSession, LogoutSendsTheAccountTextPercentEncoded)
{
    Session s({std::nullopt});
    s.session.logout(QStringLiteral("a b&c#"), "h"); // a transport failure is no error
    ASSERT_EQ(s.web.urls->size(), 1);
    EXPECT_TRUE(s.web.urls->at(0).contains("r=Pc/Logout&Phone=a%20b%26c%23&Flag=160000&Hamc=h"))
        << s.web.urls->at(0).toStdString();
}

TEST(BalanceRefresh, TakesOnlyTheStringsTheReplyGives)
{
    FakeWeb web{{kAccepted}};
    const std::optional<client::LoginDetails> d = client::refreshBalance(web.get(), "alice", "pw", "h");
    ASSERT_TRUE(d);
    EXPECT_TRUE(web.urls->at(0).contains("r=Pc/Login&Phone=alice&Passwd=" + net::Passwd("pw")));
    EXPECT_EQ(d->vosIp, "10.0.0.5:5070");
    EXPECT_EQ(d->balance, QStringLiteral("12.50元"));
    EXPECT_EQ(d->totalLoginTimes, std::nullopt); // a number: left as it is
    EXPECT_EQ(d->currentLoginTime, std::nullopt); // missing

    for (const std::optional<QByteArray>& reply : {std::optional<QByteArray>(), std::optional<QByteArray>("<html>"),
             std::optional<QByteArray>(R"({"ret":1})"), std::optional<QByteArray>(R"({"ret":0.7,"rd":{"Balance":"1"}})"),
             std::optional<QByteArray>(R"({"ret":0,"rd":5})"), std::optional<QByteArray>(R"({"ret":0,"rd":[]})")}) {
        FakeWeb failing{{reply}};
        EXPECT_FALSE(client::refreshBalance(failing.get(), "alice", "pw", "h"));
    }
}
