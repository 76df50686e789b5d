// Main window calls end to end: the forms against the service simulator, kamailio and baresip.
#include "../sip/Testbed.h"
#include "CallHarness.h"

#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/SettingsDialog.h"
#include "platform/os/folders.h"
#include "platform/os/textlist.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "sip/Sip.h"
#include "skin/SSButton.h"
#include "skin/SkinClasses.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace zuvi;
using namespace std::chrono_literals;
using test::LogLine;
using namespace zuvi::test;

namespace {

constexpr int kSipPort = 5570;

test::TempHome* g_home = nullptr;
test::Testbed* g_bed = nullptr;
test::Fixture g_fx;
pid_t g_sim = -1;
int g_simPort = 0;
std::string g_record;

// ---- the service simulator as a process ------------------------------------------------------

std::string httpGet(const std::string& path)
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(g_simPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string out;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        std::string req = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        (void)!write(s, req.data(), req.size());
        char buf[4096];
        ssize_t n;
        while ((n = read(s, buf, sizeof buf)) > 0)
            out.append(buf, size_t(n));
    }
    close(s);
    size_t body = out.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : out.substr(body + 4);
}

void simFault(const std::string& action, const std::string& mode, int count = 1)
{
    httpGet("/_sim/fault?action=" + action + "&mode=" + mode + "&count=" + std::to_string(count));
}

// Actions ("CheckPM", "Login" ...) of the requests the simulator received since the last reset.
std::vector<std::string> simActions()
{
    std::vector<std::string> out;
    std::stringstream ss(httpGet("/_sim/log"));
    std::string line;
    while (std::getline(ss, line)) {
        size_t at = line.find("r=Pc/");
        if (at == std::string::npos)
            continue;
        size_t end = line.find_first_of("&\"", at);
        out.push_back(line.substr(at + 5, end - at - 5));
    }
    return out;
}

int countOf(const std::vector<std::string>& v, const std::string& what)
{
    return int(std::count(v.begin(), v.end(), what));
}

bool startSim(const std::string& fixture)
{
    int pipefd[2];
    if (pipe(pipefd) != 0)
        return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, pipefd[1], 1);
    posix_spawn_file_actions_addclose(&fa, pipefd[0]);
    std::string exe = std::string(ZUVI_TEST_BIN_DIR) + "/zuvi-service-sim";
    std::vector<std::string> args = {exe, "--port", "0", "--fixture", fixture};
    std::vector<char*> argv;
    for (auto& s : args)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&g_sim, exe.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(pipefd[1]);
    if (rc != 0) {
        close(pipefd[0]);
        return false;
    }
    std::string first;
    char c;
    while (read(pipefd[0], &c, 1) == 1 && c != '\n')
        first += c;
    close(pipefd[0]);
    size_t colon = first.rfind(':');
    if (first.rfind("listening on", 0) != 0 || colon == std::string::npos)
        return false;
    g_simPort = std::atoi(first.c_str() + colon + 1);
    return g_simPort > 0;
}

void stopSim()
{
    if (g_sim > 0) {
        kill(g_sim, SIGTERM);
        waitpid(g_sim, nullptr, 0);
        g_sim = -1;
    }
}

// ---- environment -----------------------------------------------------------------------------

class Env : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string home = g_home->dir();
        // The fixture with the server address of this binary's own softswitch.
        std::ifstream in(ZUVI_TEST_FIXTURE);
        std::stringstream ss;
        ss << in.rdbuf();
        std::string text = ss.str();
        const std::string from = "127.0.0.1:5070", to = "127.0.0.1:" + std::to_string(kSipPort);
        for (size_t at; (at = text.find(from)) != std::string::npos;)
            text.replace(at, from.size(), to);
        const std::string fixture = home + "/accounts.json";
        std::ofstream(fixture) << text;
        g_fx = test::Fixture::load(fixture);

        g_bed = new test::Testbed(kSipPort, home + "/testbed");
        ASSERT_TRUE(g_bed->start()) << "testbed did not start";
        ASSERT_TRUE(startSim(fixture)) << "service simulator did not start";
        const std::string api = "127.0.0.1:" + std::to_string(g_simPort);
        setenv("ZUVI_API_HOST", api.c_str(), 1);
        setenv("ZUVI_API2_HOST", api.c_str(), 1);
        setenv("ZUVI_HTTP_TIMEOUT_MS", "4000", 1);
    }
    void TearDown() override
    {
        stopSim();
        delete g_bed;
        g_bed = nullptr;
    }
};

