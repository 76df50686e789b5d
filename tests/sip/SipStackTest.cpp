// Client SIP set-up tests: transports, the login's registrations, unregistering, a call with its
// media, and the folders the stack leaves behind.
#include "Testbed.h"

#include "client/SipStack.h"
#include "sip/Sip.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace zuvi;
using namespace std::chrono_literals;
using test::LogLine;
using test::waitFor;
namespace fs = std::filesystem;

namespace {

test::TempHome* g_home = nullptr;
test::Testbed* g_bed = nullptr;
test::Fixture g_fx;
std::string g_tmp;

class Env : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_home = new test::TempHome;
        g_tmp = g_home->dir() + "/tmp";
        fs::create_directories(g_tmp);
        setenv("TMPDIR", g_tmp.c_str(), 1);
        setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
        g_fx = test::Fixture::load(ZUVI_TEST_FIXTURE);
        g_bed = new test::Testbed(5270, g_home->dir() + "/testbed");
        ASSERT_TRUE(g_bed->start()) << "testbed did not start";
        SetSipServer(QString::fromStdString(g_bed->server()));
    }
    void TearDown() override
    {
        delete g_bed;
        delete g_home;
    }
};

int countLines(const std::string& kind, const std::function<bool(const LogLine&)>& keep)
{
    return static_cast<int>(g_bed->lines(kind, keep).size());
}

int publishes(const std::string& user, const std::string& basic = {})
{
    return countLines("PUBLISH", [&](const LogLine& f) {
        return f.size() > 5 && f[3] == user && f[4] != "0" && (basic.empty() || f[5] == basic);
    });
}

int registrations(const std::string& user, const std::string& expires)
{
    return countLines("REGOK", [&](const LogLine& f) { return f.size() > 4 && f[3] == user && f[4] == expires; });
}

class SipStackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SipAccountId = 0;
        SipCallId = 0;
    }
    void TearDown() override
    {
        DestroySipStack();
        OnCallStateChange = nullptr;
    }
};

int bound(int type, int port)
{
    int s = socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || (type == SOCK_STREAM && listen(s, 1) != 0)) {
        close(s);
        return -1;
    }
    return s;
}

