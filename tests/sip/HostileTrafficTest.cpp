// SIP engine tests: malformed and fuzzed traffic to the engine's ports leaves it running and able to call.
#include "SipFuzz.h"
#include "Testbed.h"

#include "sip/ParserGuard.h"
#include "sip/Sip.h"

#include <gtest/gtest.h>

#include <execinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <set>

using namespace zuvi;
using namespace std::chrono_literals;
using test::waitFor;
namespace fs = std::filesystem;

namespace {

test::TempHome* g_home = nullptr;
test::Testbed* g_bed = nullptr;
test::Fixture g_fx;

// One line from a descriptor, at most `timeout` of waiting.
std::string readLine(int fd, std::chrono::milliseconds timeout)
{
    std::string line;
    auto end = std::chrono::steady_clock::now() + timeout;
    char c = 0;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        if (read(fd, &c, 1) != 1)
            break;
        if (c == '\n')
            return line;
        line += c;
    }
    return line;
}

// The engine in a child process, registered at the testbed and driven by line commands, so
// that a crash shows as the child's end instead of the test's. With `countObjects`, belle-sip
// counts its live objects (command "objects").
class Target {
public:
    explicit Target(bool countObjects = false)
    {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(toChild[1]);
            close(fromChild[0]);
            if (countObjects)
                setenv("ZUVI_SIP_COUNT_OBJECTS", "1", 1);
            _exit(run(toChild[0], fromChild[1]));
        }
        close(toChild[0]);
        close(fromChild[1]);
        m_in = toChild[1];
        m_out = fromChild[0];
        std::string ports = readLine(m_out, 10s);
        std::sscanf(ports.c_str(), "%u %u", &m_udp, &m_tcp);
    }
    ~Target()
    {
        if (m_pid > 0 && alive())
            kill(m_pid, SIGKILL);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
        close(m_in);
        close(m_out);
    }

    unsigned udp() const { return m_udp; }
    unsigned tcp() const { return m_tcp; }

    bool alive()
    {
        if (m_exited)
            return false;
        if (waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_exited = true;
        return !m_exited;
    }

    std::string command(const std::string& cmd, std::chrono::milliseconds timeout = 20s)
    {
        std::string line = cmd + "\n";
        if (write(m_in, line.data(), line.size()) != ssize_t(line.size()))
            return "no target";
        return readLine(m_out, timeout);
    }

    // "exit N" or "signal N" once the child has ended.
    std::string end()
    {
        if (!m_exited && waitpid(m_pid, &m_status, 0) == m_pid)
            m_exited = true;
        if (WIFSIGNALED(m_status))
            return "signal " + std::to_string(WTERMSIG(m_status));
        return "exit " + std::to_string(WEXITSTATUS(m_status));
    }

private:
    // A crash in the child prints its stack on standard error before it ends.
    static void onCrash(int sig)
    {
        void* frames[64];
        int n = backtrace(frames, 64);
        backtrace_symbols_fd(frames, n, 2);
        signal(sig, SIG_DFL);
        raise(sig);
    }

    static int run(int in, int out)
    {
        for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE})
            signal(sig, onCrash);
        auto say = [out](const std::string& s) {
            std::string line = s + "\n";
            return write(out, line.data(), line.size()) == ssize_t(line.size());
        };
        if (!sip::parserGuardActive() || sip::create() != sip::Success || sip::init(sip::configDefault()) != sip::Success || sip::start() != sip::Success)
            return 2;
        sip::transportCreate(sip::TransportType::Udp, sip::transportConfigDefault());
        sip::transportCreate(sip::TransportType::Tcp, sip::transportConfigDefault());
        sip::AccConfig acc = sip::accConfigDefault();
        acc.id = "sip:" + g_fx.sipId + "@" + g_bed->server();
        acc.regUri = "sip:" + g_bed->server();
        acc.cred.push_back({"*", "Digest", g_fx.sipId, 0, g_fx.sipPw});
        int accId = -1;
        if (sip::accAdd(acc, false, &accId) != sip::Success)
            return 3;
        unsigned udp = 0, tcp = 0;
        sip::transportGetPort(sip::TransportType::Udp, &udp);
        sip::transportGetPort(sip::TransportType::Tcp, &tcp);
        say(std::to_string(udp) + " " + std::to_string(tcp));
        for (;;) {
            std::string cmd = readLine(in, 600s);
            if (cmd == "call") {
                // Incoming calls the traffic left pending would hold the table: decline them.
                for (int id = 0; id < sip::MaxCalls; ++id)
                    if (sip::callIsActive(id))
                        sip::callHangup(id, 0);
                waitFor([] { return sip::callGetCount() == 0; });
                int callId = -1;
                sip::CallInfo info;
                bool placed = sip::callMakeCall(accId, "sip:" + g_fx.answer + "@" + g_bed->server(), nullptr, &callId) == sip::Success;
                bool confirmed = placed && waitFor([&] { return sip::callGetInfo(callId, &info) == sip::Success && info.state == sip::InvState::Confirmed; }, 10s);
                if (placed)
                    sip::callHangup(callId, 0);
                waitFor([] { return sip::callGetCount() == 0; });
                say(confirmed ? "confirmed" : placed ? "not answered"
                                                     : "not placed");
            } else if (cmd == "holdings") {
                sip::LibraryHoldings h;
                sip::libraryHoldings(&h);
                say(std::to_string(h.calls) + " calls " + std::to_string(h.callLogs) + " logs");
            } else if (cmd == "objects") {
                sip::LibraryHoldings h;
                sip::libraryHoldings(&h);
                say(std::to_string(h.objects));
            } else {
                return sip::destroy() == sip::Success ? 0 : 4;
            }
        }
    }

    pid_t m_pid = -1;
    int m_in = -1, m_out = -1;
    unsigned m_udp = 0, m_tcp = 0;
    int m_status = 0;
    bool m_exited = false;
};

