// SIP engine: the pjsua-shaped operations implemented over liblinphone on the SIP worker.
#include "EngineApi.h"
#include "Sip.h"

#include "ParserGuard.h"
#include "Worker.h"
#include "platform/os/codepage.h"

#include <belle-sip/mainloop.h>
#include <belle-sip/object.h>
#include <belle-sip/sipstack.h>
#include <linphone/core.h>
#include <linphone/logging.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// Exported by liblinphone without a public header: the SIP layer and its belle-sip stack,
// whose main loop the worker sleeps on.
extern "C" void* linphone_core_get_sal(const LinphoneCore* lc);
extern "C" void* sal_get_stack_impl(void* sal);

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace zuvi::sip {
namespace {

// ---- text -------------------------------------------------------------------------

// Text in the ANSI code page to and from the UTF-8 of liblinphone, by the program's one
// conversion (os/codepage): what GBK cannot hold becomes "?".
std::string toUtf8(const std::string& ansi)
{
    const QByteArray u = os::toUtf8(os::fromAnsi(QByteArray::fromStdString(ansi)));
    return u.toStdString();
}
std::string fromUtf8(const std::string& utf8)
{
    const QByteArray a = os::toAnsi(os::fromUtf8(QByteArray::fromStdString(utf8)));
    return a.toStdString();
}

std::string str(const char* s) { return s ? std::string(s) : std::string(); }

std::string addressText(const LinphoneAddress* a)
{
    if (!a)
        return {};
    char* s = linphone_address_as_string(a);
    std::string r = fromUtf8(str(s));
    bctbx_free(s);
    return r;
}

bool iequalsPrefix(const std::string& text, const std::string& prefix)
{
    if (prefix.size() > text.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// "<sip:...>" → "sip:..."; anything else unchanged.
std::string stripAngles(std::string uri)
{
    while (!uri.empty() && uri.front() == ' ')
        uri.erase(uri.begin());
    while (!uri.empty() && uri.back() == ' ')
        uri.pop_back();
    if (uri.size() >= 2 && uri.front() == '<' && uri.back() == '>')
        uri = uri.substr(1, uri.size() - 2);
    return uri;
}

// A SIP or SIPS URI with a host, and a non-empty user part when it has an '@'.
bool uriSyntaxOk(const std::string& uri)
{
    std::string rest;
    if (iequalsPrefix(uri, "sip:"))
        rest = uri.substr(4);
    else if (iequalsPrefix(uri, "sips:"))
        rest = uri.substr(5);
    else
        return false;
    if (rest.empty() || rest.find_first_of(" <>\"\r\n\t") != std::string::npos)
        return false;
    size_t at = rest.find('@');
    if (at == 0)
        return false;
    std::string host = at == std::string::npos ? rest : rest.substr(at + 1);
    return !host.empty() && host[0] != ':' && host[0] != ';';
}

// ---- codecs -------------------------------------------------------------------------

// Codec id of a payload type as the engine names it: mime/rate/channels, with G.722 at its
// real sampling rate.
std::string codecIdOf(LinphonePayloadType* pt)
{
    std::string mime = str(linphone_payload_type_get_mime_type(pt));
    int rate = linphone_payload_type_get_clock_rate(pt);
    int ch = linphone_payload_type_get_channels(pt);
    if (iequalsPrefix(mime, "G722") && mime.size() == 4)
        rate = 16000;
    return mime + "/" + std::to_string(rate) + "/" + std::to_string(ch > 0 ? ch : 1);
}

// Default ranking: the three speex codecs, then opus, then GSM, PCMU, PCMA and G.722; every
// other codec of the build is disabled.
int defaultPriority(const std::string& id)
{
    static const std::array<std::pair<const char*, int>, 8> table{{
        {"speex/16000/", 130},
        {"speex/8000/", 129},
        {"speex/32000/", 128},
        {"opus/48000/", 128},
        {"GSM/8000/", 128},
        {"PCMU/8000/", 128},
        {"PCMA/8000/", 128},
        {"G722/16000/", 128},
    }};
    for (auto& [prefix, prio] : table)
        if (iequalsPrefix(id, prefix))
            return prio;
    return 0;
}

int rankOf(const std::string& id)
{
    static const std::array<const char*, 8> order{"speex/16000/", "speex/8000/", "speex/32000/", "opus/48000/",
        "GSM/8000/", "PCMU/8000/", "PCMA/8000/", "G722/16000/"};
    for (size_t i = 0; i < order.size(); ++i)
        if (iequalsPrefix(id, order[i]))
            return static_cast<int>(i);
    return static_cast<int>(order.size());
}

// ---- audio --------------------------------------------------------------------------

bool soundCardPresent()
{
    if (const char* force = std::getenv("ZUVI_SIP_FILE_AUDIO"); force && *force)
        return std::string(force) == "0";
    if (const char* ps = std::getenv("PULSE_SERVER"); ps && *ps)
        return true;
    if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt) {
        std::error_code ec;
        if (fs::exists(fs::path(rt) / "pulse" / "native", ec))
            return true;
    }
    std::ifstream cards("/proc/asound/cards");
    std::string line;
    while (std::getline(cards, line)) {
        size_t i = line.find_first_not_of(' ');
        if (i != std::string::npos && std::isdigit(static_cast<unsigned char>(line[i])))
            return true;
    }
    return false;
}

// Writes a 16-bit mono WAV of `seconds` of silence at 8 kHz.
bool writeSilenceWav(const fs::path& path, int seconds)
{
    const std::uint32_t rate = 8000, samples = rate * static_cast<std::uint32_t>(seconds);
    const std::uint32_t dataBytes = samples * 2;
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.put(char(v & 0xff)).put(char((v >> 8) & 0xff)).put(char((v >> 16) & 0xff)).put(char(v >> 24)); };
    auto u16 = [&](std::uint16_t v) { f.put(char(v & 0xff)).put(char(v >> 8)); };
    f.write("RIFF", 4);
    u32(36 + dataBytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    f.write("data", 4);
    u32(dataBytes);
    std::string zeros(dataBytes, '\0');
    f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    return static_cast<bool>(f);
}

// ---- ports ----------------------------------------------------------------------------

bool portFree(int sockType, unsigned port, const std::string& addr)
{
    int s = socket(AF_INET, sockType, 0);
    if (s < 0)
        return true; // cannot tell: let the library try
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, addr.c_str(), &a.sin_addr) != 1)
        a.sin_addr.s_addr = htonl(INADDR_ANY);
    bool ok = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

// The local IPv4 address of the route to the host of a SIP URI ("sip:[user@]host[:port][;...]"),
// as the kernel chooses it; empty when the host does not resolve or no route leads there.
std::string localAddressToward(const std::string& uri)
{
    std::string rest = uri.substr(uri.find(':') + 1);
    rest = rest.substr(0, rest.find_first_of(";?>"));
    if (size_t at = rest.find('@'); at != std::string::npos)
        rest = rest.substr(at + 1);
    std::string host = rest, port = "5060";
    if (size_t colon = rest.find(':'); colon != std::string::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* res = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0 || !res)
        return {};
    std::string local;
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in me{};
    socklen_t len = sizeof me;
    // A UDP connect sends nothing: it only picks the route and its source address.
    if (s >= 0 && connect(s, res->ai_addr, res->ai_addrlen) == 0 && getsockname(s, reinterpret_cast<sockaddr*>(&me), &len) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &me.sin_addr, text, sizeof text) && me.sin_addr.s_addr != htonl(INADDR_ANY))
            local = text;
    }
    if (s >= 0)
        close(s);
    freeaddrinfo(res);
    return local;
}

// ---- engine state -------------------------------------------------------------------