TEST_F(SipStackTest, TransportsOn5060OrAFreePortWhenTaken)
{
    // Other programs on this machine may hold 5060 as well; what counts is that a taken
    // port gives a free one.
    int probeU = bound(SOCK_DGRAM, 5060), probeT = bound(SOCK_STREAM, 5060);
    bool wasFree = probeU >= 0 && probeT >= 0;
    close(probeU);
    close(probeT);
    InitSipStack();
    unsigned udp = 0, tcp = 0;
    EXPECT_EQ(sip::transportGetPort(sip::TransportType::Udp, &udp), sip::Success);
    EXPECT_EQ(sip::transportGetPort(sip::TransportType::Tcp, &tcp), sip::Success);
    if (wasFree) {
        EXPECT_EQ(udp, 5060u);
        EXPECT_EQ(tcp, 5060u);
    }
    unsigned tls = 1;
    EXPECT_NE(sip::transportGetPort(sip::TransportType::Tls, &tls), sip::Success);
    DestroySipStack();

    // Hold both ports ourselves (other SIP tests on the machine may hold them for a moment).
    int u = -1, t = -1;
    for (int i = 0; i < 100 && (u < 0 || t < 0); ++i) {
        if (u < 0)
            u = bound(SOCK_DGRAM, 5060);
        if (t < 0)
            t = bound(SOCK_STREAM, 5060);
        if (u < 0 || t < 0)
            std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(u >= 0 && t >= 0) << "5060 stays taken by another program";
    InitSipStack();
    EXPECT_EQ(sip::transportGetPort(sip::TransportType::Udp, &udp), sip::Success);
    EXPECT_EQ(sip::transportGetPort(sip::TransportType::Tcp, &tcp), sip::Success);
    EXPECT_NE(udp, 5060u);
    EXPECT_NE(tcp, 5060u);
    EXPECT_GT(udp, 0u);
    EXPECT_GT(tcp, 0u);
    // The stack works on the free port.
    RegisterSipAccount(QString::fromStdString(g_fx.sipId), QString::fromStdString(g_fx.sipPw));
    EXPECT_TRUE(waitFor([] { return registrations(g_fx.sipId, "3600") > 0; }));
    close(u);
    close(t);
}

TEST_F(SipStackTest, LoginRegistersTwoAccountsAndSetsAccountZeroOnlineTwice)
{
    InitSipStack();
    const QString phone = QString::fromStdString(g_fx.phone), sipId = QString::fromStdString(g_fx.sipId);
    int phoneBefore = publishes(g_fx.phone), sipBefore = publishes(g_fx.sipId);
    RegisterLoginAccount(phone, QString::fromStdString(g_fx.password));
    EXPECT_EQ(SipAccountId, 0);
    ASSERT_TRUE(waitFor([&] { return publishes(g_fx.phone) == phoneBefore + 1; })) << "account 0 not published";
    RegisterLoginAccount(sipId, QString::fromStdString(g_fx.sipPw));
    EXPECT_EQ(SipAccountId, 1);
    // Account 1 publishes once registered; account 0 again for the second online status.
    ASSERT_TRUE(waitFor([&] { return publishes(g_fx.sipId) == sipBefore + 1; })) << "account 1 not published";
    ASSERT_TRUE(waitFor([&] { return publishes(g_fx.phone) == phoneBefore + 2; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(publishes(g_fx.sipId), sipBefore + 1);
    EXPECT_EQ(publishes(g_fx.phone), phoneBefore + 2);

    // Unregister: the current account goes offline, a second later it is deleted, then id 0.
    int closedBefore = publishes(g_fx.sipId, "closed");
    auto t0 = std::chrono::steady_clock::now();
    UnregisterSipAccounts();
    auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 1800ms);
    EXPECT_EQ(publishes(g_fx.sipId, "closed"), closedBefore + 1) << "offline status not sent during the wait";
    EXPECT_FALSE(sip::accIsValid(0));
    EXPECT_FALSE(sip::accIsValid(1));
    EXPECT_EQ(SipAccountId, 1);
    EXPECT_TRUE(waitFor([&] { return registrations(g_fx.sipId, "0") > 0 && registrations(g_fx.phone, "0") > 0; }));

    // Nothing left to delete: no wait the second time.
    t0 = std::chrono::steady_clock::now();
    UnregisterSipAccounts();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 200ms);
}

TEST_F(SipStackTest, AccountsAccumulateUpToEightThenAddsFailSilently)
{
    InitSipStack();
    const QString user = QString::fromStdString(g_fx.sipId), pw = QString::fromStdString(g_fx.sipPw);
    for (int i = 0; i < 8; ++i) {
        RegisterSipAccount(user, pw);
        EXPECT_EQ(SipAccountId, i);
    }
    EXPECT_NE(AddSipAccount(user, pw), 0);
    RegisterSipAccount(user, pw);
    EXPECT_EQ(SipAccountId, 7);
    // With no SIP server text the identity is not a SIP URI: the add fails.
    SetSipServer(QString());
    UnregisterSipAccounts(); // deletes 7 and 0
    EXPECT_NE(AddSipAccount(user, pw), 0);
    SetSipServer(QString::fromStdString(g_bed->server()));
    EXPECT_EQ(AddSipAccount(user, pw), 0);
    EXPECT_EQ(SipAccountId, 0);
}

// An answered call through the handlers: the media handler connects the sound device, the far end's
// tone reaches the record file, and the end reads 200 with the connected time.
TEST_F(SipStackTest, AnsweredCallCarriesTheToneAndEndsWith200)
{
    std::string rec = g_home->dir() + "/far-end-tone.wav";
    setenv("ZUVI_SIP_RECORD_FILE", rec.c_str(), 1);
    std::atomic<int> endStatus{-1}, connectSeconds{-1};
    std::atomic<bool> confirmed{false};
    OnCallStateChange = [&](const CallStateChange& c) {
        if (c.state == CallStateChange::State::Answered)
            confirmed = true;
        if (c.state == CallStateChange::State::Ended) {
            connectSeconds = c.connectSeconds;
            endStatus = c.lastStatus;
        }
    };
    InitSipStack();
    RegisterSipAccount(QString::fromStdString(g_fx.sipId), QString::fromStdString(g_fx.sipPw));
    ASSERT_TRUE(waitFor([] { return registrations(g_fx.sipId, "3600") > 0; }));
    EXPECT_EQ(sip::sndSetSetting(sip::AudDevCap::OutputVolume, 50, true), sip::Success);
    EXPECT_EQ(sip::sndSetSetting(sip::AudDevCap::InputVolume, 80, true), sip::Success);
    std::string uri = "<sip:" + g_fx.answer + "@" + g_bed->server() + ">";
    ASSERT_EQ(sip::verifySipUrl(uri), sip::Success);
    sip::CallSetting set = sip::callSettingDefault();
    set.flag = 0;
    set.vidCnt = 0;
    ASSERT_EQ(sip::callMakeCall(SipAccountId, uri, &set, &SipCallId), sip::Success);
    ASSERT_TRUE(waitFor([&] { return confirmed.load(); }));
    std::this_thread::sleep_for(2000ms);
    ASSERT_EQ(sip::callHangup(SipCallId, 0), sip::Success);
    ASSERT_TRUE(waitFor([&] { return endStatus.load() >= 0; }));
    EXPECT_EQ(endStatus.load(), 200);
    EXPECT_GE(connectSeconds.load(), 2);
    DestroySipStack();
    unsetenv("ZUVI_SIP_RECORD_FILE");

    // The record file holds the received audio: a WAV with samples well above silence.
    std::ifstream in(rec, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(data.size(), 44u + 8000u) << "nothing recorded";
    int loud = 0;
    for (size_t i = 44; i + 1 < data.size(); i += 2) {
        int16_t v = static_cast<int16_t>(static_cast<uint8_t>(data[i]) | (static_cast<uint8_t>(data[i + 1]) << 8));
        if (v > 2000 || v < -2000)
            ++loud;
    }
    EXPECT_GT(loud, 1000) << "the far end's tone did not arrive";
}

TEST_F(SipStackTest, NothingIsLeftInHomeOrTempAfterDestroy)
{
    InitSipStack();
    RegisterSipAccount(QString::fromStdString(g_fx.sipId), QString::fromStdString(g_fx.sipPw));
    ASSERT_TRUE(waitFor([] { return sip::accIsValid(SipAccountId); }));
    std::this_thread::sleep_for(200ms);
    DestroySipStack();
    // HOME holds only the empty folders the test made (and the test's own files).
    for (auto& entry : fs::recursive_directory_iterator(g_home->dir())) {
        std::string p = entry.path().string();
        if (p.find("/testbed") != std::string::npos || p.find("far-end-tone.wav") != std::string::npos)
            continue;
        EXPECT_TRUE(entry.is_directory()) << "left behind: " << p;
    }
    EXPECT_TRUE(fs::is_empty(g_tmp));
    // And every call into the destroyed stack fails cleanly.
    EXPECT_NE(AddSipAccount(QString::fromStdString(g_fx.sipId), QString::fromStdString(g_fx.sipPw)), 0);
    EXPECT_EQ(UnregisterSipAccounts(), 0);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Env);
    return RUN_ALL_TESTS();
}
