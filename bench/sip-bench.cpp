// SIP engine benchmark driver: registration and call set-up times, and the engine's footprint.
//
//   zuvi-sip-bench latency SERVER USER PASSWORD NUMBER ROUNDS
//   zuvi-sip-bench footprint SERVER USER PASSWORD NUMBER SECONDS
//   zuvi-sip-bench flood RATE SECONDS [ROUNDS [PAUSE]]   (INVITE+CANCEL pairs a second at the
//                          engine's port, ROUNDS times (2), PAUSE seconds (60) apart, sampled)
//   zuvi-sip-bench refuse COUNT [RATE [PAUSE [ack|cancel] [distinct]]]   (COUNT INVITEs refused
//                          with 486 once the call slots are taken, RATE a second (200), sampled
//                          for PAUSE s (60); 486 acknowledged, or a CANCEL after each INVITE;
//                          a caller address of its own for each)
#include "sip/Sip.h"

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace sip = zuvi::sip;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

std::atomic<int> g_regEvents{0};
std::atomic<int> g_state{-1};
std::atomic<int> g_lastStatus{0};

bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 5s)
{
    auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(200us);
    }
    return false;
}

long rssKb()
{
    std::ifstream in("/proc/self/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            return value;
        }
        in.ignore(4096, '\n');
    }
    return 0;
}

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

// CPU share of one core over `seconds` of waiting.
double cpuPercent(int seconds)
{
    double c0 = cpuSeconds();
    auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    return (cpuSeconds() - c0) / wall * 100.0;
}

bool setUp()
{
    sip::Config cfg = sip::configDefault();
    cfg.userAgent = "d.c";
    cfg.cb.onRegState = [](int) { ++g_regEvents; };
    cfg.cb.onCallState = [](int callId, const sip::CallEvent&) {
        sip::CallInfo info;
        if (sip::callGetInfo(callId, &info) == sip::Success) {
            g_lastStatus = info.lastStatus;
            g_state = static_cast<int>(info.state);
        }
    };
    cfg.cb.onCallMediaState = [](int callId) {
        sip::CallInfo info;
        if (sip::callGetInfo(callId, &info) == sip::Success && info.mediaStatus == sip::MediaStatus::Active) {
            sip::confConnect(info.confSlot, 0);
            sip::confConnect(0, info.confSlot);
        }
    };
    if (sip::create() || sip::init(cfg) || sip::start())
        return false;
    std::vector<sip::CodecInfo> top;
    sip::enumCodecs(&top, 4);
    for (auto& c : top)
        sip::codecSetPriority(c.codecId, 0);
    return sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault()) == sip::Success;
}

sip::AccConfig account(const std::string& server, const std::string& user, const std::string& pw)
{
    sip::AccConfig c = sip::accConfigDefault();
    c.id = "sip:" + user + "@" + server;
    c.regUri = "sip:" + server;
    c.regTimeout = 3600;
    c.publishEnabled = true;
    c.allowContactRewrite = false;
    c.cred.push_back({"*", "Digest", user, 0, pw});
    return c;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Registered once the account's second registration event (progress, then ok) arrived.
bool addAndRegister(const sip::AccConfig& cfg, int* id)
{
    int before = g_regEvents;
    if (sip::accAdd(cfg, false, id) != sip::Success)
        return false;
    return waitFor([&] { return g_regEvents >= before + 2; });
}

bool placeCall(int acc, const std::string& uri, int* callId)
{
    g_state = -1;
    if (sip::callMakeCall(acc, uri, nullptr, callId) != sip::Success)
        return false;
    return waitFor([] { return g_state == static_cast<int>(sip::InvState::Confirmed); });
}

void hangUp(int callId)
{
    sip::callHangup(callId, 0);
    waitFor([] { return g_state == static_cast<int>(sip::InvState::Disconnected); });
}

} // namespace

// A caller on a UDP socket of its own that sends requests to 127.0.0.1:port and reads answers.
struct UdpCaller {
    int s = -1;
    unsigned port = 0;
    std::string from;
    std::string sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\nm=audio 40000 RTP/AVP 0\r\n";