struct AccountSlot {
    LinphoneProxyConfig* acc = nullptr;
    std::string username;
    std::string identity; // UTF-8
    bool publish = false;
    bool online = true;
    LinphoneEvent* pub = nullptr; // our presence publication, once registered
    bool pending = false; // a status change waits for the previous PUBLISH to finish
};

struct CallSlot {
    LinphoneCall* call = nullptr;
    int accId = InvalidId;
    bool outgoing = true;
    InvState state = InvState::Null;
    int lastStatus = 0;
    std::string lastText;
    Clock::time_point created{}, connected{}, ended{};
    bool wasConnected = false;
    bool declinedByUs = false;
    int declineCode = 0;
    MediaStatus media = MediaStatus::None;
    bool speakerConnected = false; // call → sound device
    bool micConnected = false; // sound device → call
    float txLevel = 1.0f, rxLevel = 1.0f;
    std::string localUri, remoteUri;
};

const char* stateText(InvState s)
{
    switch (s) {
    case InvState::Null:
        return "NULL";
    case InvState::Calling:
        return "CALLING";
    case InvState::Incoming:
        return "INCOMING";
    case InvState::Early:
        return "EARLY";
    case InvState::Connecting:
        return "CONNECTING";
    case InvState::Confirmed:
        return "CONFIRMED";
    case InvState::Disconnected:
        return "DISCONNECTED";
    }
    return "";
}

const char* statusText(int code)
{
    switch (code) {
    case 100:
        return "Trying";
    case 180:
        return "Ringing";
    case 183:
        return "Session Progress";
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 408:
        return "Request Timeout";
    case 480:
        return "Temporarily Unavailable";
    case 486:
        return "Busy Here";
    case 487:
        return "Request Terminated";
    case 488:
        return "Not Acceptable Here";
    case 500:
        return "Server Internal Error";
    case 503:
        return "Service Unavailable";
    case 603:
        return "Decline";
    default:
        return "";
    }
}

int codeOfReason(LinphoneReason r)
{
    switch (r) {
    case LinphoneReasonDeclined:
        return 603;
    case LinphoneReasonNotFound:
        return 404;
    case LinphoneReasonNotAnswered:
        return 408;
    case LinphoneReasonBusy:
        return 486;
    case LinphoneReasonTemporarilyUnavailable:
        return 480;
    case LinphoneReasonIOError:
        return 503;
    case LinphoneReasonNotAcceptable:
        return 488;
    case LinphoneReasonUnauthorized:
        return 401;
    case LinphoneReasonForbidden:
        return 403;
    default:
        return 500;
    }
}

class Engine {
public:
    Worker worker;
    fs::path dir;
    int lockFd = -1; // held locked while the engine lives (see lockScratch)
    LinphoneCore* core = nullptr;
    LinphoneCoreCbs* cbs = nullptr;
    Callbacks cb;
    bool initialised = false;
    bool started = false;
    bool fileAudio = false;
    std::array<AccountSlot, MaxAccounts> accounts{};
    std::array<CallSlot, MaxCalls> calls{};
    unsigned maxCalls = MaxCalls;
    int defaultAcc = 0;
    int pendingOutgoing = InvalidId; // slot being set up by callMakeCall
    int udpPort = 0, tcpPort = 0; // bound ports, 0 = no transport
    // The one local address every socket listens on: loopback until an account names its
    // softswitch, then the address of the route there (see bindToward).
    std::string bindAddr = "127.0.0.1";
    std::vector<CodecInfo> codecs; // ordered by priority, highest first
    int outVolume = 100, inVolume = 100;
    bool outKept = false, inKept = false;
    belle_sip_main_loop_t* loop = nullptr; // the stack's main loop, when the library shows it
    Clock::time_point nextTrimCheck{};
    Clock::time_point hotUntil{}; // without the main loop: busy until then

    // ---- the worker's rhythm ----

    // How long the worker may sleep after a tick. Sockets and the stack's timers wake the
    // stack's main loop by themselves, and commands and the library's events end the sleep;
    // the library's own per-iteration work (registration commits, call timers, media events)
    // is what needs the loop to come back: soon while a call or a registration is under way,
    // otherwise twice a second. Without the main loop every datagram waits for a tick, so the
    // second after a command or an event is busy too.
    milliseconds nextWait() const
    {
        bool busy = !loop && Clock::now() < hotUntil;
        for (const CallSlot& c : calls)
            busy = busy || (c.call && c.state != InvState::Confirmed && c.state != InvState::Incoming);
        for (const AccountSlot& a : accounts)
            busy = busy || (a.acc && (a.pending || linphone_proxy_config_get_state(a.acc) == LinphoneRegistrationProgress));
        if (loop)
            return busy ? milliseconds(10) : milliseconds(500);
        return busy ? milliseconds(1) : milliseconds(50);
    }

    // Something happened: iterate again right after the current dispatch (and, without the
    // main loop, stay busy for a second).
    void kick()
    {
        hotUntil = Clock::now() + std::chrono::seconds(1);
        if (loop)
            belle_sip_main_loop_quit(loop);
    }

    // Sleeps on the stack's main loop: it dispatches datagrams and timers as they come; a
    // posted command quits it through a deferred task.
    void useStackLoop()
    {
        void* sal = linphone_core_get_sal(core);
        auto* stack = sal ? static_cast<belle_sip_stack_t*>(sal_get_stack_impl(sal)) : nullptr;
        loop = stack ? belle_sip_stack_get_main_loop(stack) : nullptr;
        if (!loop)
            return;
        belle_sip_main_loop_t* ml = loop;
        worker.setWaiter({[ml](milliseconds d) { belle_sip_main_loop_sleep(ml, static_cast<int>(d.count())); },
            [ml] {
                belle_sip_main_loop_do_later(
                    ml, [](void* data) { belle_sip_main_loop_quit(static_cast<belle_sip_main_loop_t*>(data)); }, ml);
            }});
    }

    void leaveStackLoop()
    {
        worker.setWaiter({});
        loop = nullptr;
    }

    // A flood of requests leaves the memory of its transactions (each lives 32 s) free in the
    // allocator, which keeps it in the worker's arena for good: once most of it is free, it goes
    // back to the system. Checked every 10 s.
    void releaseFreedMemory()
    {
        Clock::time_point now = Clock::now();
        if (now < nextTrimCheck)
            return;
        nextTrimCheck = now + std::chrono::seconds(10);
        struct mallinfo2 mi = mallinfo2();
        if (mi.fordblks > (size_t(32) << 20) && mi.fordblks > 4 * mi.uordblks)
            malloc_trim(0);
    }

    // ---- calls ----

    int slotOf(LinphoneCall* call) const
    {
        auto v = reinterpret_cast<std::intptr_t>(linphone_call_get_user_data(call));
        return v > 0 && v <= MaxCalls ? static_cast<int>(v - 1) : InvalidId;
    }

    int freeCallSlot() const
    {
        for (int i = 0; i < static_cast<int>(maxCalls); ++i)
            if (!calls[size_t(i)].call)
                return i;
        return InvalidId;
    }

    int accountOf(LinphoneCall* call) const
    {
        const LinphoneCallParams* p = linphone_call_get_params(call);
        LinphoneProxyConfig* a = p ? linphone_call_params_get_proxy_config(p) : nullptr;
        for (int i = 0; i < MaxAccounts; ++i)
            if (a && accounts[size_t(i)].acc == a)
                return i;
        return accIsValidHere(defaultAcc) ? defaultAcc : InvalidId;
    }

    bool accIsValidHere(int id) const { return id >= 0 && id < MaxAccounts && accounts[size_t(id)].acc; }