// ---- helpers ---------------------------------------------------------------------------------

std::vector<LogLine> invites()
{
    return g_bed->lines("REQ", [](const LogLine& f) { return f.size() > 6 && f[3] == "INVITE" && f[4] == "d.c"; });
}
int requestsOf(const std::string& method)
{
    return int(g_bed->lines("REQ", [&](const LogLine& f) { return f.size() > 4 && f[3] == method && f[4] == "d.c"; }).size());
}

QStringList callFile()
{
    os::TextList list;
    list.load(CurrentAccountFolder() + "call");
    return list.lines;
}

std::string uriFor(const std::string& number) { return "sip:" + number + "@" + g_bed->server(); }

// A baresip caller of its own (no registration) that calls the program's SIP port directly.
class Caller {
public:
    Caller()
    {
        m_dir = g_home->dir() + "/caller";
        std::filesystem::create_directories(m_dir);
        std::ofstream(m_dir + "/config") << "poll_method epoll\nsip_listen 127.0.0.1:" << kCallerPort
                                         << "\nnet_interface 127.0.0.1\naudio_player aubridge,nil\n"
                                            "audio_source aubridge,nil\naudio_alert aubridge,nil\n"
                                            "rtp_ports 31480-31483\nmodule_path /usr/lib/baresip/modules\n"
                                            "module cons.so\nmodule g711.so\nmodule aubridge.so\n"
                                            "module_app account.so\nmodule_app menu.so\ncons_listen 127.0.0.1:"
                                         << kCallerPort + 2 << "\n";
        std::ofstream(m_dir + "/accounts") << "<sip:caller@127.0.0.1:" << kCallerPort << ">;regint=0\n";
        std::ofstream(m_dir + "/contacts");
        std::string cmd = "stdbuf -oL baresip -f " + m_dir + " >" + m_dir + "/log 2>&1 </dev/null & echo $! >" + m_dir + "/pid";
        (void)std::system(cmd.c_str());
        test::waitFor([this] { return log().find("baresip is ready") != std::string::npos; }, 5s);
    }
    ~Caller()
    {
        std::ifstream in(m_dir + "/pid");
        int pid = 0;
        in >> pid;
        if (pid > 0) {
            kill(pid, SIGTERM);
            test::waitFor([pid] { return kill(pid, 0) != 0; }, 3s);
        }
    }
    void command(const std::string& cmd) const
    {
        int s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(kCallerPort + 2)); // SIP port + 1 is its TLS port
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string line = cmd + "\n";
        (void)sendto(s, line.data(), line.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
        close(s);
    }
    std::string log() const
    {
        std::ifstream in(m_dir + "/log");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // Calls the program and gives up once the program has the call (it never answers).
    void callAndAbandon() const
    {
        unsigned port = 0;
        sip::transportGetPort(sip::TransportType::Udp, &port);
        const unsigned before = sip::callGetCount();
        command("/dial sip:" + g_fx.sipId + "@127.0.0.1:" + std::to_string(port));
        test::waitFor([before] { return sip::callGetCount() > before; }, 5s);
        runFor(300ms);
        command("/hangup");
    }

private:
    static constexpr int kCallerPort = 5590;
    std::string m_dir;
};

const QRegularExpression kEntryTime(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}$)");

