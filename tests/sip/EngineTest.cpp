// SIP engine tests: lifecycle, transports, codecs, accounts, presence and calls against the testbed.
#include "Testbed.h"

#include "sip/Sip.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>

#include <atomic>
#include <map>

using namespace zuvi;
using namespace std::chrono_literals;
using test::LogLine;
using test::waitFor;
namespace fs = std::filesystem;

namespace {

test::TempHome* g_home = nullptr;
test::Testbed* g_bed = nullptr;
test::Fixture g_fx;

// What the callbacks saw, in order.
struct Recorder {
    std::mutex m;
    std::vector<std::pair<int, sip::CallInfo>> states; // (call id, info at the event)
    std::vector<int> media;
    std::vector<int> incoming;

    void clear()
    {
        std::lock_guard l(m);
        states.clear();
        media.clear();
        incoming.clear();
    }
    bool sawState(int callId, sip::InvState s)
    {
        std::lock_guard l(m);
        for (auto& [id, info] : states)
            if (id == callId && info.state == s)
                return true;
        return false;
    }
    sip::CallInfo last(int callId)
    {
        std::lock_guard l(m);
        for (auto it = states.rbegin(); it != states.rend(); ++it)
            if (it->first == callId)
                return it->second;
        return {};
    }
};
Recorder g_rec;

sip::Config recordingConfig()
{
    sip::Config cfg = sip::configDefault();
    cfg.userAgent = "d.c";
    cfg.cb.onCallState = [](int callId, const sip::CallEvent&) {
        sip::CallInfo info;
        sip::callGetInfo(callId, &info); // a handler calling back into the engine runs directly
        std::lock_guard l(g_rec.m);
        g_rec.states.emplace_back(callId, info);
    };
    cfg.cb.onCallMediaState = [](int callId) {
        sip::CallInfo info;
        if (sip::callGetInfo(callId, &info) == sip::Success && info.mediaStatus == sip::MediaStatus::Active) {
            sip::confConnect(info.confSlot, 0);
            sip::confConnect(0, info.confSlot);
        }
        std::lock_guard l(g_rec.m);
        g_rec.media.push_back(callId);
    };
    cfg.cb.onIncomingCall = [](int, int callId, const sip::IncomingData&) {
        std::lock_guard l(g_rec.m);
        g_rec.incoming.push_back(callId);
    };
    return cfg;
}

constexpr int MaxSlotsPlusOne = sip::MaxCalls + 1;

std::string localPortOf(unsigned port) { return "127.0.0.1:" + std::to_string(port); }

// A bare SIP user agent on a UDP socket that sends INVITE / CANCEL straight to the engine.
class RawUac {
public:
    explicit RawUac(unsigned target)
        : m_target(target)
    {
        m_sock = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in me{};
        me.sin_family = AF_INET;
        me.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_sock, reinterpret_cast<sockaddr*>(&me), sizeof me);
        socklen_t len = sizeof me;
        getsockname(m_sock, reinterpret_cast<sockaddr*>(&me), &len);
        m_port = ntohs(me.sin_port);
        timeval tv{0, 100000};
        setsockopt(m_sock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~RawUac() { close(m_sock); }

    unsigned port() const { return static_cast<unsigned>(m_port); }

    // The first request of that method received within `during` (empty if none).
    std::string receive(const std::string& method, std::chrono::milliseconds during)
    {
        auto end = std::chrono::steady_clock::now() + during;
        char buf[8192];
        while (std::chrono::steady_clock::now() < end) {
            ssize_t n = recv(m_sock, buf, sizeof buf, 0);
            if (n > 0 && std::string(buf, size_t(n)).rfind(method + " ", 0) == 0)
                return std::string(buf, size_t(n));
        }
        return {};
    }

    void send(const std::string& method, const std::string& callId)
    {
        std::string sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                          "m=audio 40000 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n";
        std::string m = method + " sip:80001@127.0.0.1:" + std::to_string(m_target) + " SIP/2.0\r\n"
                                                                                      "Via: SIP/2.0/UDP 127.0.0.1:"
            + std::to_string(m_port) + ";branch=z9hG4bK" + callId + ";rport\r\n"
                                                                    "Max-Forwards: 70\r\n"
                                                                    "From: <sip:"
            + callId + "@127.0.0.1>;tag=ft" + callId + "\r\nTo: <sip:80001@127.0.0.1>\r\n"
                                                       "Call-ID: "
            + callId + "\r\nCSeq: 1 " + method + "\r\n"
                                                 "Contact: <sip:13900000009@127.0.0.1:"
            + std::to_string(m_port) + ">\r\n";
        if (method == "INVITE")
            m += "Content-Type: application/sdp\r\nContent-Length: " + std::to_string(sdp.size()) + "\r\n\r\n" + sdp;
        else
            m += "Content-Length: 0\r\n\r\n";
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(m_target));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(m_sock, m.data(), m.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // Status lines and CSeq of the responses received during `during`: "SIP/2.0 100 Trying / 1 INVITE".
    std::vector<std::string> collect(std::chrono::milliseconds during)
    {
        std::vector<std::string> got;
        auto end = std::chrono::steady_clock::now() + during;
        char buf[8192];
        while (std::chrono::steady_clock::now() < end) {
            ssize_t n = recv(m_sock, buf, sizeof buf, 0);
            if (n > 0) {
                std::string msg(buf, size_t(n));
                std::string first = msg.substr(0, msg.find("\r\n"));
                size_t cseq = msg.find("CSeq: ");
                got.push_back(first + " / " + msg.substr(cseq + 6, msg.find("\r\n", cseq) - cseq - 6));
            }
        }
        return got;
    }

private:
    int m_sock = -1;
    int m_port = 0;
    unsigned m_target;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_rec.clear();
        ASSERT_EQ(sip::create(), sip::Success);
        ASSERT_EQ(sip::init(recordingConfig()), sip::Success);
        ASSERT_EQ(sip::start(), sip::Success);
        ASSERT_EQ(sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault()), sip::Success);
        ASSERT_EQ(sip::transportGetPort(sip::TransportType::Udp, &m_port), sip::Success);
    }
    void TearDown() override { sip::destroy(); }