    void bindCall(int slot, LinphoneCall* call, bool outgoing)
    {
        CallSlot& c = calls[size_t(slot)];
        c = CallSlot{};
        c.call = linphone_call_ref(call);
        c.outgoing = outgoing;
        c.created = Clock::now();
        c.accId = accountOf(call);
        LinphoneCallLog* log = linphone_call_get_call_log(call);
        c.localUri = log ? addressText(outgoing ? linphone_call_log_get_from_address(log) : linphone_call_log_get_to_address(log)) : std::string();
        c.remoteUri = addressText(linphone_call_get_remote_address(call));
        linphone_call_set_user_data(call, reinterpret_cast<void*>(static_cast<std::intptr_t>(slot + 1)));
    }

    void freeCall(int slot)
    {
        CallSlot& c = calls[size_t(slot)];
        if (!c.call)
            return;
        linphone_call_set_user_data(c.call, nullptr);
        linphone_call_unref(c.call);
        c.call = nullptr;
    }

    void setState(int slot, InvState s, int code = 0, const std::string& reason = {})
    {
        CallSlot& c = calls[size_t(slot)];
        if (c.state == s)
            return;
        c.state = s;
        if (cb.onCallState)
            cb.onCallState(slot, CallEvent{code, reason});
    }

    void applyAudio(int slot)
    {
        CallSlot& c = calls[size_t(slot)];
        if (!c.call)
            return;
        linphone_call_set_speaker_muted(c.call, !c.speakerConnected);
        linphone_call_set_microphone_muted(c.call, !c.micConnected);
        if (c.media == MediaStatus::Active && !fileAudio) {
            linphone_call_set_speaker_volume_gain(c.call, std::max(0.0f, outVolume / 100.0f * c.rxLevel));
            linphone_call_set_microphone_volume_gain(c.call, std::max(0.0f, inVolume / 100.0f * c.txLevel));
        }
    }

    int endStatus(const CallSlot& c, LinphoneCall* call) const
    {
        // An answered call ended as answered, whatever became of its BYE (a far end or a
        // softswitch gone answers it with 408 or 503, or never) or of its media.
        if (c.wasConnected)
            return 200;
        const LinphoneErrorInfo* ei = linphone_call_get_error_info(call);
        int code = ei ? linphone_error_info_get_protocol_code(ei) : 0;
        if (code >= 300)
            return code;
        if (c.declinedByUs)
            return c.declineCode;
        if (!c.outgoing)
            return 487; // the caller gave up
        LinphoneReason r = linphone_call_get_reason(call);
        if (r == LinphoneReasonNone)
            return 487; // cancelled (by us, or by the caller for an incoming call)
        return codeOfReason(r);
    }

    void onCallStateChanged(LinphoneCall* call, LinphoneCallState st, const char* msg)
    {
        int slot = slotOf(call);
        if (slot == InvalidId && st == LinphoneCallStateOutgoingInit && pendingOutgoing != InvalidId) {
            slot = pendingOutgoing;
            bindCall(slot, call, true);
        }
        if (st == LinphoneCallStateIncomingReceived && slot == InvalidId) {
            slot = freeCallSlot();
            if (slot == InvalidId) {
                linphone_call_decline(call, LinphoneReasonBusy);
                return;
            }
            bindCall(slot, call, false);
            CallSlot& c = calls[size_t(slot)];
            c.state = InvState::Incoming;
            c.lastStatus = 100;
            if (cb.onIncomingCall)
                cb.onIncomingCall(c.accId, slot, IncomingData{c.remoteUri, c.localUri});
            return;
        }
        if (slot == InvalidId)
            return;
        CallSlot& c = calls[size_t(slot)];
        switch (st) {
        case LinphoneCallStateOutgoingInit:
        case LinphoneCallStateOutgoingProgress:
            setState(slot, InvState::Calling);
            break;
        case LinphoneCallStateOutgoingRinging:
        case LinphoneCallStateOutgoingEarlyMedia:
        case LinphoneCallStateIncomingEarlyMedia:
            c.lastStatus = st == LinphoneCallStateOutgoingRinging ? 180 : 183;
            c.lastText = statusText(c.lastStatus);
            setState(slot, InvState::Early, c.lastStatus, c.lastText);
            break;
        case LinphoneCallStateConnected:
            if (!c.wasConnected) {
                c.wasConnected = true;
                c.connected = Clock::now();
            }
            c.lastStatus = 200;
            c.lastText = "OK";
            setState(slot, InvState::Connecting, 200, "OK");
            if (calls[size_t(slot)].call == call)
                setState(slot, InvState::Confirmed, 200, "OK");
            break;
        case LinphoneCallStateStreamsRunning:
            c.media = MediaStatus::Active;
            applyAudio(slot);
            if (cb.onCallMediaState)
                cb.onCallMediaState(slot);
            break;
        case LinphoneCallStatePaused:
        case LinphoneCallStatePausedByRemote:
            c.media = st == LinphoneCallStatePaused ? MediaStatus::LocalHold : MediaStatus::RemoteHold;
            if (cb.onCallMediaState)
                cb.onCallMediaState(slot);
            break;
        case LinphoneCallStateEnd:
        case LinphoneCallStateError:
        case LinphoneCallStateReleased: {
            if (c.state != InvState::Disconnected) {
                c.lastStatus = endStatus(c, call);
                c.lastText = statusText(c.lastStatus);
                if (c.lastText.empty())
                    c.lastText = fromUtf8(str(msg));
                c.ended = Clock::now();
                c.media = MediaStatus::None;
                setState(slot, InvState::Disconnected, c.lastStatus, c.lastText);
            }
            // The slot is free once the handlers have seen the end.
            if (calls[size_t(slot)].call == call)
                freeCall(slot);
            break;
        }
        default:
            break;
        }
    }

    // ---- presence ----

    LinphoneContent* pidf(const AccountSlot& a)
    {
        std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<presence xmlns=\"urn:ietf:params:xml:ns:pidf\" entity=\""
            + a.identity + "\">\n"
                           "<tuple id=\"t1\"><status><basic>"
            + std::string(a.online ? "open" : "closed") + "</basic></status></tuple>\n</presence>\n";
        LinphoneContent* c = linphone_core_create_content(core);
        linphone_content_set_type(c, "application");
        linphone_content_set_subtype(c, "pidf+xml");
        linphone_content_set_utf8_text(c, body.c_str());
        return c;
    }

    // Publishes the account's status: a new publication once registered, else an update.
    void publish(AccountSlot& a)
    {
        if (!a.publish)
            return;
        if (a.pub && linphone_event_get_publish_state(a.pub) == LinphonePublishProgress) {
            a.pending = true;
            return;
        }
        a.pending = false;
        LinphoneContent* body = pidf(a);
        if (a.pub) {
            if (linphone_event_update_publish(a.pub, body) != 0)
                a.pending = true;
        } else if (linphone_proxy_config_get_state(a.acc) == LinphoneRegistrationOk) {
            LinphoneAddress* res = linphone_factory_create_address(linphone_factory_get(), a.identity.c_str());
            if (res) {
                // The publication's From is the identity of the default proxy when it serves the
                // same domain: make it this account's for the moment of the creation.
                LinphoneProxyConfig* before = linphone_core_get_default_proxy_config(core);
                linphone_core_set_default_proxy_config(core, a.acc);
                a.pub = linphone_core_create_publish(core, res, "presence", linphone_proxy_config_get_publish_expires(a.acc));
                linphone_core_set_default_proxy_config(core, before);
                linphone_address_unref(res);
                if (a.pub)
                    linphone_event_send_publish(a.pub, body);
            }
        }
        linphone_content_unref(body);
    }

