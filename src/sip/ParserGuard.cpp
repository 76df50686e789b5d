// SIP engine: a guard in front of belle-sip's message parser that keeps two remote crashes out.
//
// belle-sip 5.1's channel turns the bytes it receives into messages with
// belle_sip_message_parse_raw, and two kinds of result kill the process:
// - A message that consumed nothing (a start line without headers, "SIP/2.0 200 OK\r\n\r\n").
//   The channel keeps it although it is unowned; the main loop's object pool frees it at the end
//   of the iteration, and the channel's next reset (its buffer filled without a line end, a TCP
//   connection closing, the listening point closing at shut-down) unrefs the freed object.
// - A multipart body: without ";boundary=" the channel reads the boundary through a null
//   pointer; with one, the multipart body handler of this version crashes on bodies that do not
//   match it when liblinphone reads an INVITE's body. The softphone's calls carry plain SDP.
// - A body that lies about its size (a Content-Length beyond any SIP body: the memory body
//   handler copies into a buffer it could not allocate), or that claims a Content-Encoding
//   (inflating a junk body crashes). The softswitch sends neither.
// - A message whose Via, From, To, Call-ID or CSeq header is missing or did not parse as that
//   header, or whose Expires is not a number: liblinphone's request handling reads them without
//   a check (a null header, or std::stoi throwing through C code).
// It also drops a CANCEL for which the library has no call (the INVITE was refused, or never
// came): liblinphone answers it 481 but still hands it to the refused call's ended operation,
// which opens a server transaction for it, never answers there and so never ends it: the
// transaction keeps the operation, its dialog and its messages (about 12 KB, 30 objects) until
// the core goes. Dropped, the CANCEL's sender retransmits it until its own timer ends, and a
// CANCEL that came ahead of its INVITE finds the call when it comes again.
// This definition takes the library's place and turns all of these into a plain parse failure,
// which the channel skips. libbellesip calls the parser through its PLT, and the engine module
// that holds this file is opened with its libraries as one group in which the module comes
// first: the library's reference finds this definition (the program defines none), and
// dlsym(RTLD_NEXT) from here finds the library's.
//
// The start-line sscanf guard lives in the program (StartLineGuard.cpp): libc is in the global
// scope, which libbellesip searches before the module's group.
#include "ParserGuard.h"

#include <belle-sip/belle-sip.h>
#include <dlfcn.h>

#include <cstring>
#include <strings.h>

namespace {

// Far above any SDP or presence document, and all the channel's buffer holds.
constexpr size_t MaxBody = 65535;

// A header of that name that is present but did not parse as its type.
bool untyped(belle_sip_message_t* msg, const char* name, bool typedPresent)
{
    return !typedPresent && belle_sip_message_get_header(msg, name);
}

// What the channel or the library above it could not take safely.
bool unsafe(belle_sip_message_t* msg, size_t consumed)
{
    if (consumed == 0)
        return true;
    auto* from = belle_sip_message_get_header_by_type(msg, belle_sip_header_from_t);
    auto* to = belle_sip_message_get_header_by_type(msg, belle_sip_header_to_t);
    auto* callId = belle_sip_message_get_header_by_type(msg, belle_sip_header_call_id_t);
    auto* cseq = belle_sip_message_get_header_by_type(msg, belle_sip_header_cseq_t);
    if (!belle_sip_message_get_header_by_type(msg, belle_sip_header_via_t) || !from || !to || !callId || !cseq)
        return true;
    auto hasUri = [](void* address) {
        auto* a = BELLE_SIP_HEADER_ADDRESS(address);
        return belle_sip_header_address_get_uri(a) || belle_sip_header_address_get_absolute_uri(a);
    };
    if (!hasUri(from) || !hasUri(to) || !belle_sip_header_call_id_get_call_id(callId) || !belle_sip_header_cseq_get_method(cseq))
        return true;
    if (untyped(msg, "Expires", belle_sip_message_get_header_by_type(msg, belle_sip_header_expires_t)))
        return true;
    auto* length = belle_sip_message_get_header_by_type(msg, belle_sip_header_content_length_t);
    if (untyped(msg, "Content-Length", length) || (length && belle_sip_header_content_length_get_content_length(length) > MaxBody))
        return true;
    if (belle_sip_message_get_header(msg, "Content-Encoding"))
        return true;
    // One Content-Type and one Content-Length at most: the layers above do not agree on which of
    // several they read.
    for (const char* name : {"Content-Type", "Content-Length"}) {
        const belle_sip_list_t* all = belle_sip_message_get_headers(msg, name);
        if (all && all->next)
            return true;
    }
    auto* type = belle_sip_message_get_header_by_type(msg, belle_sip_header_content_type_t);
    if (untyped(msg, "Content-Type", type))
        return true;
    const char* main = type ? belle_sip_header_content_type_get_type(type) : nullptr;
    return main && strcasecmp(main, "multipart") == 0;
}

bool (*g_hasCall)(void*, const char*) = nullptr;
void* g_hasCallContext = nullptr;

// A CANCEL that cancels nothing the library holds.
bool strayCancel(belle_sip_message_t* msg)
{
    if (!g_hasCall || !BELLE_SIP_OBJECT_IS_INSTANCE_OF(msg, belle_sip_request_t))
        return false;
    const char* method = belle_sip_request_get_method(BELLE_SIP_REQUEST(msg));
    if (!method || strcmp(method, "CANCEL") != 0)
        return false;
    auto* callId = belle_sip_message_get_header_by_type(msg, belle_sip_header_call_id_t);
    return !g_hasCall(g_hasCallContext, belle_sip_header_call_id_get_call_id(callId));
}

} // namespace

extern "C" __attribute__((visibility("default"))) belle_sip_message_t* belle_sip_message_parse_raw(const char* buff,
    size_t buff_length, size_t* message_length)
{
    using Parse = belle_sip_message_t* (*)(const char*, size_t, size_t*);
    static const Parse real = reinterpret_cast<Parse>(dlsym(RTLD_NEXT, "belle_sip_message_parse_raw"));
    if (!real)
        return nullptr;
    size_t consumed = 0;
    belle_sip_message_t* msg = real(buff, buff_length, &consumed);
    if (message_length)
        *message_length = consumed;
    if (msg && (unsafe(msg, consumed) || strayCancel(msg))) {
        // Unowned: this frees it (and takes it out of the pool).
        belle_sip_object_unref(msg);
        return nullptr;
    }
    return msg;
}

namespace zuvi::sip {

void setCallLookup(bool (*hasCall)(void* context, const char* callId), void* context)
{
    g_hasCall = hasCall;
    g_hasCallContext = context;
}

bool messageParserGuarded()
{
    // What the library's reference finds, from the scope it shares with this module: the
    // definition in this module, not one in the program or in a libbellesip loaded globally.
    // (Taking this definition's address would resolve through that same lookup.)
    Dl_info found{}, self{};
    void* resolved = dlsym(RTLD_DEFAULT, "belle_sip_message_parse_raw");
    return resolved && dladdr(resolved, &found) && dladdr(reinterpret_cast<void*>(&unsafe), &self)
        && found.dli_fbase == self.dli_fbase;
}

} // namespace zuvi::sip
