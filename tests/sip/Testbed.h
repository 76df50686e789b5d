// SIP tests: the local softswitch (kamailio) and far ends (baresip) of testbed/, run per test binary.
#pragma once

#include "TempHome.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cjson/cJSON.h>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zuvi::test {

// One account and the far-end numbers of the accounts fixture.
struct Fixture {
    std::string phone, password, sipId, sipPw;
    std::string answer, busy, ring;

    static Fixture load(const std::string& path)
    {
        Fixture f;
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        cJSON* root = cJSON_Parse(ss.str().c_str());
        auto text = [](cJSON* o, const char* k) {
            cJSON* v = cJSON_GetObjectItemCaseSensitive(o, k);
            return cJSON_IsString(v) ? std::string(v->valuestring) : std::string();
        };
        if (root) {
            cJSON* acc = cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(root, "accounts"), 0);
            f.phone = text(acc, "phone");
            f.password = text(acc, "password");
            f.sipId = text(acc, "sip_id");
            f.sipPw = text(acc, "sip_pw");
            cJSON* fe = cJSON_GetObjectItemCaseSensitive(root, "far_end");
            f.answer = text(fe, "answer");
            f.busy = text(fe, "busy");
            f.ring = text(fe, "ring");
            cJSON_Delete(root);
        }
        return f;
    }
};

// Waits until pred holds (polled), at most `timeout`.
inline bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

// A log line "ZUVI|<kind>|<fields...>" of the softswitch, split at '|'.
using LogLine = std::vector<std::string>;

class Testbed {
public:
    Testbed(int port, std::string dir)
        : m_port(port)
        , m_dir(std::move(dir))
    { }
    ~Testbed() { stop(); }

    bool start(bool farEnd = true)
    {
        std::string cmd = std::string(ZUVI_SOURCE_DIR) + "/testbed/start.sh --port " + std::to_string(m_port) + " --fixture " + ZUVI_TEST_FIXTURE + (farEnd ? "" : " --no-far-end") + " --watch " + std::to_string(getpid()) + " " + m_dir + " >" + m_dir + ".start.log 2>&1";
        std::filesystem::create_directories(m_dir);
        m_started = std::system(cmd.c_str()) == 0;
        return m_started;
    }

    void stop()
    {
        if (!m_started)
            return;
        std::string cmd = std::string(ZUVI_SOURCE_DIR) + "/testbed/stop.sh " + m_dir + " >/dev/null 2>&1";
        (void)std::system(cmd.c_str());
        m_started = false;
    }

    int port() const { return m_port; }
    std::string server() const { return "127.0.0.1:" + std::to_string(m_port); }

    // Lines of one kind ("REQ", "REGOK", "PUBLISH", "REPLY"), optionally filtered.
    std::vector<LogLine> lines(const std::string& kind, const std::function<bool(const LogLine&)>& keep = {}) const
    {
        std::vector<LogLine> out;
        std::ifstream in(m_dir + "/kamailio.log");
        std::string line, tag = "ZUVI|" + kind + "|";
        while (std::getline(in, line)) {
            size_t at = line.find(tag);
            if (at == std::string::npos)
                continue;
            LogLine f;
            std::stringstream ss(line.substr(at));
            std::string part;
            while (std::getline(ss, part, '|'))
                f.push_back(part);
            if (!keep || keep(f))
                out.push_back(f);
        }
        return out;
    }

    // Sends a console command ("/hangup", "/dial sip:...") to a far end ("answer", "busy", "ring").
    void farEndCommand(const std::string& role, const std::string& cmd) const
    {
        int idx = role == "answer" ? 1 : role == "busy" ? 2
                                                        : 3;
        int s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(m_port + 10 + idx));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string line = cmd + "\n";
        (void)sendto(s, line.data(), line.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
        close(s);
    }

    // Ends the softswitch (its workers with it) with `sig`; its registrations go with it.
    void stopSoftswitch(int sig = SIGTERM) const
    {
        const int pid = pidIn(m_dir + "/kamailio.pid");
        if (pid <= 0)
            return;
        (void)std::system(("pkill -" + std::to_string(sig) + " -P " + std::to_string(pid)).c_str());
        kill(pid, sig);
        waitFor([pid] { return kill(pid, 0) != 0; }, std::chrono::seconds(5));
    }
    // Starts the softswitch again on its port, with the same configuration and log.
    bool startSoftswitch() const
    {
        run("kamailio -f " + m_dir + "/kamailio.cfg -DD -E -n 1 -Y " + m_dir + " -P " + m_dir + "/kamailio.pid.main >>" + m_dir + "/kamailio.log 2>&1 </dev/null & echo $! >" + m_dir + "/kamailio.pid");
        return waitFor([this] { return std::system(("ss -Hlun 'sport = :" + std::to_string(m_port) + "' | grep -q .").c_str()) == 0; }, std::chrono::seconds(5));
    }
    // Ends a far end ("answer", "busy", "ring") with `sig`.
    void stopFarEnd(const std::string& role, int sig = SIGKILL) const
    {
        const int pid = pidIn(m_dir + "/far-" + role + "/baresip.pid");
        if (pid <= 0)
            return;
        kill(pid, sig);
        waitFor([pid] { return kill(pid, 0) != 0; }, std::chrono::seconds(5));
    }
    // Starts a far end anew (ending the one running) and waits until it has registered.
    bool restartFarEnd(const std::string& role) const
    {
        stopFarEnd(role);
        const size_t before = lines("REGOK").size();
        const std::string fe = m_dir + "/far-" + role;
        run("stdbuf -oL -eL baresip -f " + fe + " >>" + fe + "/baresip.log 2>&1 </dev/null & echo $! >" + fe + "/baresip.pid");
        return waitFor([&] { return lines("REGOK").size() > before; }, std::chrono::seconds(5));
    }

private:
    static int pidIn(const std::string& file)
    {
        std::ifstream in(file);
        int pid = 0;
        in >> pid;
        return pid;
    }
    static void run(const std::string& cmd) { (void)std::system(cmd.c_str()); }

    int m_port;
    std::string m_dir;
    bool m_started = false;
};

// A test binary's environment: a private home, calls on file audio, the accounts fixture and a
// testbed of its own on `port`, reachable through the three pointers/objects it fills.
class TestbedEnvironment : public ::testing::Environment {
public:
    TestbedEnvironment(int port, TempHome*& home, Testbed*& bed, Fixture& fx)
        : m_port(port)
        , m_home(home)
        , m_bed(bed)
        , m_fx(fx)
    { }
    void SetUp() override
    {
        m_home = new TempHome;
        setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
        m_fx = Fixture::load(ZUVI_TEST_FIXTURE);
        m_bed = new Testbed(m_port, m_home->dir() + "/testbed");
        ASSERT_TRUE(m_bed->start()) << "testbed did not start";
    }
    void TearDown() override
    {
        delete m_bed;
        delete m_home;
    }

private:
    int m_port;
    TempHome*& m_home;
    Testbed*& m_bed;
    Fixture& m_fx;
};

} // namespace zuvi::test
