// Fuzz target: reading a web API reply and every value a consumer takes from it.
#include "platform/net/WebReply.h"

#include <cstddef>
#include <cstdint>

using namespace zuvi::net;

namespace {

// What the consumers read: "ret", the payload of each kind, the strings of "rd" and of every
// element of "c" (both readings), nested lookups on values of any type.
void readLikeTheConsumers(const Reply& reply)
{
    const cJSON* root = reply.root();
    (void)reply.ret();
    for (Payload kind : {Payload::Object, Payload::String, Payload::Array}) {
        (void)reply.ret("rd", kind);
        (void)reply.ret("c", kind);
    }
    (void)ansiString(root, "rd");
    (void)ansiString(root, "u");
    const cJSON* rd = reply.item("rd");
    for (const char* key : {"vos_ip", "ip", "login_time", "current_ip", "current_logintime", "total_login_times",
             "vos_id", "vos_pw", "Balance"}) {
        (void)ansiString(rd, key);
        (void)utf8String(rd, key);
    }
    const cJSON* list = reply.item("c");
    const int n = arraySize(list);
    for (int i = -1; i <= n; ++i) {
        const cJSON* element = arrayItem(list, i);
        for (const char* key : {"is_index_pc", "pic", "link", "title", "content", "p", "n"}) {
            (void)ansiString(element, key);
            (void)utf8String(element, key);
        }
        (void)ret(element);
    }
    (void)item(rd, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const Reply plain = readReply(body);
    readLikeTheConsumers(plain);
    // CheckPM's reading: plain first, then unscrambled.
    if (!plain.isJson())
        readLikeTheConsumers(unscrambleReply(body));
    readLikeTheConsumers(readReply(bodyText(body)));
    return 0;
}
