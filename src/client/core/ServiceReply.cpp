// Client core: reading the members of a reply's "rd" object (inside the core only).
#include "client/core/ServiceReply.h"

namespace zuvi::client::reply {

const cJSON* rd(const net::Reply& reply) { return reply.item("rd"); }

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

} // namespace zuvi::client::reply