class Sender {
public:
    Sender()
    {
        m_sock = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in me = loopback(0);
        bind(m_sock, reinterpret_cast<sockaddr*>(&me), sizeof me);
        socklen_t len = sizeof me;
        getsockname(m_sock, reinterpret_cast<sockaddr*>(&me), &len);
        m_port = ntohs(me.sin_port);
        int big = 1 << 20;
        setsockopt(m_sock, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        setsockopt(m_sock, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        timeval tv{0, 100000};
        setsockopt(m_sock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~Sender() { close(m_sock); }

    unsigned port() const { return m_port; }

    // One datagram that came to this socket, or nothing within 100 ms.
    std::string receive() const
    {
        char buf[4096];
        ssize_t n = recv(m_sock, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, size_t(n)) : std::string();
    }

    void udp(unsigned port, const std::string& data) const
    {
        sockaddr_in to = loopback(port);
        (void)sendto(m_sock, data.data(), std::min<size_t>(data.size(), 65507), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // Whether the target answers an OPTIONS within `timeout`. It goes from a socket of its own:
    // the engine keeps one channel per peer, and the fuzzed peer's channel may be waiting for
    // the rest of a message, as the softswitch's never is for junk of another peer.
    static bool answers(unsigned port, std::chrono::seconds timeout)
    {
        Sender probe;
        std::string me = std::to_string(probe.m_port);
        std::string options = "OPTIONS sip:80001@127.0.0.1:" + std::to_string(port) + " SIP/2.0\r\nVia: SIP/2.0/UDP 127.0.0.1:" + me + ";branch=z9hG4bKprobe;rport\r\nMax-Forwards: 70\r\nFrom: <sip:1@127.0.0.1:" + me + ">;tag=p\r\nTo: <sip:80001@127.0.0.1>\r\nCall-ID: probe" + me + "\r\nCSeq: 1 OPTIONS\r\nContent-Length: 0\r\n\r\n";
        auto end = std::chrono::steady_clock::now() + timeout;
        auto resend = std::chrono::steady_clock::now();
        char buf[4096];
        while (std::chrono::steady_clock::now() < end) {
            if (std::chrono::steady_clock::now() >= resend) {
                probe.udp(port, options);
                resend = std::chrono::steady_clock::now() + 1s;
            }
            ssize_t n = recv(probe.m_sock, buf, sizeof buf, 0);
            if (n > 0 && std::string(buf, size_t(n)).rfind("SIP/2.0 200", 0) == 0)
                return true;
        }
        return false;
    }

    // One connection: the data, a moment for the target to read it, then the close.
    static void tcp(unsigned port, const std::string& data)
    {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        timeval tv{1, 0}; // a full accept queue delays the connect
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        sockaddr_in to = loopback(port);
        if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
            (void)send(s, data.data(), data.size(), MSG_NOSIGNAL);
            std::this_thread::sleep_for(5ms);
        }
        close(s);
    }

private:
    static sockaddr_in loopback(unsigned port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }

    int m_sock = -1;
    unsigned m_port = 0;
};

unsigned envNumber(const char* name, unsigned fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? static_cast<unsigned>(std::strtoul(v, nullptr, 10)) : fallback;
}

TEST(HostileTraffic, EngineListensOnTheAddressLeadingToItsSoftswitchOnly)
{
    Target t;
    ASSERT_GT(t.udp(), 0u);
    // The softswitch is on loopback: no other interface reaches the ports.
    for (auto [type, port] : {std::pair{SOCK_DGRAM, t.udp()}, std::pair{SOCK_STREAM, t.tcp()}}) {
        std::ifstream proc(type == SOCK_DGRAM ? "/proc/net/udp" : "/proc/net/tcp");
        char hex[8];
        std::snprintf(hex, sizeof hex, ":%04X ", port);
        std::string line, local;
        while (std::getline(proc, line))
            if (line.find(hex) != std::string::npos && line.find(hex) < 20)
                local = line.substr(line.find(':') + 2, 8);
        EXPECT_EQ(local, "0100007F") << "port " << port << " bound to " << local << " (hex, little-endian)";
    }
    EXPECT_EQ(t.command("call"), "confirmed");
    EXPECT_EQ(t.command("quit", 10s), "");
    EXPECT_EQ(t.end(), "exit 0");
}

// The datagrams and connection that killed the engine (a headerless response, then enough bytes
// without a line end to fill the channel's buffer; the same start line on a TCP connection that
// closes; a multipart body without a boundary), then a fuzzer's mutations of SIP messages over
// UDP and TCP. The engine must still place a call, and shut down cleanly.
TEST(HostileTraffic, MalformedAndFuzzedMessagesLeaveTheEngineCalling)
{
    Target t;
    ASSERT_GT(t.udp(), 0u);
    ASSERT_GT(t.tcp(), 0u);
    Sender out;
    ASSERT_TRUE(Sender::answers(t.udp(), 10s));
    for (const std::string& d : {std::string("SIP/2.0 200 OK\r\n\r\n"), std::string(600, 'A'), std::string(65000, 'A')}) {
        out.udp(t.udp(), d);
        std::this_thread::sleep_for(300ms);
    }
    ASSERT_TRUE(t.alive()) << "killed by the three datagrams";
    Sender::tcp(t.tcp(), "SIP/2.0 200 OK\r\n\r\n");
    std::string multipart = "OPTIONS sip:80001@127.0.0.1 SIP/2.0\r\nVia: SIP/2.0/UDP 127.0.0.1:" + std::to_string(out.port()) + ";branch=z9hG4bKmp;rport\r\nFrom: <sip:1@127.0.0.1>;tag=a\r\nTo: <sip:80001@127.0.0.1>\r\nCall-ID: mp\r\nCSeq: 1 OPTIONS\r\nContent-Type: multipart/mixed\r\nContent-Length: 4\r\n\r\n--x\n";
    out.udp(t.udp(), multipart);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(t.alive()) << "killed by a headerless response over TCP or a multipart body without a boundary";

    const unsigned seed = envNumber("ZUVI_SIP_FUZZ_SEED", 1), count = envNumber("ZUVI_SIP_FUZZ_COUNT", 2000);
    test::SipFuzzer fuzz(seed, t.udp(), out.port());
    std::vector<std::string> recent;
    for (unsigned i = 0; i < count && t.alive(); ++i) {
        std::string msg = fuzz.next();
        recent.push_back(msg);
        if (recent.size() > 20)
            recent.erase(recent.begin());
        if (i % 8 == 0)
            Sender::tcp(t.tcp(), msg);
        else
            out.udp(t.udp(), msg);
        // The engine reads about one datagram per iteration: pace the traffic by its answers to
        // another peer, which also shows a hang.
        if (i % 100 == 99 && t.alive()) {
            ASSERT_TRUE(Sender::answers(t.udp(), 60s)) << "the engine stopped answering (seed " << seed << ", message " << i << ")";
        }
    }
    if (t.alive()) {
        EXPECT_TRUE(Sender::answers(t.udp(), 60s)) << "the engine stopped answering after the fuzzing";
    }
    if (!t.alive()) {
        std::string dump = g_home->dir() + "/../sip-fuzz-last.txt";
        std::ofstream f(dump, std::ios::binary);
        for (auto& m : recent)
            f << "=====\n"
              << m << "\n";
        FAIL() << "engine ended (" << t.end() << ") under fuzzing, seed " << seed << "; last messages in " << dump;
    }
    EXPECT_EQ(t.command("call"), "confirmed");
    EXPECT_EQ(t.command("quit", 10s), "");
    EXPECT_EQ(t.end(), "exit 0") << "the engine did not shut down cleanly";
}

// An INVITE (with an offer), CANCEL or ACK of the call `id` from `out` to the target's UDP port,
// from the user `user` (the id when empty). An ACK acknowledges the INVITE's final answer.
void sendRequest(const Sender& out, unsigned port, const std::string& method, const std::string& id, const std::string& user = {})
{
    const std::string from = "127.0.0.1:" + std::to_string(out.port());
    const std::string sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\nm=audio 40000 RTP/AVP 0\r\n";
    std::string m = method + " sip:80001@127.0.0.1:" + std::to_string(port) + " SIP/2.0\r\nVia: SIP/2.0/UDP " + from + ";branch=z9hG4bK" + id + ";rport\r\nMax-Forwards: 70\r\nFrom: <sip:" + (user.empty() ? id : user) + "@" + from + ">;tag=f" + id + "\r\nTo: <sip:80001@127.0.0.1>\r\nCall-ID: " + id + "\r\nCSeq: 1 " + (method == "ACK" ? "INVITE" : method) + "\r\nContact: <sip:1@" + from + ">\r\n";
    m += method == "INVITE" ? "Content-Type: application/sdp\r\nContent-Length: " + std::to_string(sdp.size()) + "\r\n\r\n" + sdp : "Content-Length: 0\r\n\r\n";
    out.udp(port, m);
}

// A flood of INVITEs each cancelled at once leaves the library holding neither a call nor a call
// log, and a real call still goes through.
TEST(HostileTraffic, CancelledCallFloodLeavesNothingBehind)
{
    Target t;
    ASSERT_GT(t.udp(), 0u);
    Sender out;
    auto request = [&](const std::string& method, const std::string& id) { sendRequest(out, t.udp(), method, id); };
    for (int i = 0; i < 300 && t.alive(); ++i) {
        std::string id = "flood" + std::to_string(i);
        request("INVITE", id);
        request("CANCEL", id);
        // Paced by the engine's answers to another peer, so that no CANCEL is dropped unread.
        if (i % 50 == 49) {
            ASSERT_TRUE(Sender::answers(t.udp(), 60s)) << "the engine stopped answering at pair " << i;
        }
    }
    ASSERT_TRUE(Sender::answers(t.udp(), 60s));
    std::string held;
    EXPECT_TRUE(waitFor([&] { return (held = t.command("holdings")) == "0 calls 0 logs"; }, 10s)) << held;
    EXPECT_EQ(t.command("call"), "confirmed");
    EXPECT_EQ(t.command("holdings"), "0 calls 0 logs");
    EXPECT_EQ(t.command("quit", 10s), "");
    EXPECT_EQ(t.end(), "exit 0");
}

// With the call slots taken by INVITEs nobody cancels, further INVITEs are refused with 486 (the
// library's own refusal); a CANCEL that comes right after each, as in a flood whose callers give
// up, must not leave the refused call's state behind once the INVITEs' transactions have ended
// (each 486 is acknowledged, so that takes seconds). The library kept every such CANCEL's
// transaction for good, with the refused call's operation, dialog and messages: 30 objects each.
TEST(HostileTraffic, RefusedInviteCancelledAfterItsRefusalLeavesNothingBehind)
{
    Target t(true);
    ASSERT_GT(t.udp(), 0u);
    Sender out;
    for (int i = 0; i < sip::MaxCalls; ++i)
        sendRequest(out, t.udp(), "INVITE", "hold" + std::to_string(i));
    std::string held;
    ASSERT_TRUE(waitFor([&] { return (held = t.command("holdings")) == "4 calls 0 logs"; }, 10s)) << held;
    const long before = std::stol(t.command("objects"));
    ASSERT_GE(before, 0);

    // One caller address for all of them: the library's cache of parsed addresses grows by one.
    const int refused = 100;
    for (int i = 0; i < refused; ++i) {
        std::string id = "refused" + std::to_string(i);
        sendRequest(out, t.udp(), "INVITE", id, "caller");
        sendRequest(out, t.udp(), "CANCEL", id, "caller");
        if (i % 25 == 24) {
            ASSERT_TRUE(Sender::answers(t.udp(), 60s)) << "the engine stopped answering at INVITE " << i;
        }
    }
    std::set<std::string> busy;
    for (auto end = std::chrono::steady_clock::now() + 10s; busy.size() < size_t(refused) && std::chrono::steady_clock::now() < end;) {
        std::string reply = out.receive();
        size_t at = reply.find("\r\nCall-ID: ");
        if (reply.rfind("SIP/2.0 486 ", 0) != 0 || at == std::string::npos)
            continue;
        at += 11;
        std::string id = reply.substr(at, reply.find("\r\n", at) - at);
        if (busy.insert(id).second)
            sendRequest(out, t.udp(), "ACK", id, "caller");
    }
    EXPECT_EQ(busy.size(), size_t(refused)) << "INVITEs refused with 486";

    std::string now;
    EXPECT_TRUE(waitFor([&] { return std::stol(now = t.command("objects")) <= before + 10; }, 20s))
        << "belle-sip objects: " << before << " before the refused INVITEs, " << now << " after";
    EXPECT_EQ(t.command("holdings"), "4 calls 0 logs");
    EXPECT_EQ(t.command("quit", 10s), "");
    EXPECT_EQ(t.end(), "exit 0");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test::TestbedEnvironment(5370, g_home, g_bed, g_fx));
    return RUN_ALL_TESTS();
}