    sip::AccConfig account(const std::string& user, const std::string& pw) const
    {
        sip::AccConfig c = sip::accConfigDefault();
        c.id = "sip:" + user + "@" + g_bed->server();
        c.regUri = "sip:" + g_bed->server();
        c.regTimeout = 3600;
        c.publishEnabled = true;
        c.allowContactRewrite = false;
        c.cred.push_back({"*", "Digest", user, 0, pw});
        return c;
    }

    // Requests that came from this engine's transport.
    std::vector<LogLine> ours(const std::string& method = {}) const
    {
        std::string src = localPortOf(m_port);
        return g_bed->lines("REQ", [&](const LogLine& f) {
            return f.size() > 8 && f[8] == src && (method.empty() || f[3] == method);
        });
    }

    std::vector<LogLine> publishes(const std::string& user) const
    {
        return g_bed->lines("PUBLISH", [&](const LogLine& f) { return f.size() > 5 && f[3] == user; });
    }

    int registered(const std::string& user) const
    {
        return static_cast<int>(g_bed->lines("REGOK", [&](const LogLine& f) { return f.size() > 5 && f[3] == user && f[5] == "d.c"; }).size());
    }

    int addRegistered(const std::string& user, const std::string& pw)
    {
        int id = -1;
        int before = registered(user);
        EXPECT_EQ(sip::accAdd(account(user, pw), false, &id), sip::Success);
        EXPECT_TRUE(waitFor([&] { return registered(user) > before; })) << "no registration for " << user;
        return id;
    }

    int call(const std::string& number)
    {
        int id = -1;
        EXPECT_EQ(sip::callMakeCall(m_acc, "<sip:" + number + "@" + g_bed->server() + ">", nullptr, &id), sip::Success);
        return id;
    }