    explicit UdpCaller(unsigned enginePort)
        : port(enginePort)
    {
        s = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        int big = 1 << 22;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        sockaddr_in me{};
        me.sin_family = AF_INET;
        me.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s, reinterpret_cast<sockaddr*>(&me), sizeof me);
        socklen_t len = sizeof me;
        getsockname(s, reinterpret_cast<sockaddr*>(&me), &len);
        from = "127.0.0.1:" + std::to_string(ntohs(me.sin_port));
    }
    ~UdpCaller() { close(s); }

    // An INVITE (with an offer), CANCEL or ACK of the call `id`, from the user `user` (the id when empty).
    void send(const std::string& method, const std::string& id, const std::string& user = {})
    {
        const std::string& u = user.empty() ? id : user;
        std::string m = method + " sip:80001@127.0.0.1:" + std::to_string(port) + " SIP/2.0\r\nVia: SIP/2.0/UDP " + from + ";branch=z9hG4bK" + id + ";rport\r\nMax-Forwards: 70\r\nFrom: <sip:" + u + "@" + from + ">;tag=f" + id + "\r\nTo: <sip:80001@127.0.0.1>\r\nCall-ID: " + id + "\r\nCSeq: 1 " + (method == "ACK" ? "INVITE" : method) + "\r\nContact: <sip:1@" + from + ">\r\n";
        m += method == "INVITE" ? "Content-Type: application/sdp\r\nContent-Length: " + std::to_string(sdp.size()) + "\r\n\r\n" + sdp : "Content-Length: 0\r\n\r\n";
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(static_cast<uint16_t>(port));
        sendto(s, m.data(), m.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // Hands every answer waiting on the socket to `seen`.
    template<class F>
    void drain(F&& seen)
    {
        char buf[4096];
        ssize_t n;
        while ((n = recv(s, buf, sizeof buf - 1, 0)) > 0)
            seen(std::string(buf, size_t(n)));
    }
};

// What a flood sent and what came back to it.
struct FloodResult {
    int pairs = 0;
    int trying = 0, terminated = 0, cancelOk = 0, other = 0; // 100, 487, the CANCEL's 200, the rest
};

// Sends `rate` INVITE+CANCEL pairs a second to 127.0.0.1:port for `seconds`, and reads the answers
// until a second after the last pair.
FloodResult flood(unsigned port, int rate, int seconds)
{
    UdpCaller caller(port);
    FloodResult r;
    auto drain = [&] {
        caller.drain([&](const std::string& reply) {
            if (reply.rfind("SIP/2.0 100 ", 0) == 0)
                ++r.trying;
            else if (reply.rfind("SIP/2.0 487 ", 0) == 0)
                ++r.terminated;
            else if (reply.rfind("SIP/2.0 200 ", 0) == 0 && reply.find(" CANCEL\r\n") != std::string::npos)
                ++r.cancelOk;
            else
                ++r.other;
        });
    };
    static int next = 0;
    auto t0 = Clock::now();
    while (Clock::now() - t0 < std::chrono::seconds(seconds)) {
        std::string id = "fl" + std::to_string(next++);
        caller.send("INVITE", id);
        caller.send("CANCEL", id);
        ++r.pairs;
        drain();
        std::this_thread::sleep_until(t0 + std::chrono::microseconds(1000000LL * r.pairs / rate));
    }
    for (auto end = Clock::now() + 1s; Clock::now() < end; std::this_thread::sleep_for(10ms))
        drain();
    return r;
}

// One line of the engine's state: RSS, the allocator's bytes in use, what the library holds.
void floodSample(const char* when)
{
    struct mallinfo2 mi = mallinfo2();
    sip::LibraryHoldings h;
    sip::libraryHoldings(&h);
    std::printf("  %-22s RSS %7ld kB, heap in use %7zu kB, library calls %4d, call logs %d", when, rssKb(), mi.uordblks / 1024, h.calls, h.callLogs);
    if (h.objects >= 0)
        std::printf(", objects %d", h.objects);
    std::printf("\n");
    std::fflush(stdout);
}

// The engine started with a UDP transport and no account; its port, or 0 when it could not be.
unsigned startEngineOnUdp()
{
    sip::Config cfg = sip::configDefault();
    cfg.userAgent = "d.c";
    unsigned port = 0;
    if (sip::create() != sip::Success || sip::init(cfg) != sip::Success || sip::start() != sip::Success
        || sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault()) != sip::Success
        || sip::transportGetPort(sip::TransportType::Udp, &port) != sip::Success) {
        std::fprintf(stderr, "engine set-up failed\n");
        return 0;
    }
    return port;
}

