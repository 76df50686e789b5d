// Client core: reading the members of a reply's "rd" object (inside the core only).
#include "client/core/ServiceReply.h"

namespace zuvi::client::reply {

const cJSON* rd(const net::Reply& reply) { return reply.item("rd"); }

bool accepted(const net::Reply& reply, Rd kind)
{
    // cJSON's valueint reads 0.7 as 0: only the exact number 0 counts.
    const cJSON* ret = reply.item("ret");
    if (!reply.isJson() || !cJSON_IsNumber(ret) || ret->valuedouble != 0)
        return false;
    const cJSON* payload = rd(reply);
    return kind == Rd::Object ? cJSON_IsObject(payload) : cJSON_IsString(payload) && payload->valuestring;
}

QString textOrNumber(const cJSON* rd, const char* key)
{
    const cJSON* v = net::item(rd, key);
    if (v && cJSON_IsNumber(v))
        return QString::number(v->valuedouble, 'g', 15);
    return net::ansiString(rd, key);
}

std::optional<QString> ansiIfString(const cJSON* rd, const char* key)
{
    if (!cJSON_IsString(net::item(rd, key)))
        return std::nullopt;
    return net::ansiString(rd, key);
}

std::optional<QString> utf8IfString(const cJSON* rd, const char* key)
{
    if (!cJSON_IsString(net::item(rd, key)))
        return std::nullopt;
    return net::utf8String(rd, key);
}

LoginDetails loginDetails(const cJSON* rd, Reader text, Reader utf8)
{
    LoginDetails d;
    d.vosIp = text(rd, "vos_ip");
    d.ip = text(rd, "ip");
    d.loginTime = text(rd, "login_time");
    d.totalLoginTimes = text(rd, "total_login_times");
    d.currentIp = text(rd, "current_ip");
    d.currentLoginTime = text(rd, "current_logintime");
    d.balance = utf8(rd, "Balance");
    d.balanceMin = utf8(rd, "Balancemin");
    return d;
}

} // namespace zuvi::client::reply