class CallFlow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The account's contact file before the login: the answering number is a contact.
        const QString folder = os::accountFolder(QString::fromStdString(g_fx.phone));
        os::ensureDir(os::dataFolder());
        os::ensureDir(folder);
        os::TextList contacts;
        contacts.lines = {QStringLiteral("李四=13800000009"), QStringLiteral("张三=") + QString::fromStdString(g_fx.answer)};
        contacts.save(folder + "contact");

        CreateForm(&Form2, nullptr);
        Form2->frxComboBox1->SetText(QString::fromStdString(g_fx.phone));
        Form2->MaskEdit1->SetText(QString::fromStdString(g_fx.password));
        Form2->Timer1Timer(nullptr);
        runFor(300ms);
        ASSERT_EQ(Form1->Label1->Caption(), QString::fromStdString(g_fx.phone)) << "login failed";
        ASSERT_FALSE(Form2->FVosIp.isEmpty());
    }
    void SetUp() override
    {
        ASSERT_NE(Form1, nullptr);
        settle();
        runUntil([] { return !Form1->Timer7->Enabled(); }, 6s);
        httpGet("/_sim/reset");
    }
};

// ---- tests -----------------------------------------------------------------------------------

TEST_F(CallFlow, AnsweredCallShowsTheClockEndsWith200AndIsRecordedWithARefresh)
{
    const QString number = QString::fromStdString(g_fx.answer);
    const int invitesBefore = int(invites().size());
    std::error_code ec;
    std::filesystem::remove(g_record, ec);
    dial(number);
    // The calling text stands while the call is placed, the busy button replaces the call button.
    EXPECT_EQ(label13(), QStringLiteral("呼叫中。。。") + number);
    EXPECT_EQ(label14(), QString());
    EXPECT_FALSE(callButtonShown());
    const auto actions = simActions();
    EXPECT_EQ(countOf(actions, "CheckPM"), 1);

    // Pressing again during the call does nothing.
    Form1->ssSkinButton3Click(nullptr);
    EXPECT_EQ(countOf(simActions(), "CheckPM"), 1);

    Watch w;
    ASSERT_TRUE(runUntil([] { return label14() == "00:00:03"; }, 8s, &w)) << w.dump();
    EXPECT_TRUE(w.saw(QStringLiteral("通话中 ") + number, "00:00:01")) << w.dump();
    EXPECT_TRUE(w.saw(QStringLiteral("通话中 ") + number, "00:00:02")) << w.dump();
    ASSERT_EQ(int(invites().size()), invitesBefore + 1);
    EXPECT_EQ(invites().back()[5], uriFor(g_fx.answer));

    // The far end hangs up: both lines empty, one second later the end text and the duration.
    g_bed->farEndCommand("answer", "/hangup");
    ASSERT_TRUE(runUntil([] { return callButtonShown(); }, 5s, &w));
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("通话结束"); }, 3s, &w)) << w.dump();
    EXPECT_TRUE(w.saw(QString(), QString())) << w.dump();
    const QString duration = label14();
    EXPECT_TRUE(duration == QStringLiteral("3 秒") || duration == QStringLiteral("4 秒")) << duration.toStdString();

    // One history line under the contact's name, in the list and in the file.
    const QStringList h = history();
    ASSERT_FALSE(h.isEmpty());
    EXPECT_TRUE(h.first().startsWith(QStringLiteral("张三 ") + duration + " ")) << h.first().toStdString();
    EXPECT_TRUE(kEntryTime.match(h.first().mid(QStringLiteral("张三 ").size() + duration.size() + 1)).hasMatch())
        << h.first().toStdString();
    EXPECT_FALSE(h.contains(QStringLiteral("暂无记录")));
    EXPECT_EQ(callFile(), h);
    // The Login refresh went out and its data reached the windows.
    EXPECT_EQ(countOf(simActions(), "Login"), 1);
    EXPECT_EQ(Form1->Label3->Caption(), Form2->FBalance);
    EXPECT_FALSE(Form2->FBalance.isEmpty());
    EXPECT_EQ(Form3->Label7->Caption(), Form2->FBalance);
    EXPECT_EQ(Form3->Label5->Caption(), QString::fromStdString(g_fx.phone));
    EXPECT_EQ(Form3->Label19->Caption(), "2"); // the login and the refresh
    // Five seconds after the end text both lines are empty again.
    ASSERT_TRUE(runUntil([] { return label13().isEmpty() && label14().isEmpty(); }, 7s));

    // The far end's tone reached the program's media path (record file of the file audio).
    std::ifstream rec(g_record, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(rec)), std::istreambuf_iterator<char>());
    int loud = 0;
    for (size_t i = 44; i + 1 < data.size(); i += 2) {
        int16_t v = static_cast<int16_t>(static_cast<uint8_t>(data[i]) | (static_cast<uint8_t>(data[i + 1]) << 8));
        if (v > 2000 || v < -2000)
            ++loud;
    }
    EXPECT_GT(loud, 1000) << "the far end's tone did not arrive (" << data.size() << " bytes recorded)";
}