    // Sends the status changes that waited for a PUBLISH in progress (run every iteration).
    void flushPublishes()
    {
        for (AccountSlot& a : accounts)
            if (a.acc && a.pending)
                publish(a);
    }

    void unpublish(AccountSlot& a)
    {
        if (!a.pub)
            return;
        linphone_event_terminate(a.pub);
        linphone_event_unref(a.pub);
        a.pub = nullptr;
    }

    // ---- transports ----

    Status applyTransports(int udp, int tcp)
    {
        LinphoneTransports* t = linphone_factory_create_transports(linphone_factory_get());
        linphone_transports_set_udp_port(t, udp);
        linphone_transports_set_tcp_port(t, tcp);
        linphone_transports_set_tls_port(t, 0);
        linphone_transports_set_dtls_port(t, 0);
        Status s = linphone_core_set_transports(core, t) == 0 ? Success : EFailed;
        linphone_transports_unref(t);
        return s;
    }

    void usedPorts(int* udp, int* tcp)
    {
        LinphoneTransports* t = linphone_core_get_transports_used(core);
        *udp = t ? linphone_transports_get_udp_port(t) : 0;
        *tcp = t ? linphone_transports_get_tcp_port(t) : 0;
        if (t)
            linphone_transports_unref(t);
    }

    // Moves the SIP sockets (same ports where they are free there, else free ones) and the
    // media sockets of later calls to the local address of the route to `uri`'s host.
    void bindToward(const std::string& uri)
    {
        std::string addr = localAddressToward(uri);
        if (addr.empty() || addr == bindAddr)
            return;
        bindAddr = addr;
        LinphoneConfig* cfg = linphone_core_get_config(core);
        linphone_config_set_string(cfg, "sip", "bind_address", addr.c_str());
        linphone_config_set_string(cfg, "rtp", "bind_address", addr.c_str());
        int udp = udpPort, tcp = tcpPort;
        applyTransports(0, 0);
        auto want = [&](int sockType, int port) { return port <= 0 ? 0 : portFree(sockType, unsigned(port), addr) ? port
                                                                                                                  : -1; };
        applyTransports(want(SOCK_DGRAM, udp), want(SOCK_STREAM, tcp));
        usedPorts(&udpPort, &tcpPort);
        if ((udp > 0 && udpPort <= 0) || (tcp > 0 && tcpPort <= 0)) {
            applyTransports(udp > 0 && udpPort <= 0 ? -1 : udpPort, tcp > 0 && tcpPort <= 0 ? -1 : tcpPort);
            usedPorts(&udpPort, &tcpPort);
        }
    }

    // ---- codecs ----

    void loadCodecs()
    {
        codecs.clear();
        bctbx_list_t* list = linphone_core_get_audio_payload_types(core);
        for (bctbx_list_t* it = list; it; it = bctbx_list_next(it)) {
            auto* pt = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
            std::string id = codecIdOf(pt);
            codecs.push_back({id, defaultPriority(id)});
        }
        bctbx_list_free_with_data(list, reinterpret_cast<bctbx_list_free_func>(linphone_payload_type_unref));
        std::stable_sort(codecs.begin(), codecs.end(), [](const CodecInfo& a, const CodecInfo& b) {
            if (a.priority != b.priority)
                return a.priority > b.priority;
            return rankOf(a.codecId) < rankOf(b.codecId);
        });
        applyCodecs();
    }

    void applyCodecs()
    {
        bctbx_list_t* list = linphone_core_get_audio_payload_types(core);
        bctbx_list_t* ordered = nullptr;
        for (const CodecInfo& ci : codecs) {
            for (bctbx_list_t* it = list; it; it = bctbx_list_next(it)) {
                auto* pt = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
                if (codecIdOf(pt) == ci.codecId) {
                    linphone_payload_type_enable(pt, ci.priority > 0);
                    ordered = bctbx_list_append(ordered, pt);
                    break;
                }
            }
        }
        linphone_core_set_audio_payload_types(core, ordered);
        bctbx_list_free(ordered);
        bctbx_list_free_with_data(list, reinterpret_cast<bctbx_list_free_func>(linphone_payload_type_unref));
    }
};

std::mutex g_lifecycle;
bool g_countObjects = false; // belle-sip's count of live objects is on (see libraryHoldings)
// Never freed at exit: a process that ends without destroy() leaves the library alone (its
// own statics may be gone by then) and only its throwaway folder is removed.
Engine* g_engine = nullptr;

// ---- scratch folder ----------------------------------------------------------------------
// Each engine has a folder of its own, "zuvi-sip-XXXXXX" under $XDG_RUNTIME_DIR (else the
// temporary folder), for the library's database and the silent play file. It holds a file
// "lock" that its engine keeps locked while it lives: a folder whose lock can be taken was left
// by a process that ended without its shut-down (a kill, a crash), and the next engine removes it.

fs::path scratchBase()
{
    std::error_code ec;
    if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt && fs::is_directory(rt, ec))
        return rt;
    fs::path tmp = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : tmp;
}

// Locks a fresh file and only then names it "lock", so that no sweeper ever sees it unlocked.
int lockScratch(const fs::path& dir)
{
    std::string tmp = (dir / "lock.XXXXXX").string();
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || std::rename(tmp.c_str(), (dir / "lock").c_str()) != 0) {
        close(fd);
        unlink(tmp.c_str());
        return -1;
    }
    return fd;
}

void sweepStaleScratch(const fs::path& base)
{
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path dir = it->path();
        struct stat st { };
        if (dir.filename().string().rfind("zuvi-sip-", 0) != 0 || lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
            continue;
        int fd = open((dir / "lock").c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue; // not one of ours, or still being made
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code rm;
            fs::remove_all(dir, rm);
        }
        close(fd);
    }
}

struct FolderSweeper {
    ~FolderSweeper()
    {
        std::lock_guard l(g_lifecycle);
        if (g_engine && !g_engine->dir.empty()) {
            std::error_code ec;
            fs::remove_all(g_engine->dir, ec);
        }
    }
} g_sweeper;

Engine* engine()
{
    std::lock_guard l(g_lifecycle);
    return g_engine;
}

Engine* fromCore(LinphoneCore* lc)
{
    LinphoneCoreCbs* cbs = linphone_core_get_current_callbacks(lc);
    return cbs ? static_cast<Engine*>(linphone_core_cbs_get_user_data(cbs)) : nullptr;
}

// Runs fn on the SIP worker of a live engine; ENotInit (or fallback) otherwise. With followUp,
// the worker gives the caller's next command a moment before the library's own work.
template<class R>
R onEngine(R fallback, const std::function<R(Engine&)>& fn, bool followUp = false)
{
    Engine* e = engine();
    if (!e)
        return fallback;
    try {
        return e->worker.call<R>([&]() -> R {
            e->hotUntil = Clock::now() + std::chrono::seconds(1);
            try {
                return fn(*e);
            } catch (...) {
                return fallback;
            }
        },
            followUp);
    } catch (...) {
        return fallback;
    }
}

Status onStarted(const std::function<Status(Engine&)>& fn)
{
    return onEngine<Status>(ENotInit, [&](Engine& e) -> Status {
        if (!e.core || !e.started)
            return ENotInit;
        return fn(e);
    });
}

// ---- library callbacks (on the SIP worker, inside linphone_core_iterate) ----

void cbCallState(LinphoneCore* lc, LinphoneCall* call, LinphoneCallState st, const char* msg)
{
    if (Engine* e = fromCore(lc)) {
        e->kick();
        e->onCallStateChanged(call, st, msg);
    }
}