    unsigned m_port = 0;
    int m_acc = 0;
};

TEST(EngineLifecycle, EveryOperationFailsCleanlyWithoutAStack)
{
    int id = 7;
    EXPECT_EQ(sip::accAdd(sip::accConfigDefault(), false, &id), sip::ENotInit);
    EXPECT_EQ(id, 7);
    EXPECT_FALSE(sip::accIsValid(0));
    EXPECT_EQ(sip::callMakeCall(0, "sip:1@127.0.0.1", nullptr, &id), sip::ENotInit);
    EXPECT_EQ(sip::callHangup(0, 0), sip::ENotInit);
    EXPECT_EQ(sip::destroy(), sip::ENotInit);

    // A failed init: the caller destroys, and the stack is gone for every later call.
    ASSERT_EQ(sip::create(), sip::Success);
    sip::Config bad = sip::configDefault();
    bad.useSrtp = true;
    EXPECT_NE(sip::init(bad), sip::Success);
    EXPECT_NE(sip::start(), sip::Success);
    EXPECT_EQ(sip::destroy(), sip::Success);
    EXPECT_EQ(sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault()), sip::ENotInit);
    EXPECT_EQ(sip::verifySipUrl("sip:1@127.0.0.1"), sip::ENotInit);
    bool ran = false;
    EXPECT_EQ(sip::run([&] { ran = true; }), sip::ENotInit);
    EXPECT_FALSE(ran);
}

// An engine in a child process with its scratch under `runtime`, registered with the fixture's
// SIP account when `account`; it writes a line on `ready` once set up, then waits for its end:
// exit without destroy() ("exit"), or a kill from the parent ("wait").
pid_t forkEngine(const std::string& runtime, bool account, const std::string& then, int* ready)
{
    int p[2];
    if (pipe(p) != 0)
        return -1;
    pid_t pid = fork();
    if (pid != 0) {
        close(p[1]);
        *ready = p[0];
        return pid;
    }
    close(p[0]);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    bool ok = sip::create() == sip::Success && sip::init(recordingConfig()) == sip::Success && sip::start() == sip::Success;
    if (ok && account) {
        ok = sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault()) == sip::Success;
        sip::AccConfig c = sip::accConfigDefault();
        c.id = "sip:" + g_fx.sipId + "@" + g_bed->server();
        c.regUri = "sip:" + g_bed->server();
        c.cred.push_back({"*", "Digest", g_fx.sipId, 0, g_fx.sipPw});
        int before = static_cast<int>(g_bed->lines("REGOK", [](const LogLine& f) { return f.size() > 3 && f[3] == g_fx.sipId; }).size());
        int id = -1;
        ok = ok && sip::accAdd(c, false, &id) == sip::Success && waitFor([&] {
            return static_cast<int>(g_bed->lines("REGOK", [](const LogLine& f) { return f.size() > 3 && f[3] == g_fx.sipId; }).size()) > before;
        });
    }
    (void)!write(p[1], ok ? "ok\n" : "no\n", 3);
    if (then == "wait")
        pause();
    std::exit(ok ? 0 : 3);
}

bool readyOk(int fd)
{
    char buf[3] = {};
    bool ok = read(fd, buf, 3) == 3 && buf[0] == 'o';
    close(fd);
    return ok;
}

std::vector<fs::path> scratchFolders(const std::string& runtime)
{
    std::vector<fs::path> out;
    for (auto& e : fs::directory_iterator(runtime))
        if (e.path().filename().string().rfind("zuvi-sip-", 0) == 0)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// A process that ends without destroy() leaves no scratch folder behind.
TEST(EngineLifecycle, ExitWithoutDestroyRemovesTheFolder)
{
    std::string runtime = g_home->dir() + "/exit-runtime";
    fs::create_directories(runtime);
    int ready = -1;
    pid_t pid = forkEngine(runtime, false, "exit", &ready);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(readyOk(ready));
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(scratchFolders(runtime).empty()); // libpulse's own "pulse" may stay
}

// The scratch folder lives under $XDG_RUNTIME_DIR and no file anywhere holds the SIP password;
// a killed engine's folder stays until the next engine starts, which removes it but leaves a
// live engine's folder alone.
TEST(EngineLifecycle, ScratchHoldsNoPasswordAndAKilledEnginesFolderGoesAtTheNextStart)
{
    std::string runtime = g_home->dir() + "/kill-runtime";
    fs::create_directories(runtime);
    int ready = -1;
    pid_t killed = forkEngine(runtime, true, "wait", &ready);
    ASSERT_GT(killed, 0);
    ASSERT_TRUE(readyOk(ready)) << "the engine did not register";
    auto first = scratchFolders(runtime);
    ASSERT_EQ(first.size(), 1u);
    for (auto& e : fs::recursive_directory_iterator(g_home->dir())) {
        if (!e.is_regular_file() || e.path().string().find("/testbed") != std::string::npos)
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes.find(g_fx.sipPw), std::string::npos) << "password in " << e.path();
    }
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    EXPECT_EQ(scratchFolders(runtime), first) << "a kill runs no clean-up";

    pid_t live = forkEngine(runtime, false, "wait", &ready);
    ASSERT_TRUE(readyOk(ready));
    auto second = scratchFolders(runtime);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second, first) << "the killed engine's folder is still there";
    pid_t third = forkEngine(runtime, false, "exit", &ready);
    EXPECT_TRUE(readyOk(ready));
    waitpid(third, nullptr, 0);
    EXPECT_EQ(scratchFolders(runtime), second) << "a live engine's folder went";
    kill(live, SIGKILL);
    waitpid(live, nullptr, 0);
}

