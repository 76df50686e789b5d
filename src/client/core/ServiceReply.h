// Client core: reading the members of a reply's "rd" object (inside the core only).
#pragma once

#include "client/core/LoginSession.h"
#include "platform/net/WebReply.h"

#include <QString>

#include <optional>

namespace zuvi::client::reply {

// The "rd" member of the root object (null when absent).
const cJSON* rd(const net::Reply& reply);

// The kinds of "rd" a successful reply carries: a Login's object, a RandCode's string.
enum class Rd { Object,
    String };
// True for a success: a JSON reply whose "ret" is exactly the integer 0 and whose "rd" is of
// the kind. Anything else (0.7, "0", an rd that is a number, an array or missing) is a refusal.
bool accepted(const net::Reply& reply, Rd kind);

// A member of rd as the login form reads it: ANSI text, a number as its decimal text, anything
// else (missing included) as "".
QString textOrNumber(const cJSON* rd, const char* key);

// A string member of rd, ANSI or UTF-8 text; nothing when it is missing or not a string.
std::optional<QString> ansiIfString(const cJSON* rd, const char* key);
std::optional<QString> utf8IfString(const cJSON* rd, const char* key);

// The account details of a Login reply's rd, the ANSI ones read by text, the UTF-8 ones (the
// balances) by utf8.
using Reader = std::optional<QString> (*)(const cJSON* rd, const char* key);
LoginDetails loginDetails(const cJSON* rd, Reader text, Reader utf8);

} // namespace zuvi::client::reply