void cbRegState(LinphoneCore* lc, LinphoneProxyConfig* acc, LinphoneRegistrationState st, const char*)
{
    Engine* e = fromCore(lc);
    if (!e)
        return;
    e->kick();
    for (int i = 0; i < MaxAccounts; ++i) {
        AccountSlot& a = e->accounts[size_t(i)];
        if (a.acc != acc)
            continue;
        if (st == LinphoneRegistrationOk && !a.pub)
            e->publish(a);
        if (e->cb.onRegState)
            e->cb.onRegState(i);
    }
}

void cbMessage(LinphoneCore* lc, LinphoneChatRoom*, LinphoneChatMessage* m)
{
    Engine* e = fromCore(lc);
    if (!e)
        return;
    e->kick();
    if (!e->cb.onPager)
        return;
    std::string body = fromUtf8(str(linphone_chat_message_get_utf8_text(m)));
    std::string type = str(linphone_chat_message_get_content_type(m));
    e->cb.onPager(InvalidId, addressText(linphone_chat_message_get_from_address(m)),
        addressText(linphone_chat_message_get_to_address(m)), std::string(), type, body);
}

void cbTransfer(LinphoneCore* lc, LinphoneCall* call, LinphoneCallState st)
{
    Engine* e = fromCore(lc);
    if (!e)
        return;
    e->kick();
    if (!e->cb.onCallTransferStatus)
        return;
    int slot = e->slotOf(call);
    if (slot == InvalidId)
        return;
    int code = 100;
    bool final = false;
    switch (st) {
    case LinphoneCallStateOutgoingRinging:
        code = 180;
        break;
    case LinphoneCallStateConnected:
        code = 200;
        final = true;
        break;
    case LinphoneCallStateError:
        code = 500;
        final = true;
        break;
    default:
        break;
    }
    bool cont = true;
    e->cb.onCallTransferStatus(slot, code, statusText(code), final, &cont);
}

// A publication finished or failed: a status change waiting for it can go now.
void cbPublishState(LinphoneCore* lc, LinphoneEvent*, LinphonePublishState)
{
    if (Engine* e = fromCore(lc))
        e->kick();
}

void silenceLogs()
{
    LinphoneLoggingService* log = linphone_logging_service_get();
    const char* want = std::getenv("ZUVI_SIP_LOG");
    linphone_logging_service_set_log_level(log, want && *want == '1' ? LinphoneLogLevelMessage : LinphoneLogLevelFatal);
}

} // namespace

// ---- lifecycle --------------------------------------------------------------------------