TEST_F(EngineTest, AudioDevicesListedAndTlsNeverAvailable)
{
    std::vector<sip::AudioDevInfo> devices;
    EXPECT_EQ(sip::enumAudioDevices(&devices), sip::Success);
    EXPECT_TRUE(sip::usesFileAudio()); // ZUVI_SIP_FILE_AUDIO=1
    sip::TransportConfig t = sip::transportConfigDefault();
    t.port = 5061;
    EXPECT_NE(sip::transportCreate(sip::TransportType::Tls, t), sip::Success);
    t.port = 0;
    EXPECT_NE(sip::transportCreate(sip::TransportType::Tls, t), sip::Success);
}

TEST_F(EngineTest, SipUrlCheck)
{
    struct Case {
        const char* url;
        bool ok;
    };
    for (Case c : {Case{"<sip:13900000001@127.0.0.1:5070>", true}, {"sip:1@host", true}, {"sip:host", true},
             {"<sip:@127.0.0.1:5070>", false}, {"13900000001", false}, {"", false}, {"<sip:>", false},
             {"http://x", false}})
        EXPECT_EQ(sip::verifySipUrl(c.url) == sip::Success, c.ok) << c.url;
}

// A job run on the worker makes its engine calls there, directly, and its caller waits for it.
TEST_F(EngineTest, RunDoesItsStepsOnTheWorkerAndTheCallerWaits)
{
    std::thread::id worker;
    sip::Status url = sip::EFailed, nested = sip::EFailed;
    ASSERT_EQ(sip::run([&] {
        worker = std::this_thread::get_id();
        url = sip::verifySipUrl("sip:1@127.0.0.1");
        nested = sip::run([&] { EXPECT_EQ(std::this_thread::get_id(), worker); });
    }),
        sip::Success);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_EQ(url, sip::Success);
    EXPECT_EQ(nested, sip::Success);
    EXPECT_EQ(sip::run({}), sip::EInvalidArg);
}

TEST_F(EngineTest, CodecsRankedWithTopFourSpeexAndOpus)
{
    std::vector<sip::CodecInfo> top;
    ASSERT_EQ(sip::enumCodecs(&top, 4), sip::Success);
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top[0].codecId.rfind("speex/16000", 0), 0u);
    EXPECT_EQ(top[1].codecId.rfind("speex/8000", 0), 0u);
    EXPECT_EQ(top[2].codecId.rfind("speex/32000", 0), 0u);
    for (auto& c : top)
        ASSERT_EQ(sip::codecSetPriority(c.codecId, 0), sip::Success);
    std::vector<sip::CodecInfo> all;
    ASSERT_EQ(sip::enumCodecs(&all), sip::Success);
    std::vector<std::string> enabled;
    for (auto& c : all)
        if (c.priority > 0)
            enabled.push_back(c.codecId.substr(0, c.codecId.find('/', c.codecId.find('/') + 1)));
    EXPECT_EQ(enabled, (std::vector<std::string>{"GSM/8000", "PCMU/8000", "PCMA/8000", "G722/16000"}));
    EXPECT_EQ(sip::codecSetPriority("iLBC", 0), sip::ENotFound);
}