int floodMode(int rate, int seconds, int rounds, int pause)
{
    const unsigned port = startEngineOnUdp();
    if (!port)
        return 1;
    std::printf("flood: %d rounds of %d INVITE+CANCEL pairs a second for %d s, %d s apart\n", rounds, rate, seconds, pause);
    floodSample("before");
    for (int round = 1; round <= rounds; ++round) {
        FloodResult r = flood(port, rate, seconds);
        std::printf("round %d: %d pairs sent; answers: %d 100, %d 487, %d 200 to the CANCEL, %d other\n", round, r.pairs, r.trying, r.terminated, r.cancelOk, r.other);
        floodSample("at its end");
        for (int waited = 0; waited < pause; waited += 10) {
            std::this_thread::sleep_for(std::chrono::seconds(std::min(10, pause - waited)));
            char when[32];
            std::snprintf(when, sizeof when, "%d s later", std::min(pause, waited + 10));
            floodSample(when);
        }
        malloc_trim(0);
        floodSample("after malloc_trim");
    }
    sip::destroy();
    return 0;
}

// Takes the engine's call slots with INVITEs that are never answered nor cancelled, then sends
// `count` further INVITEs (`rate` a second) that are refused with 486, and samples the engine every
// 10 s for `pause` seconds; then cancels the slot holders and samples once more. Each refused
// INVITE comes from one caller address, or from a caller of its own (`distinct`), and its 486 is
// acknowledged (`ack`) or not, or it is followed by a CANCEL (`cancel`) as in a flood.
struct RefuseOptions {
    bool ack = false, cancel = false, distinct = false;
};