TEST_F(CallFlow, HangUpAfterAnswerEndsWith200AndIsRecorded)
{
    const QStringList before = history();
    dial(QString::fromStdString(g_fx.answer));
    Watch w;
    ASSERT_TRUE(runUntil([] { return label14() == "00:00:01"; }, 6s, &w)) << w.dump();
    const int byes = requestsOf("BYE");
    Form1->ssSkinButton5Click(nullptr);
    // The call button is back at once; the lines follow the end-of-call event.
    EXPECT_TRUE(callButtonShown());
    EXPECT_GT(requestsOf("BYE"), byes); // (a retransmission may follow)
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("通话结束"); }, 4s, &w)) << w.dump();
    EXPECT_EQ(history().size(), before.size() + 1);
    EXPECT_TRUE(history().first().startsWith(QStringLiteral("张三 ") + label14() + " "));
    EXPECT_EQ(callFile(), history());
    // Hang-up re-registered the credentials: the current account is valid again.
    EXPECT_TRUE(sip::accIsValid(SipAccountId));
}

TEST_F(CallFlow, BusyAndRejectedCallsShowHungUpAndLeaveNoLine)
{
    const QStringList before = history();
    // Blanks and hyphens dial the same URI as the digits alone.
    const QString typed = QString::fromStdString(g_fx.busy).insert(3, " ").insert(8, "-");
    dial(typed);
    EXPECT_EQ(label13(), QStringLiteral("呼叫中。。。") + typed);
    Watch w;
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s, &w)) << w.dump();
    EXPECT_EQ(label14(), QString());
    EXPECT_TRUE(callButtonShown());
    EXPECT_EQ(invites().back()[5], uriFor(g_fx.busy));
    // An unknown number is rejected by the softswitch the same way.
    runUntil([] { return !Form1->Timer7->Enabled(); }, 7s);
    dial("12345");
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s, &w)) << w.dump();
    EXPECT_EQ(invites().back()[5], uriFor("12345"));
    runFor(1300ms);
    EXPECT_EQ(history(), before);
    EXPECT_EQ(countOf(simActions(), "Login"), 0);
    // Both lines are cleared five seconds after the message.
    ASSERT_TRUE(runUntil([] { return label13().isEmpty(); }, 6s));
}

TEST_F(CallFlow, HangUpWhileRingingCancelsTheCall)
{
    const QStringList before = history();
    dial(QString::fromStdString(g_fx.ring));
    ASSERT_TRUE(test::waitFor([] {
        return !g_bed->lines("REPLY", [](const LogLine& f) { return f.size() > 4 && f[3] == "180"; }).empty();
    },
        5s));
    runFor(300ms);
    const int cancels = requestsOf("CANCEL");
    Form1->ssSkinButton5Click(nullptr);
    EXPECT_TRUE(callButtonShown());
    Watch w;
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 5s, &w)) << w.dump();
    EXPECT_GT(requestsOf("CANCEL"), cancels);
    runFor(1300ms);
    EXPECT_EQ(history(), before);
    // Hang-up outside a call does nothing.
    Form1->ssSkinButton5Click(nullptr);
    EXPECT_TRUE(callButtonShown());
}

TEST_F(CallFlow, InvalidOrEmptyNumberSendsNothing)
{
    Form1->Label13->SetCaption(QString());
    dial(QString());
    EXPECT_EQ(label13(), QString());
    QElapsedTimer since;
    since.start();
    for (const char* text : {"+8613900000001", "13900000001 ", "139abc"}) {
        dial(QString::fromUtf8(text));
        EXPECT_EQ(label13(), QStringLiteral("无效号码")) << text;
        EXPECT_TRUE(Form1->Timer7->Enabled());
    }
    EXPECT_TRUE(simActions().empty());
    EXPECT_TRUE(callButtonShown());
    // A message 3 s later does not restart the clearing: both go 5 s after the first.
    runFor(3000ms);
    dial(QStringLiteral("+86"));
    ASSERT_TRUE(runUntil([] { return label13().isEmpty(); }, 6s));
    EXPECT_LT(since.elapsed(), 6500);
}