TEST_F(EngineTest, AccountTableOfEightLowestFreeId)
{
    std::vector<int> ids;
    for (int i = 0; i < 8; ++i) {
        int id = -1;
        ASSERT_EQ(sip::accAdd(account("7000" + std::to_string(i), "x"), false, &id), sip::Success);
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    int id = 42;
    EXPECT_EQ(sip::accAdd(account("70009", "x"), false, &id), sip::ETooMany);
    EXPECT_EQ(id, 42);
    EXPECT_EQ(sip::accGetDefault(), 0);
    EXPECT_EQ(sip::accDel(3), sip::Success);
    EXPECT_FALSE(sip::accIsValid(3));
    EXPECT_EQ(sip::accDel(3), sip::EInvalidArg);
    ASSERT_EQ(sip::accAdd(account("70003", "x"), false, &id), sip::Success);
    EXPECT_EQ(id, 3);
    // Deleting the default account leaves id 0 as the default.
    EXPECT_EQ(sip::accDel(0), sip::Success);
    EXPECT_EQ(sip::accGetDefault(), 0);
    EXPECT_FALSE(sip::accIsValid(0));
    // An identity without a user is refused.
    EXPECT_EQ(sip::accAdd(account("", ""), false, &id), sip::EInvalidUri);
}

TEST_F(EngineTest, RegisterWithDigestThenPublishOnlineOfflineAndDelete)
{
    std::string user = g_fx.sipId;
    int id = addRegistered(user, g_fx.sipPw);
    // REGISTER for sip:user@server to the registrar sip:server, 3600 s, challenged then authorised.
    auto regs = ours("REGISTER");
    ASSERT_GE(regs.size(), 2u);
    EXPECT_EQ(regs[0][5], "sip:" + g_bed->server());
    EXPECT_EQ(regs[0][6], "sip:" + user + "@127.0.0.1");
    EXPECT_EQ(regs[0][7], "3600");
    auto regok = g_bed->lines("REGOK", [&](const LogLine& f) { return f[3] == user; });
    ASSERT_FALSE(regok.empty());

    ASSERT_TRUE(waitFor([&] { return publishes(user).size() == 1; })) << "no PUBLISH once registered";
    EXPECT_EQ(publishes(user)[0][5], "open");
    ASSERT_EQ(sip::accSetOnlineStatus(id, true), sip::Success);
    ASSERT_TRUE(waitFor([&] { return publishes(user).size() == 2; }));
    ASSERT_EQ(sip::accSetOnlineStatus(id, false), sip::Success);
    ASSERT_TRUE(waitFor([&] { return publishes(user).size() == 3; }));
    EXPECT_EQ(publishes(user)[2][5], "closed");

    ASSERT_EQ(sip::accDel(id), sip::Success);
    EXPECT_TRUE(waitFor([&] {
        auto r = ours("REGISTER");
        return !r.empty() && r.back()[7] == "0";
    })) << "no REGISTER with expiry 0";
    EXPECT_TRUE(waitFor([&] {
        auto p = publishes(user);
        return !p.empty() && p.back()[4] == "0";
    })) << "publication not ended";
}

TEST_F(EngineTest, WrongPasswordIsRefusedAndNothingThrows)
{
    int id = -1;
    ASSERT_EQ(sip::accAdd(account(g_fx.sipId, "wrong"), false, &id), sip::Success);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(registered(g_fx.sipId + "-never"), 0);
    EXPECT_TRUE(sip::accIsValid(id));
}

TEST_F(EngineTest, AnsweredCallEndedEitherSideReads200)
{
    m_acc = addRegistered(g_fx.sipId, g_fx.sipPw);
    for (bool farEndHangsUp : {false, true}) {
        g_rec.clear();
        int id = call(g_fx.answer);
        ASSERT_TRUE(waitFor([&] { return g_rec.sawState(id, sip::InvState::Confirmed); }));
        ASSERT_TRUE(waitFor([&] { std::lock_guard l(g_rec.m); return !g_rec.media.empty(); }));
        sip::CallInfo info;
        ASSERT_EQ(sip::callGetInfo(id, &info), sip::Success);
        EXPECT_EQ(info.mediaStatus, sip::MediaStatus::Active);
        EXPECT_EQ(info.confSlot, id + 1);
        EXPECT_EQ(sip::confAdjustTxLevel(info.confSlot, 0.5f), sip::Success);
        EXPECT_EQ(sip::confAdjustRxLevel(info.confSlot, 1.0f), sip::Success);
        EXPECT_EQ(sip::confAdjustRxLevel(MaxSlotsPlusOne, 1.0f), sip::EInvalidArg);
        EXPECT_EQ(sip::confConnect(MaxSlotsPlusOne, 0), sip::EInvalidArg);
        std::this_thread::sleep_for(1100ms);
        if (farEndHangsUp)
            g_bed->farEndCommand("answer", "/hangup");
        else
            ASSERT_EQ(sip::callHangup(id, 0), sip::Success);
        ASSERT_TRUE(waitFor([&] { return g_rec.sawState(id, sip::InvState::Disconnected); }));
        sip::CallInfo end = g_rec.last(id);
        EXPECT_EQ(end.lastStatus, 200) << (farEndHangsUp ? "far end hung up" : "we hung up");
        EXPECT_GE(end.connectDurationMs, 1000);
        EXPECT_FALSE(sip::callIsActive(id));
        EXPECT_EQ(sip::callHangup(id, 0), sip::EInvalidArg); // the ended call is refused
    }
    EXPECT_EQ(ours("BYE").size(), 1u);
}

TEST_F(EngineTest, CancelledUnknownAndBusyCalls)
{
    m_acc = addRegistered(g_fx.sipId, g_fx.sipPw);
    // Ringing, then hung up: CANCEL and 487.
    int id = call(g_fx.ring);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(id, sip::InvState::Early); }));
    ASSERT_EQ(sip::callHangup(id, 0), sip::Success);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(id, sip::InvState::Disconnected); }));
    EXPECT_EQ(g_rec.last(id).lastStatus, 487);
    EXPECT_TRUE(waitFor([&] { return ours("CANCEL").size() == 1; }));

    struct Case {
        std::string number;
        int status;
    };
    for (const Case& c : {Case{"19999999999", 404}, Case{g_fx.busy, 486}}) {
        g_rec.clear();
        int cid = call(c.number);
        ASSERT_TRUE(waitFor([&] { return g_rec.sawState(cid, sip::InvState::Disconnected); })) << c.number;
        EXPECT_EQ(g_rec.last(cid).lastStatus, c.status) << c.number;
    }
}

