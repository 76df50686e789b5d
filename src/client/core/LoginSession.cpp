// Client core: the login sequence's requests: the token with its retries, Login and Logout.
#include "client/core/LoginSession.h"

#include "client/core/ServiceReply.h"
#include "platform/net/ServiceApi.h"
#include "platform/os/codepage.h"

namespace zuvi::client {

namespace {

// Every detail is set: a number as its text, anything else missing as "".
std::optional<QString> anyText(const cJSON* rd, const char* key) { return reply::textOrNumber(rd, key); }
std::optional<QString> utf8Text(const cJSON* rd, const char* key) { return net::utf8String(rd, key); }

} // namespace

LoginSession::LoginSession(WebGet get, std::function<void(int)> pause)
    : m_get(std::move(get))
    , m_pause(std::move(pause))
{
}

LoginToken LoginSession::fetchToken(const QString& account) const
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::optional<QByteArray> body = tryGet(m_get, net::ServiceApi::RandCode());
        if (!body)
            return {LoginToken::Outcome::Unreachable, QString()};
        const net::Reply r = net::readReply(*body);
        if (!r.isJson())
            return {LoginToken::Outcome::NotJson, QString()};
        if (!net::item(r.root(), "ret"))
            return {LoginToken::Outcome::Unreachable, QString()};
        if (!reply::accepted(r, reply::Rd::String)) {
            m_pause(1000);
            continue;
        }
        return {LoginToken::Outcome::Token, net::Hamc(account, net::ansiString(r.root(), "rd"))};
    }
    return {LoginToken::Outcome::Refused, QString()};
}

LoginResult LoginSession::login(const QString& account, const QString& password, const QString& hamc) const
{
    const std::optional<QByteArray> body = tryGet(m_get, net::ServiceApi::Login(account, net::Passwd(password), hamc));
    if (!body)
        return {LoginResult::Outcome::Unreachable, {}};
    const net::Reply r = net::readReply(*body);
    if (!r.isJson())
        return {LoginResult::Outcome::NotJson, {}};
    if (!reply::accepted(r, reply::Rd::Object))
        return {LoginResult::Outcome::Refused, {}};
    return {LoginResult::Outcome::Accepted, reply::loginDetails(reply::rd(r), anyText, utf8Text)};
}

void LoginSession::logout(const QString& accountText, const QString& hamc) const
{
    const QString phone = QString::fromLatin1(os::toAnsi(accountText).toPercentEncoding());
    tryGet(m_get, net::ServiceApi::Logout(phone, hamc));
}

} // namespace zuvi::client