TEST_F(CallFlow, NetworkDownLeavesTheCallingText)
{
    const QString number = QString::fromStdString(g_fx.answer);
    const size_t before = invites().size();
    simFault("CheckPM", "close");
    dial(number);
    runFor(500ms);
    EXPECT_EQ(label13(), QStringLiteral("呼叫中。。。") + number);
    EXPECT_EQ(countOf(simActions(), "CreatePM"), 0);
    EXPECT_TRUE(callButtonShown());
    EXPECT_EQ(invites().size(), before);
    // A scrambled reply that is not JSON ends the attempt the same way.
    simFault("CheckPM", "notjson");
    dial(number);
    runFor(300ms);
    EXPECT_EQ(label13(), QStringLiteral("呼叫中。。。") + number);
    EXPECT_EQ(invites().size(), before);
}

TEST_F(CallFlow, CredentialRepliesFollowTheMainWindowRules)
{
    const QString number = QString::fromStdString(g_fx.busy);
    auto fromOfLastInvite = [] { return invites().back()[6]; };
    const std::string sipFrom = "sip:" + g_fx.sipId + "@";

    // A plain CheckPM reply, even a successful one, leads to CreatePM.
    simFault("CheckPM", "plain");
    dial(number);
    auto a = simActions();
    EXPECT_EQ(countOf(a, "CheckPM"), 1);
    EXPECT_EQ(countOf(a, "CreatePM"), 1);
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s));
    EXPECT_EQ(fromOfLastInvite().rfind(sipFrom, 0), 0u) << fromOfLastInvite();
    settle();

    // A scrambled refusal leads to CreatePM as well.
    httpGet("/_sim/reset");
    simFault("CheckPM", "refuse");
    dial(number);
    EXPECT_EQ(countOf(simActions(), "CreatePM"), 1);
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s));
    settle();

    // An empty decoding keeps the credentials held and the call goes ahead, without CreatePM.
    httpGet("/_sim/reset");
    simFault("CheckPM", "empty");
    const size_t before = invites().size();
    dial(number);
    EXPECT_EQ(countOf(simActions(), "CreatePM"), 0);
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s));
    ASSERT_EQ(invites().size(), before + 1);
    EXPECT_EQ(fromOfLastInvite().rfind(sipFrom, 0), 0u) << fromOfLastInvite();
}

TEST_F(CallFlow, SlidersReachTheEngineDuringACallOnly)
{
    auto volume = [](sip::AudDevCap cap) {
        int v = -1;
        sip::sndGetSetting(cap, &v);
        return v;
    };
    sip::sndSetSetting(sip::AudDevCap::OutputVolume, 50, true);
    sip::sndSetSetting(sip::AudDevCap::InputVolume, 50, true);
    Form1->TrackBar1->SetPosition(3);
    Form1->TrackBar1Change(Form1->TrackBar1);
    Form1->TrackBar2->SetPosition(7);
    Form1->TrackBar2Change(Form1->TrackBar2);
    EXPECT_EQ(volume(sip::AudDevCap::OutputVolume), 50);
    EXPECT_EQ(volume(sip::AudDevCap::InputVolume), 50);

    // The call button applies both positions; during the call a move applies at once.
    dial(QString::fromStdString(g_fx.ring));
    EXPECT_EQ(volume(sip::AudDevCap::OutputVolume), 30);
    EXPECT_EQ(volume(sip::AudDevCap::InputVolume), 70);
    Form1->TrackBar1->SetPosition(9);
    Form1->TrackBar1Change(Form1->TrackBar1);
    Form1->TrackBar2->SetPosition(0);
    Form1->TrackBar2Change(Form1->TrackBar2);
    EXPECT_EQ(volume(sip::AudDevCap::OutputVolume), 90);
    EXPECT_EQ(volume(sip::AudDevCap::InputVolume), 0);
    Form1->ssSkinButton5Click(nullptr);
    runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 5s);
}