TEST_F(EngineTest, SecondCallDoesNotHoldTheFirstAndTableHoldsFour)
{
    m_acc = addRegistered(g_fx.sipId, g_fx.sipPw);
    int first = call(g_fx.answer);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(first, sip::InvState::Confirmed); }));
    int second = call(g_fx.ring);
    EXPECT_NE(second, first);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(second, sip::InvState::Early); }));
    std::this_thread::sleep_for(300ms);
    sip::CallInfo info;
    ASSERT_EQ(sip::callGetInfo(first, &info), sip::Success);
    EXPECT_EQ(info.state, sip::InvState::Confirmed);
    EXPECT_EQ(info.mediaStatus, sip::MediaStatus::Active);
    EXPECT_EQ(ours("INVITE").size(), 2u) << "a re-INVITE put the first call on hold";

    // Two pending incoming calls take the remaining slots of the table of four.
    RawUac uac(m_port);
    uac.send("INVITE", "zuvi-fill-1");
    uac.send("INVITE", "zuvi-fill-2");
    ASSERT_TRUE(waitFor([] { std::lock_guard l(g_rec.m); return g_rec.incoming.size() == 2; }));
    int third = g_rec.incoming[0], fourth = g_rec.incoming[1];
    EXPECT_EQ(std::vector<int>({first, second, third, fourth}), std::vector<int>({0, 1, 2, 3}));
    EXPECT_EQ(sip::callGetCount(), 4u);
    int fifth = 9;
    EXPECT_EQ(sip::callMakeCall(m_acc, "sip:" + g_fx.ring + "@" + g_bed->server(), nullptr, &fifth), sip::ETooMany);
    EXPECT_EQ(fifth, 9);
    for (int id : {first, second, third, fourth})
        sip::callHangup(id, 0);
    EXPECT_TRUE(waitFor([] { return sip::callGetCount() == 0; }));
}