int refuseMode(int count, int rate, int pause, RefuseOptions opt)
{
    const unsigned port = startEngineOnUdp();
    if (!port)
        return 1;
    UdpCaller caller(port);
    std::printf("refuse: %d INVITEs at %d a second once the call slots are taken, %s, %s\n", count, rate,
        opt.ack ? "each 486 acknowledged" : opt.cancel ? "each INVITE followed by a CANCEL"
                                                       : "no ACK",
        opt.distinct ? "a caller each" : "one caller");
    floodSample("before");
    sip::LibraryHoldings h;
    for (int i = 0; i < int(sip::MaxCalls); ++i)
        caller.send("INVITE", "hold" + std::to_string(i));
    waitFor([&] { return sip::libraryHoldings(&h) == sip::Success && h.calls >= int(sip::MaxCalls); });
    floodSample("slots taken");
    int busy = 0, other = 0;
    std::map<std::string, int> cancelAnswers; // by status code
    auto drain = [&] {
        caller.drain([&](const std::string& reply) {
            if (reply.rfind("SIP/2.0 486 ", 0) != 0) {
                other += reply.rfind("SIP/2.0 100 ", 0) != 0 && reply.find(" CANCEL\r\n") == std::string::npos;
                if (reply.find(" CANCEL\r\n") != std::string::npos)
                    ++cancelAnswers[reply.substr(8, 3)];
                return;
            }
            ++busy;
            if (!opt.ack)
                return;
            size_t at = reply.find("\r\nCall-ID: ");
            if (at != std::string::npos) {
                at += 11;
                std::string id = reply.substr(at, reply.find("\r\n", at) - at);
                caller.send("ACK", id, opt.distinct ? id : "refused");
            }
        });
    };
    auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        std::string id = "rf" + std::to_string(i);
        caller.send("INVITE", id, opt.distinct ? id : "refused");
        if (opt.cancel)
            caller.send("CANCEL", id, opt.distinct ? id : "refused");
        drain();
        std::this_thread::sleep_until(t0 + std::chrono::microseconds(1000000LL * (i + 1) / rate));
    }
    for (auto end = Clock::now() + 2s; Clock::now() < end; std::this_thread::sleep_for(10ms))
        drain();
    std::printf("sent %d: answers %d 486, %d other than 100", count, busy, other);
    for (const auto& [code, n] : cancelAnswers)
        std::printf(", %d %s to a CANCEL", n, code.c_str());
    std::printf("\n");
    floodSample("at its end");
    for (int waited = 0; waited < pause; waited += 10) {
        for (auto end = Clock::now() + std::chrono::seconds(std::min(10, pause - waited)); Clock::now() < end; std::this_thread::sleep_for(50ms))
            drain();
        char when[32];
        std::snprintf(when, sizeof when, "%d s later", std::min(pause, waited + 10));
        floodSample(when);
    }
    std::printf("486 answers (with retransmissions) %d\n", busy);
    for (int i = 0; i < int(sip::MaxCalls); ++i)
        caller.send("CANCEL", "hold" + std::to_string(i));
    waitFor([&] { return sip::libraryHoldings(&h) == sip::Success && h.calls == 0; });
    std::this_thread::sleep_for(1s);
    floodSample("slot holders cancelled");
    malloc_trim(0);
    floodSample("after malloc_trim");
    sip::destroy();
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "refuse") {
        RefuseOptions opt;
        for (int i = 5; i < argc; ++i) {
            std::string w = argv[i];
            opt.ack = opt.ack || w == "ack";
            opt.cancel = opt.cancel || w == "cancel";
            opt.distinct = opt.distinct || w == "distinct";
        }
        return refuseMode(std::max(1, std::atoi(argv[2])), argc > 3 ? std::max(1, std::atoi(argv[3])) : 200, argc > 4 ? std::max(0, std::atoi(argv[4])) : 60, opt);
    }
    if (argc >= 4 && argc <= 6 && std::string(argv[1]) == "flood")
        return floodMode(std::max(1, std::atoi(argv[2])), std::max(1, std::atoi(argv[3])), argc > 4 ? std::max(1, std::atoi(argv[4])) : 2,
            argc > 5 ? std::max(0, std::atoi(argv[5])) : 60);
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s latency|footprint SERVER USER PASSWORD NUMBER ROUNDS|SECONDS\n       %s flood RATE SECONDS [ROUNDS [PAUSE]]\n", argv[0], argv[0]);
        return 2;
    }
    std::string mode = argv[1], server = argv[2], user = argv[3], pw = argv[4], number = argv[5];
    int n = std::max(1, std::atoi(argv[6]));
    std::string uri = "<sip:" + number + "@" + server + ">";
    long rssLoaded = rssKb();
    if (!setUp()) {
        std::fprintf(stderr, "engine set-up failed\n");
        return 1;
    }
    if (mode == "latency") {
        std::vector<double> reg, call;
        for (int i = 0; i < n; ++i) {
            int acc = -1, callId = -1;
            auto t0 = Clock::now();
            if (!addAndRegister(account(server, user, pw), &acc)) {
                std::fprintf(stderr, "registration %d failed\n", i);
                break;
            }
            reg.push_back(ms(Clock::now() - t0));
            t0 = Clock::now();
            if (!placeCall(acc, uri, &callId)) {
                std::fprintf(stderr, "call %d not confirmed\n", i);
                break;
            }
            call.push_back(ms(Clock::now() - t0));
            hangUp(callId);
            sip::accDel(acc);
            std::this_thread::sleep_for(100ms);
        }
        std::printf("engine (in process): registration median %.1f ms, INVITE to confirmed median %.1f ms (%zu rounds)\n",
            median(reg), median(call), call.size());
    } else {
        int acc = -1, callId = -1;
        if (!addAndRegister(account(server, user, pw), &acc))
            return 1;
        sip::accSetOnlineStatus(acc, true);
        std::this_thread::sleep_for(500ms);
        long rssIdle = rssKb();
        double cpuIdle = cpuPercent(n);
        if (!placeCall(acc, uri, &callId))
            return 1;
        std::this_thread::sleep_for(500ms);
        long rssCall = rssKb();
        double cpuCall = cpuPercent(n);
        hangUp(callId);
        std::printf("engine RSS: %.1f MB with libraries loaded, %.1f MB started and registered, %.1f MB in a call\n",
            rssLoaded / 1024.0, rssIdle / 1024.0, rssCall / 1024.0);
        std::printf("engine CPU (one core, %d s windows): %.2f %% idle and registered, %.2f %% in a call (%s audio)\n",
            n, cpuIdle, cpuCall, sip::usesFileAudio() ? "file" : "device");
    }
    sip::destroy();
    return 0;
}