TEST_F(CallFlow, ARefusedUriIsADiallingFailure)
{
    const QString server = Form2->FVosIp;
    Form2->FVosIp = QStringLiteral("bad host");
    const size_t before = invites().size();
    const auto t0 = std::chrono::steady_clock::now();
    dial(QString::fromStdString(g_fx.answer));
    const auto took = std::chrono::steady_clock::now() - t0;
    Form2->FVosIp = server;
    EXPECT_EQ(label13(), QStringLiteral("拨号失败"));
    EXPECT_EQ(label14(), QString());
    EXPECT_TRUE(callButtonShown());
    EXPECT_TRUE(Form1->Timer7->Enabled());
    EXPECT_EQ(invites().size(), before);
    // The accounts were removed (the current one after its one-second offline wait).
    EXPECT_GE(took, 1000ms);
    EXPECT_FALSE(sip::accIsValid(SipAccountId));
    EXPECT_FALSE(sip::accIsValid(0));
    ASSERT_TRUE(runUntil([] { return label13().isEmpty(); }, 6s));
    // The next call works again.
    dial(QString::fromStdString(g_fx.busy));
    EXPECT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s));
}

TEST_F(CallFlow, AccountsAccumulateToEightAndTheNinthAddFailsSilently)
{
    // Start from an empty account table.
    for (int id = 0; id < sip::MaxAccounts; ++id)
        if (sip::accIsValid(id))
            sip::accDel(id);
    const QString number = QString::fromStdString(g_fx.busy);
    for (int i = 1; i <= 9; ++i) {
        runUntil([] { return !Form1->Timer7->Enabled(); }, 7s);
        const size_t before = invites().size();
        dial(number);
        EXPECT_EQ(int(sip::accGetCount()), std::min(i, 8)) << "press " << i;
        EXPECT_EQ(SipAccountId, std::min(i, 8) - 1) << "press " << i;
        // Every press still places its call, the last ones on the account added last.
        ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s)) << "press " << i;
        EXPECT_EQ(invites().size(), before + 1) << "press " << i;
        settle();
        Form1->Timer7Timer(nullptr);
    }
    EXPECT_EQ(sip::accGetCount(), 8u);
}

TEST_F(CallFlow, AnAbandonedIncomingCallShowsHungUpButLeavesARunningCallAlone)
{
    Caller caller;
    // No call running: the abandoned incoming call shows the hang-up message.
    caller.callAndAbandon();
    Watch w;
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 5s, &w)) << w.dump() << caller.log();
    runUntil([] { return !Form1->Timer7->Enabled(); }, 7s);

    // During an answered call it changes nothing: the clock goes on and the hang-up button
    // still ends the call, which is recorded.
    const QString number = QString::fromStdString(g_fx.answer);
    const QStringList before = history();
    dial(number);
    w = Watch();
    ASSERT_TRUE(runUntil([] { return label14() == "00:00:01"; }, 6s, &w)) << w.dump();
    caller.callAndAbandon();
    ASSERT_TRUE(runUntil([] { return label14() == "00:00:03"; }, 5s, &w)) << w.dump();
    EXPECT_FALSE(w.saw(QStringLiteral("呼叫挂断"), QString())) << w.dump();
    EXPECT_FALSE(callButtonShown());
    Form1->ssSkinButton5Click(nullptr);
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("通话结束"); }, 4s, &w)) << w.dump();
    EXPECT_EQ(history().size(), before.size() + 1);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    g_home = new test::TempHome;
    const std::string home = g_home->dir();
    setenv("TMPDIR", (home + "/runtime").c_str(), 1);
    setenv("ZUVI_MSGBOX_LOG", (home + "/msgbox.log").c_str(), 1);
    setenv("ZUVI_OPEN_URL_LOG", (home + "/urls.log").c_str(), 1);
    setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
    g_record = home + "/received.wav";
    setenv("ZUVI_SIP_RECORD_FILE", g_record.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::AddGlobalTestEnvironment(new Env);
    const int rc = runCallTests(argc, argv);
    delete g_home;
    return rc;
}
