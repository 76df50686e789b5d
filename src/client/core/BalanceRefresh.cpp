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
    if (!r.isJson() || r.ret() != 0)
        return std::nullopt;
    const cJSON* rd = reply::rd(r);
    LoginDetails d;
    d.vosIp = reply::ansiIfString(rd, "vos_ip");
    d.balance = reply::utf8IfString(rd, "Balance");
    d.balanceMin = reply::utf8IfString(rd, "Balancemin");
    d.loginTime = reply::ansiIfString(rd, "login_time");
    d.ip = reply::ansiIfString(rd, "ip");
    d.currentIp = reply::ansiIfString(rd, "current_ip");
    d.currentLoginTime = reply::ansiIfString(rd, "current_logintime");
    d.totalLoginTimes = reply::ansiIfString(rd, "total_login_times");
    return d;
}

} // namespace zuvi::client