Status create()
{
    std::lock_guard l(g_lifecycle);
    if (g_engine)
        return EInvalidState;
    // Objects are counted from their creation: the count starts before the first core.
    if (const char* count = std::getenv("ZUVI_SIP_COUNT_OBJECTS"); count && std::string(count) == "1" && !g_countObjects) {
        belle_sip_object_enable_leak_detector(1);
        g_countObjects = true;
    }
    try {
        auto e = std::make_unique<Engine>();
        fs::path base = scratchBase();
        sweepStaleScratch(base);
        std::string tmpl = (base / "zuvi-sip-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            return EFailed;
        e->dir = tmpl;
        std::error_code ec;
        fs::permissions(e->dir, fs::perms::owner_all, fs::perm_options::replace, ec);
        e->lockFd = lockScratch(e->dir);
        e->worker.start([raw = e.get()] {
            if (!raw->core)
                return milliseconds(1000); // nothing runs but commands, and they wake the worker
            linphone_core_iterate(raw->core);
            raw->flushPublishes();
            raw->releaseFreedMemory();
            return raw->nextWait();
        });
        g_engine = e.release();
        return Success;
    } catch (...) {
        return EFailed;
    }
}

Status init(const Config& cfg, const MediaConfig* mediaCfg)
{
    MediaConfig media = mediaCfg ? *mediaCfg : MediaConfig{};
    return onEngine<Status>(ENotInit, [&](Engine& e) -> Status {
        if (e.core)
            return EInvalidState;
        if (cfg.useSrtp || !cfg.stunServers.empty() || media.enableIce || cfg.maxCalls == 0)
            return ENotSupported;
        silenceLogs();
        e.fileAudio = !soundCardPresent();
        e.maxCalls = std::min<unsigned>(cfg.maxCalls, MaxCalls);

        // libpulse creates ~/.config/pulse/cookie when it has none; keep it in our folder.
        if (!std::getenv("PULSE_COOKIE")) {
            const char* home = std::getenv("HOME");
            std::error_code ec;
            if (!home || !fs::exists(fs::path(home) / ".config" / "pulse" / "cookie", ec))
                setenv("PULSE_COOKIE", (e.dir / "pulse-cookie").c_str(), 0);
        }

        // The library's configuration lives in memory only: it receives the accounts' passwords,
        // and a configuration without a file name is never written.
        // No databases (the library's chat is off, the program keeps its own call history) and
        // history_max_size=0: the library keeps no call log, in a file or in memory, where every
        // call used to add one; nor would each call write its log and a ZRTP cache between the
        // button and the INVITE.
        std::string rc = "[sip]\nsip_port=0\nsip_tcp_port=0\nsip_tls_port=0\nuse_ipv6=0\n"
                         "register_only_when_network_is_up=0\nping_with_options=0\nbind_address="
            + e.bindAddr + "\n[rtp]\nbind_address=" + e.bindAddr + "\n[net]\nenable_nat_helper=0\n[misc]\nstore_friends=0\nhistory_max_size=0\n[sound]\ntone_indications=0\n[storage]\nuri=null\ncall_logs_db_uri=null\nzrtp_secrets_db_uri=null\n";
        LinphoneConfig* config = linphone_config_new_from_buffer(rc.c_str());
        if (!config)
            return EFailed;
        LinphoneFactory* factory = linphone_factory_get();
        // The factory joins file names to these folders without a separator.
        std::string folder = e.dir.string() + "/";
        linphone_factory_set_config_dir(factory, folder.c_str());
        linphone_factory_set_data_dir(factory, folder.c_str());
        linphone_factory_set_download_dir(factory, folder.c_str());
        // No mediastreamer plugins: the only one installed is a video display that brings a
        // second Qt; audio runs through the built-in sound-card filters.
        fs::path plugins = e.dir / "msplugins";
        std::error_code pluginsEc;
        fs::create_directory(plugins, pluginsEc);
        linphone_factory_set_msplugins_dir(factory, plugins.c_str());
        e.core = linphone_factory_create_core_with_config_3(factory, config, nullptr);
        linphone_config_unref(config);
        if (!e.core)
            return EFailed;
        // The parser guard drops CANCELs for calls the library does not hold (see ParserGuard.cpp).
        setCallLookup([](void* core, const char* callId) { return callId && linphone_core_get_call_by_callid(static_cast<LinphoneCore*>(core), callId) != nullptr; }, e.core);
        e.cb = cfg.cb;
        e.cbs = linphone_factory_create_core_cbs(factory);
        linphone_core_cbs_set_user_data(e.cbs, &e);
        linphone_core_cbs_set_call_state_changed(e.cbs, cbCallState);
        linphone_core_cbs_set_registration_state_changed(e.cbs, cbRegState);
        linphone_core_cbs_set_message_received(e.cbs, cbMessage);
        linphone_core_cbs_set_transfer_state_changed(e.cbs, cbTransfer);
        linphone_core_cbs_set_publish_state_changed(e.cbs, cbPublishState);
        linphone_core_add_callbacks(e.core, e.cbs);

        // No SIP socket until transportCreate asks for one.
        e.applyTransports(0, 0);
        linphone_core_set_user_agent(e.core, cfg.userAgent.empty() ? "zuvi" : cfg.userAgent.c_str(), nullptr);
        // A registrar's GRUU would replace our Contact and lose in-dialog requests.
        linphone_core_remove_supported_tag(e.core, "gruu");
        // An incoming call gets 100 Trying only and waits until its caller gives up.
        linphone_core_enable_auto_send_ringing(e.core, FALSE);
        linphone_core_set_inc_timeout(e.core, 7 * 24 * 3600);
        linphone_core_set_ring(e.core, nullptr); // and it is not rung on our side either
        // Instant messages are declined: the library's chat needs grammar files that Debian's
        // package lacks, and an incoming MESSAGE would otherwise end the process.
        linphone_core_disable_chat(e.core, LinphoneReasonDeclined);
        // A second call must not put the first on hold.
        linphone_core_set_media_resource_mode(e.core, LinphoneSharedMediaResources);
        linphone_core_set_max_calls(e.core, static_cast<int>(e.maxCalls));
        linphone_core_enable_ipv6(e.core, FALSE);
        linphone_core_set_media_encryption(e.core, LinphoneMediaEncryptionNone);
        // Voice activity detection: silence is sent as RFC 3389 comfort noise (payload 13) on the
        // 8 kHz codecs, the library's only VAD; no_vad turns it off.
        linphone_core_enable_generic_comfort_noise(e.core, media.noVad ? FALSE : TRUE);
        linphone_core_set_audio_port(e.core, -1);
        linphone_core_enable_video_capture(e.core, FALSE);
        linphone_core_enable_video_display(e.core, FALSE);
        LinphoneVideoActivationPolicy* vp = linphone_factory_create_video_activation_policy(factory);
        linphone_video_activation_policy_set_automatically_initiate(vp, FALSE);
        linphone_video_activation_policy_set_automatically_accept(vp, FALSE);
        linphone_core_set_video_activation_policy(e.core, vp);
        linphone_video_activation_policy_unref(vp);

        if (e.fileAudio) {
            fs::path play = e.dir / "play.wav";
            if (const char* p = std::getenv("ZUVI_SIP_PLAY_FILE"); p && *p)
                play = p;
            else
                writeSilenceWav(play, 2);
            fs::path rec = e.dir / "record.wav";
            if (const char* r = std::getenv("ZUVI_SIP_RECORD_FILE"); r && *r)
                rec = r;
            linphone_core_set_use_files(e.core, TRUE);
            linphone_core_set_play_file(e.core, play.c_str());
            linphone_core_set_record_file(e.core, rec.c_str());
        }
        e.initialised = true;
        return Success;
    });
}

Status start()
{
    return onEngine<Status>(ENotInit, [](Engine& e) -> Status {
        if (!e.core || !e.initialised)
            return ENotInit;
        if (e.started)
            return EInvalidState;
        if (linphone_core_start(e.core) != 0)
            return EFailed;
        // No ringback tone (the engine plays no tones; start read the default from the
        // configuration): its stream would be stopped between a 2xx and its ACK.
        linphone_core_set_ringback(e.core, nullptr);
        e.useStackLoop();
        e.applyTransports(0, 0);
        e.loadCodecs();
        e.started = true;
        return Success;
    });
}

Status destroy()
{
    Engine* e = engine();
    if (!e)
        return ENotInit;
    if (e->worker.onWorker())
        return EBusy;
    try {
        e->worker.call<int>([e]() -> int {
            if (e->core) {
                if (e->started)
                    linphone_core_terminate_all_calls(e->core);
                for (auto& c : e->calls)
                    if (c.call) {
                        linphone_call_set_user_data(c.call, nullptr);
                        linphone_call_unref(c.call);
                        c.call = nullptr;
                    }
                for (auto& a : e->accounts)
                    if (a.acc) {
                        e->unpublish(a);
                        linphone_proxy_config_unref(a.acc);
                        a.acc = nullptr;
                    }
                // Close the SIP sockets now, so that the ports are free once destroy returns.
                e->applyTransports(0, 0);
                for (int i = 0; i < 5; ++i)
                    linphone_core_iterate(e->core);
                e->leaveStackLoop();
                linphone_core_stop(e->core);
                linphone_core_remove_callbacks(e->core, e->cbs);
                setCallLookup(nullptr, nullptr);
                linphone_core_unref(e->core);
                linphone_core_cbs_unref(e->cbs);
                e->core = nullptr;
                e->cbs = nullptr;
            }
            return 0;
        });
        e->worker.stop();
        std::error_code ec;
        fs::remove_all(e->dir, ec);
        if (e->lockFd >= 0)
            close(e->lockFd);
    } catch (...) {
    }
    std::lock_guard l(g_lifecycle);
    delete g_engine;
    g_engine = nullptr;
    return Success;
}

Status post(std::function<void()> job)
{
    Engine* e = engine();
    if (!e || !job)
        return e ? EInvalidArg : ENotInit;
    e->worker.post([e, job = std::move(job)] {
        e->hotUntil = Clock::now() + std::chrono::seconds(1);
        try {
            job();
        } catch (...) {
        }
    });
    return Success;
}

Status run(const std::function<void()>& job)
{
    if (!job)
        return EInvalidArg;
    return onEngine<Status>(
        ENotInit, [&](Engine&) -> Status {
            try {
                job();
            } catch (...) {
            }
            return Success;
        },
        true);
}

// ---- transports -------------------------------------------------------------------------

Status transportCreate(TransportType type, const TransportConfig& cfg, int* transportId)
{
    return onEngine<Status>(ENotInit, [&](Engine& e) -> Status {
        if (!e.core)
            return ENotInit;
        if (type == TransportType::Tls)
            return ENotSupported;
        if (type != TransportType::Udp && type != TransportType::Tcp)
            return EInvalidArg;
        if (!cfg.publicAddr.empty() || cfg.port > 65535)
            return EInvalidArg;
        int want = cfg.port == 0 ? -1 : static_cast<int>(cfg.port);
        // The library binds with address reuse, so a port another program holds the same way
        // would be shared silently: a port that a plain socket cannot bind counts as taken.
        if (want > 0 && !portFree(type == TransportType::Udp ? SOCK_DGRAM : SOCK_STREAM, cfg.port, e.bindAddr))
            return EAddrInUse;
        bool udp = type == TransportType::Udp;
        if ((udp ? e.udpPort : e.tcpPort) != 0)
            return EInvalidState; // one transport of each kind
        e.applyTransports(udp ? want : e.udpPort, udp ? e.tcpPort : want);
        int u = 0, t = 0;
        e.usedPorts(&u, &t);
        int got = udp ? u : t;
        if (got <= 0) {
            e.applyTransports(e.udpPort, e.tcpPort);
            return EAddrInUse;
        }
        (udp ? e.udpPort : e.tcpPort) = got;
        if (transportId)
            *transportId = udp ? 0 : 1;
        return Success;
    });
}

Status transportGetPort(TransportType type, unsigned* port)
{
    return onEngine<Status>(ENotInit, [&](Engine& e) -> Status {
        if (!e.core)
            return ENotInit;
        int p = type == TransportType::Udp ? e.udpPort : type == TransportType::Tcp ? e.tcpPort
                                                                                    : 0;
        if (port)
            *port = static_cast<unsigned>(p);
        return p > 0 ? Success : ENotFound;
    });
}

// ---- codecs -----------------------------------------------------------------------------

Status enumCodecs(std::vector<CodecInfo>* out, unsigned max)
{
    if (!out)
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        out->clear();
        for (const CodecInfo& c : e.codecs) {
            if (max && out->size() >= max)
                break;
            out->push_back(c);
        }
        return Success;
    });
}

