// Client core: the Login request after a call that refreshes the balance and the account details.
#include "client/core/BalanceRefresh.h"

#include "client/core/ServiceReply.h"
#include "platform/net/ServiceApi.h"

namespace zuvi::client {

std::optional<LoginDetails> refreshBalance(const WebGet& get, const QString& account, const QString& password,
    const QString& hamc)
{
    const std::optional<QByteArray> body = tryGet(get, net::ServiceApi::Login(account, net::Passwd(password), hamc));
    if (!body)
        return std::nullopt;
    const net::Reply r = net::readReply(*body);
    if (!reply::accepted(r, reply::Rd::Object))
        return std::nullopt;
    return reply::loginDetails(reply::rd(r), reply::ansiIfString, reply::utf8IfString);
}

} // namespace zuvi::client