TEST_F(EngineTest, EveryRequestCarriesUserAgentDc)
{
    m_acc = addRegistered(g_fx.sipId, g_fx.sipPw);
    int id = call(g_fx.answer);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(id, sip::InvState::Confirmed); }));
    sip::callHangup(id, 0);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(id, sip::InvState::Disconnected); }));
    int r = call(g_fx.ring);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(r, sip::InvState::Early); }));
    sip::callHangup(r, 0);
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(r, sip::InvState::Disconnected); }));
    sip::accDel(m_acc);
    std::this_thread::sleep_for(300ms);
    // The transaction layer's ACK to a non-2xx final response (here the 487 after CANCEL) is
    // built by the library without headers of ours; every other request carries "d.c".
    std::map<std::string, int> methods;
    for (auto& f : ours()) {
        if (f[3] != "ACK") {
            EXPECT_EQ(f[4], "d.c") << f[3];
        }
        if (f[4] == "d.c")
            methods[f[3]]++;
    }
    for (const char* m : {"REGISTER", "PUBLISH", "INVITE", "ACK", "BYE", "CANCEL"})
        EXPECT_GT(methods[m], 0) << m;
}

// Voice activity detection follows no_vad: with it on (the default), the offer carries comfort
// noise for the silences it leaves out.
TEST(EngineMedia, OfferCarriesComfortNoiseUnlessNoVad)
{
    for (bool noVad : {false, true}) {
        ASSERT_EQ(sip::create(), sip::Success);
        sip::MediaConfig media = sip::mediaConfigDefault();
        media.noVad = noVad;
        ASSERT_EQ(sip::init(recordingConfig(), &media), sip::Success);
        ASSERT_EQ(sip::start(), sip::Success);
        ASSERT_EQ(sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault()), sip::Success);
        RawUac far(0);
        sip::AccConfig acc = sip::accConfigDefault();
        acc.id = "sip:80001@127.0.0.1";
        acc.regUri = "sip:127.0.0.1:" + std::to_string(far.port()); // the far end, never registered at
        acc.registerOnAdd = false;
        int accId = -1, callId = -1;
        ASSERT_EQ(sip::accAdd(acc, false, &accId), sip::Success);
        ASSERT_EQ(sip::callMakeCall(accId, "sip:1@127.0.0.1:" + std::to_string(far.port()), nullptr, &callId), sip::Success);
        std::string invite = far.receive("INVITE", 3s);
        size_t m = invite.find("m=audio ");
        ASSERT_NE(m, std::string::npos) << "no offer";
        // Comfort noise is the static payload type 13 (no rtpmap line needed).
        std::string formats = invite.substr(m, invite.find("\r\n", m) - m) + " ";
        EXPECT_EQ(formats.find(" 13 ") != std::string::npos, !noVad) << "no_vad " << noVad << ": " << formats;
        sip::destroy();
    }
}

// A raw INVITE straight to the engine's port: 100 Trying and nothing more until CANCEL.
TEST_F(EngineTest, IncomingInviteGetsTryingOnlyAndStaysPending)
{
    RawUac uac(m_port);
    uac.send("INVITE", "zuvi-incoming-1");
    auto replies = uac.collect(2500ms);
    ASSERT_FALSE(replies.empty());
    for (auto& r : replies)
        EXPECT_EQ(r, "SIP/2.0 100 Trying / 1 INVITE");
    EXPECT_EQ(sip::callGetCount(), 1u);
    {
        std::lock_guard l(g_rec.m);
        EXPECT_EQ(g_rec.incoming.size(), 1u);
    }
    uac.send("CANCEL", "zuvi-incoming-1");
    replies = uac.collect(500ms);
    auto has = [&](const std::string& prefix) {
        return std::any_of(replies.begin(), replies.end(), [&](const std::string& r) { return r.rfind(prefix, 0) == 0; });
    };
    EXPECT_TRUE(has("SIP/2.0 200")) << "CANCEL not answered";
    EXPECT_TRUE(has("SIP/2.0 487")) << "INVITE not terminated";
    ASSERT_TRUE(waitFor([&] { return g_rec.sawState(0, sip::InvState::Disconnected); }));
    EXPECT_EQ(g_rec.last(0).lastStatus, 487);
    EXPECT_EQ(sip::callGetCount(), 0u);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test::TestbedEnvironment(5170, g_home, g_bed, g_fx));
    return RUN_ALL_TESTS();
}