Status codecSetPriority(const std::string& codecId, std::uint8_t priority)
{
    return onStarted([&](Engine& e) -> Status {
        bool found = false;
        for (CodecInfo& c : e.codecs)
            if (iequalsPrefix(c.codecId, codecId)) {
                c.priority = priority;
                found = true;
            }
        if (!found)
            return ENotFound;
        std::stable_sort(e.codecs.begin(), e.codecs.end(),
            [](const CodecInfo& a, const CodecInfo& b) { return a.priority > b.priority; });
        e.applyCodecs();
        return Success;
    });
}

// ---- accounts ---------------------------------------------------------------------------

Status accAdd(const AccConfig& cfg, bool isDefault, int* accId)
{
    return onStarted([&](Engine& e) -> Status {
        if (e.udpPort == 0 && e.tcpPort == 0)
            return EInvalidState; // no SIP transport
        if (cfg.cred.size() > 1)
            return ENotSupported;
        std::string id = toUtf8(stripAngles(cfg.id));
        std::string reg = toUtf8(stripAngles(cfg.regUri));
        if (!uriSyntaxOk(id) || (!reg.empty() && !uriSyntaxOk(reg)))
            return EInvalidUri;
        for (const Credential& c : cfg.cred)
            if (c.dataType != 0 || (!c.scheme.empty() && c.scheme != "Digest" && c.scheme != "digest"))
                return ENotSupported;
        int slot = InvalidId;
        for (int i = 0; i < MaxAccounts; ++i)
            if (!e.accounts[size_t(i)].acc) {
                slot = i;
                break;
            }
        if (slot == InvalidId)
            return ETooMany;

        LinphoneFactory* f = linphone_factory_get();
        LinphoneAddress* identity = linphone_factory_create_address(f, id.c_str());
        if (!identity)
            return EInvalidUri;
        LinphoneProxyConfig* acc = linphone_core_create_proxy_config(e.core);
        if (!acc) {
            linphone_address_unref(identity);
            return EFailed;
        }
        linphone_proxy_config_edit(acc);
        Status st = linphone_proxy_config_set_identity_address(acc, identity) == 0 ? Success : EInvalidUri;
        linphone_address_unref(identity);
        if (st == Success && !reg.empty() && linphone_proxy_config_set_server_addr(acc, reg.c_str()) != 0)
            st = EInvalidUri;
        if (st != Success) {
            linphone_proxy_config_unref(acc);
            return st;
        }
        linphone_proxy_config_set_expires(acc, static_cast<int>(cfg.regTimeout));
        linphone_proxy_config_enable_register(acc, cfg.registerOnAdd && !reg.empty());
        // Presence is published per account by the engine itself (see publish()).
        linphone_proxy_config_enable_publish(acc, FALSE);
        linphone_proxy_config_set_publish_expires(acc, static_cast<int>(cfg.regTimeout));
        linphone_proxy_config_done(acc);
        std::string user;
        if (!cfg.cred.empty()) {
            const Credential& c = cfg.cred.front();
            user = toUtf8(c.username);
            std::string pw = toUtf8(c.data);
            std::string realm = c.realm == "*" ? std::string() : toUtf8(c.realm);
            LinphoneAuthInfo* ai = linphone_factory_create_auth_info(f, user.c_str(), nullptr, pw.c_str(), nullptr,
                realm.empty() ? nullptr : realm.c_str(), nullptr);
            linphone_core_add_auth_info(e.core, ai);
            linphone_auth_info_unref(ai);
        }
        e.bindToward(reg.empty() ? id : reg);
        if (linphone_core_add_proxy_config(e.core, acc) != 0) {
            linphone_proxy_config_unref(acc);
            return EFailed;
        }
        AccountSlot& a = e.accounts[size_t(slot)];
        a = AccountSlot{};
        a.acc = acc;
        a.username = user;
        a.identity = id;
        a.publish = cfg.publishEnabled;
        if (isDefault)
            e.defaultAcc = slot;
        if (accId)
            *accId = slot;
        return Success;
    });
}

Status accDel(int accId)
{
    return onStarted([&](Engine& e) -> Status {
        if (!e.accIsValidHere(accId))
            return EInvalidArg;
        AccountSlot& a = e.accounts[size_t(accId)];
        // Removal sends REGISTER and PUBLISH with expiry 0; the credentials stay with the
        // core so that a challenged de-registration is still answered.
        e.unpublish(a);
        linphone_core_remove_proxy_config(e.core, a.acc);
        linphone_proxy_config_unref(a.acc);
        a = AccountSlot{};
        if (e.defaultAcc == accId)
            e.defaultAcc = 0;
        return Success;
    });
}

bool accIsValid(int accId)
{
    return onEngine<bool>(false, [&](Engine& e) { return e.started && e.accIsValidHere(accId); });
}

int accGetDefault()
{
    return onEngine<int>(InvalidId, [](Engine& e) { return e.defaultAcc; });
}

unsigned accGetCount()
{
    return onEngine<unsigned>(0, [](Engine& e) {
        return static_cast<unsigned>(std::count_if(e.accounts.begin(), e.accounts.end(), [](auto& a) { return a.acc; }));
    });
}

Status accSetOnlineStatus(int accId, bool online) { return accSetOnlineStatus2(accId, online, PresenceRecord{}); }

Status accSetOnlineStatus2(int accId, bool online, const PresenceRecord&)
{
    return onStarted([&](Engine& e) -> Status {
        if (!e.accIsValidHere(accId))
            return EInvalidArg;
        AccountSlot& a = e.accounts[size_t(accId)];
        a.online = online;
        e.publish(a);
        return Success;
    });
}

Status verifySipUrl(const std::string& url)
{
    return onEngine<Status>(ENotInit, [&](Engine&) -> Status {
        std::string u = toUtf8(stripAngles(url));
        if (!uriSyntaxOk(u))
            return EInvalidUri;
        LinphoneAddress* a = linphone_factory_create_address(linphone_factory_get(), u.c_str());
        if (!a)
            return EInvalidUri;
        linphone_address_unref(a);
        return Success;
    });
}

// ---- calls ------------------------------------------------------------------------------

Status callMakeCall(int accId, const std::string& dstUri, const CallSetting* opt, int* callId)
{
    CallSetting set = opt ? *opt : CallSetting{};
    return onStarted([&](Engine& e) -> Status {
        if (set.vidCnt != 0)
            return ENotSupported;
        if (!e.accIsValidHere(accId))
            return EInvalidArg;
        std::string uri = toUtf8(stripAngles(dstUri));
        if (!uriSyntaxOk(uri))
            return EInvalidUri;
        int slot = e.freeCallSlot();
        if (slot == InvalidId)
            return ETooMany;
        LinphoneAddress* addr = linphone_factory_create_address(linphone_factory_get(), uri.c_str());
        if (!addr)
            return EInvalidUri;
        LinphoneCallParams* params = linphone_core_create_call_params(e.core, nullptr);
        linphone_call_params_enable_video(params, FALSE);
        linphone_call_params_set_proxy_config(params, e.accounts[size_t(accId)].acc);
        e.pendingOutgoing = slot;
        LinphoneCall* call = linphone_core_invite_address_with_params(e.core, addr, params);
        e.pendingOutgoing = InvalidId;
        linphone_call_params_unref(params);
        linphone_address_unref(addr);
        if (!call)
            return EFailed;
        if (e.slotOf(call) == InvalidId && e.calls[size_t(slot)].call == nullptr && linphone_call_get_state(call) != LinphoneCallStateReleased) {
            e.bindCall(slot, call, true);
            e.calls[size_t(slot)].state = InvState::Calling;
        }
        e.calls[size_t(slot)].accId = accId;
        if (callId)
            *callId = slot;
        return Success;
    });
}

Status callHangup(int callId, unsigned code, const std::string*)
{
    return onStarted([&](Engine& e) -> Status {
        if (callId < 0 || callId >= MaxCalls || !e.calls[size_t(callId)].call)
            return EInvalidArg;
        CallSlot& c = e.calls[size_t(callId)];
        LinphoneCall* call = c.call;
        LinphoneCallState st = linphone_call_get_state(call);
        bool unansweredIncoming = !c.outgoing && !c.wasConnected && (st == LinphoneCallStateIncomingReceived || st == LinphoneCallStateIncomingEarlyMedia);
        if (unansweredIncoming) {
            int sc = code == 0 ? 603 : static_cast<int>(code);
            LinphoneReason r = sc == 486 ? LinphoneReasonBusy
                : sc == 404              ? LinphoneReasonNotFound
                : sc == 480              ? LinphoneReasonTemporarilyUnavailable
                                         : LinphoneReasonDeclined;
            c.declinedByUs = true;
            c.declineCode = sc;
            return linphone_call_decline(call, r) == 0 ? Success : EFailed;
        }
        return linphone_call_terminate(call) == 0 ? Success : EFailed;
    });
}

Status callGetInfo(int callId, CallInfo* info)
{
    if (!info)
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        if (callId < 0 || callId >= MaxCalls || !e.calls[size_t(callId)].call)
            return EInvalidArg;
        const CallSlot& c = e.calls[size_t(callId)];
        auto ms = [](Clock::duration d) { return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()); };
        Clock::time_point end = c.state == InvState::Disconnected ? c.ended : Clock::now();
        *info = CallInfo{};
        info->id = callId;
        info->accId = c.accId;
        info->outgoing = c.outgoing;
        info->state = c.state;
        info->stateText = stateText(c.state);
        info->lastStatus = c.lastStatus;
        info->lastStatusText = c.lastText;
        info->connectDurationMs = c.wasConnected ? ms(end - c.connected) : 0;
        info->totalDurationMs = ms(end - c.created);
        info->mediaStatus = c.media;
        info->confSlot = callId + 1;
        info->localUri = c.localUri;
        info->remoteUri = c.remoteUri;
        return Success;
    });
}

bool callIsActive(int callId)
{
    return onEngine<bool>(false, [&](Engine& e) {
        return e.started && callId >= 0 && callId < MaxCalls && e.calls[size_t(callId)].call != nullptr;
    });
}

unsigned callGetCount()
{
    return onEngine<unsigned>(0, [](Engine& e) {
        return static_cast<unsigned>(std::count_if(e.calls.begin(), e.calls.end(), [](auto& c) { return c.call; }));
    });
}

// ---- conference bridge ------------------------------------------------------------------

namespace {
Status connectSlots(int source, int sink, bool on)
{
    return onStarted([&](Engine& e) -> Status {
        auto callSlot = [&](int s) -> CallSlot* {
            int i = s - 1;
            return i >= 0 && i < MaxCalls && e.calls[size_t(i)].call ? &e.calls[size_t(i)] : nullptr;
        };
        if (source == 0 && sink == 0)
            return Success; // device to itself: nothing to route
        CallSlot* c = nullptr;
        if (sink == 0 && (c = callSlot(source)))
            c->speakerConnected = on;
        else if (source == 0 && (c = callSlot(sink)))
            c->micConnected = on;
        else
            return EInvalidArg;
        e.applyAudio((source == 0 ? sink : source) - 1);
        return Success;
    });
}

Status adjustLevel(int slot, float level, bool tx)
{
    if (!(level >= 0.0f))
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        if (slot == 0) {
            for (int i = 0; i < MaxCalls; ++i)
                if (e.calls[size_t(i)].call) {
                    // The device's tx is what it plays (each call's rx), its rx what it captures.
                    (tx ? e.calls[size_t(i)].rxLevel : e.calls[size_t(i)].txLevel) = level;
                    e.applyAudio(i);
                }
            return Success;
        }
        int i = slot - 1;
        if (i < 0 || i >= MaxCalls || !e.calls[size_t(i)].call)
            return EInvalidArg;
        (tx ? e.calls[size_t(i)].txLevel : e.calls[size_t(i)].rxLevel) = level;
        e.applyAudio(i);
        return Success;
    });
}
} // namespace

Status confConnect(int source, int sink) { return connectSlots(source, sink, true); }
Status confDisconnect(int source, int sink) { return connectSlots(source, sink, false); }
Status confAdjustTxLevel(int slot, float level) { return adjustLevel(slot, level, true); }
Status confAdjustRxLevel(int slot, float level) { return adjustLevel(slot, level, false); }

// ---- sound device -----------------------------------------------------------------------

Status sndSetSetting(AudDevCap cap, int value, bool keep)
{
    if (cap != AudDevCap::OutputVolume && cap != AudDevCap::InputVolume)
        return ENotSupported;
    if (value < 0)
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        bool out = cap == AudDevCap::OutputVolume;
        bool running = false;
        for (const CallSlot& c : e.calls)
            running = running || (c.call && c.media == MediaStatus::Active);
        if (!running && !keep)
            return EInvalidState; // no open sound device to set it on
        (out ? e.outVolume : e.inVolume) = value;
        (out ? e.outKept : e.inKept) = keep;
        for (int i = 0; i < MaxCalls; ++i)
            e.applyAudio(i);
        return Success;
    });
}

Status sndGetSetting(AudDevCap cap, int* value)
{
    if (!value)
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        if (cap == AudDevCap::OutputVolume)
            *value = e.outVolume;
        else if (cap == AudDevCap::InputVolume)
            *value = e.inVolume;
        else
            return ENotSupported;
        return Success;
    });
}

bool usesFileAudio()
{
    return onEngine<bool>(false, [](Engine& e) { return e.core && e.fileAudio; });
}

Status enumAudioDevices(std::vector<AudioDevInfo>* devices)
{
    if (!devices)
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        devices->clear();
        bctbx_list_t* list = linphone_core_get_extended_audio_devices(e.core);
        for (bctbx_list_t* it = list; it; it = bctbx_list_next(it)) {
            auto* d = static_cast<LinphoneAudioDevice*>(bctbx_list_get_data(it));
            AudioDevInfo info;
            info.name = fromUtf8(str(linphone_audio_device_get_device_name(d)));
            info.driver = str(linphone_audio_device_get_driver_name(d));
            info.inputCount = linphone_audio_device_has_capability(d, LinphoneAudioDeviceCapabilityRecord) ? 1 : 0;
            info.outputCount = linphone_audio_device_has_capability(d, LinphoneAudioDeviceCapabilityPlay) ? 1 : 0;
            devices->push_back(info);
        }
        bctbx_list_free_with_data(list, reinterpret_cast<bctbx_list_free_func>(linphone_audio_device_unref));
        return Success;
    });
}

Status libraryHoldings(LibraryHoldings* holdings)
{
    if (!holdings)
        return EInvalidArg;
    return onStarted([&](Engine& e) -> Status {
        holdings->calls = linphone_core_get_calls_nb(e.core);
        holdings->callLogs = static_cast<int>(bctbx_list_size(linphone_core_get_call_logs(e.core)));
        holdings->objects = g_countObjects ? belle_sip_object_get_object_count() : -1;
        return Success;
    });
}

} // namespace zuvi::sip

extern "C" __attribute__((visibility("default"))) const zuvi::sip::EngineApi* zuvi_sip_engine_api()
{
    using namespace zuvi::sip;
#define ZUVI_SIP_ADDRESS(result, name, none, params, args) &name,
    static const EngineApi api{&create, &post, &messageParserGuarded, ZUVI_SIP_FORWARDED(ZUVI_SIP_ADDRESS)};
#undef ZUVI_SIP_ADDRESS
    return &api;
}
