// One logged-in session against real peers under faults: the service's faults for each web request
// of the main window, the softswitch stopped mid-call and started again, the far end vanishing.
#include "../sip/Testbed.h"
#include "CallHarness.h"
#include "LoginHarness.h"

#include "client/AddContactDialog.h"
#include "client/AddressBookRestore.h"
#include "client/RestoreNotice.h"
#include "client/LoginForm.h"
#include "client/MainWindow.h"
#include "client/ProgramForms.h"
#include "platform/os/textlist.h"
#include "platform/ui/Forms.h"
#include "skin/SkinClasses.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace zuvi;
using namespace zuvi::test;
using namespace std::chrono_literals;

namespace {

constexpr int kSipPort = 5770;
constexpr int kReplyTimeoutMs = 2000;

TempHome* g_home = nullptr;
Testbed* g_bed = nullptr;
ServiceSim* g_sim = nullptr;
Fixture g_fx;

class Env : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_fx = Fixture::load(ZUVI_TEST_FIXTURE);
        g_bed = new Testbed(kSipPort, g_home->dir() + "/testbed");
        ASSERT_TRUE(g_bed->start()) << "testbed did not start";
        g_sim = new ServiceSim(g_home->path(), QString::fromStdString(g_bed->server()));
        ASSERT_TRUE(g_sim->running()) << "service simulator did not start";
        setenv("ZUVI_HTTP_TIMEOUT_MS", std::to_string(kReplyTimeoutMs).c_str(), 1);
        setenv("ZUVI_HTTP_CONNECT_TIMEOUT_MS", "1000", 1);
    }
    void TearDown() override
    {
        delete g_sim;
        g_sim = nullptr;
        delete g_bed;
        g_bed = nullptr;
    }
};

int invitesSent()
{
    return int(g_bed->lines("REQ", [](const LogLine& f) { return f.size() > 4 && f[3] == "INVITE" && f[4] == "d.c"; }).size());
}

QString contactFile()
{
    os::TextList list;
    list.load(g_home->dataFolder() + QString::fromStdString(g_fx.phone) + "/contact");
    return list.lines.join('\n');
}

// One more line in the call history (which showed the placeholder while empty), the newest first.
bool recorded(const QStringList& before)
{
    const QStringList now = history();
    return now.size() == (before == QStringList{QStringLiteral("暂无记录")} ? 1 : before.size() + 1)
        && now.first().startsWith(QString::fromStdString(g_fx.answer) + " ");
}

// Silence longer than the reply bound.
void silence(const QString& action)
{
    g_sim->control("/_sim/fault?action=" + action + "&mode=delay&count=1&ms=" + QString::number(kReplyTimeoutMs + 3000));
}

class FaultSession : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CreateLoginForm();
        Form2->frxComboBox1->SetText(QString::fromStdString(g_fx.phone));
        Form2->MaskEdit1->SetText(QString::fromStdString(g_fx.password));
        Form2->Timer1Timer(nullptr);
        runFor(300ms);
        ASSERT_EQ(Form1->Label1->Caption(), QString::fromStdString(g_fx.phone)) << "login failed";
    }
    void SetUp() override
    {
        ASSERT_NE(Form1, nullptr);
        idle();
        g_sim->control("/_sim/reset");
        g_home->clearLog("msgbox.log");
    }

    // Idle, the status lines cleared (as their five seconds would).
    static void idle()
    {
        settle();
        if (Form1->Timer7->Enabled())
            Form1->Timer7Timer(Form1->Timer7);
    }

    // Dials the answering far end and waits until the clock shows `seconds`.
    static ::testing::AssertionResult answeredFor(const char* seconds, Watch& w)
    {
        dial(QString::fromStdString(g_fx.answer));
        if (runUntil([seconds] { return label14() == seconds; }, 8s, &w))
            return ::testing::AssertionSuccess();
        std::string replies;
        for (const LogLine& f : g_bed->lines("REPLY"))
            replies += (f.size() > 4 ? f[3] + " " + f[4] : std::string()) + "; ";
        return ::testing::AssertionFailure() << "no answered call: " << w.dump() << " replies: " << replies;
    }
};

// Each web request the logged-in window sends meets a closed connection, an HTTP error, a reply
// that is not JSON and silence past the bound: the window never waits longer than the bound,
// shows what it shows for a failed request, and the same action works once the fault is gone.
TEST_F(FaultSession, EachRequestOfTheSessionOutlivesItsFaults)
{
    struct Action {
        const char* name;
        std::function<void()> arm; // makes the request fail (the mode is set already)
        std::function<void()> act; // what the user does
        std::function<bool()> failedAsSpecified;
        std::function<bool()> worked; // the same action without the fault
        std::vector<const char*> modes;
    };
    int invitesBefore = 0;
    QStringList historyBefore;
    QString balanceBefore;
    const QString busy = QString::fromStdString(g_fx.busy);
    const Action actions[] = {
        // Credentials at the call button: the attempt ends silently, the calling text stays.
        {"CheckPM", [] {}, [&] { invitesBefore = invitesSent(); dial(busy); },
            [&] { return label13() == QStringLiteral("呼叫中。。。") + busy && callButtonShown() && invitesSent() == invitesBefore; },
            [] { return runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s); },
            {"close", "http500", "notjson", "delay"}},
        // New credentials after a refusal: the call goes on with the credentials held.
        {"CreatePM", [] { g_sim->fault("CheckPM", "refuse", 1); }, [&] { invitesBefore = invitesSent(); dial(busy); },
            [&] { return runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s) && invitesSent() == invitesBefore + 1; },
            [] { return runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s); },
            {"http500", "delay"}},
        // The balance refresh a second after an answered call: silent, the call is recorded.
        {"Login", [] {},
            [&] {
                historyBefore = history();
                balanceBefore = Form1->Label3->Caption();
                Watch w;
                if (!answeredFor("00:00:01", w))
                    return;
                Form1->ssSkinButton5Click(nullptr);
                runUntil([] { return label13() == QStringLiteral("通话结束") && !Form1->Timer1->Enabled(); }, 6s);
            },
            [&] { return recorded(historyBefore) && Form1->Label3->Caption() == balanceBefore; },
            [&] { return recorded(historyBefore) && Form1->Label3->Caption() != balanceBefore; },
            {"close", "delay"}},
        // The upload after an added contact: the contact is in the list and the file either way.
        {"UpAddresBook", [] {},
            [] {
                Form1->ssSkinButton6Click(Form1->ssSkinButton6);
                Form5->Edit1->SetText(QStringLiteral("故障"));
                Form5->Edit2->SetText(QStringLiteral("13900000066"));
                ui::Guard([] { Form5->ssSkinButton1Click(Form5->ssSkinButton1); });
            },
            [] { return contactFile().endsWith(QStringLiteral("故障=13900000066")); },
            [] { return g_sim->control("/_sim/uploads").contains("13900000066"); },
            {"http500", "notjson", "delay"}},
        // The keep-alive: a request that fails is no refusal, the session goes on.
        {"Keepalived", [] {}, [] { Form1->Timer2Timer(Form1->Timer2); },
            [] { return Form1->Visible() && label13() != QStringLiteral("失去服务器连接，请重新登录"); },
            [] { return g_sim->actions().contains("Keepalived") && Form1->Visible(); },
            {"close", "notjson", "delay"}},
    };
    for (const Action& a : actions) {
        for (const char* mode : a.modes) {
            SCOPED_TRACE(std::string(a.name) + " " + mode);
            idle();
            g_sim->control("/_sim/reset");
            if (std::string(mode) == "delay")
                silence(a.name);
            else
                g_sim->fault(a.name, mode, std::string(mode) == "close" ? 2 : 1);
            a.arm();
            QElapsedTimer t;
            t.start();
            a.act();
            // One request's bound (a retried closed connection, a connection wait) with room to spare.
            EXPECT_LT(t.elapsed(), 4 * kReplyTimeoutMs + 3000);
            EXPECT_TRUE(a.failedAsSpecified());
            if (Form5 && Form5->Visible())
                Form5->Hide();

            idle();
            g_sim->control("/_sim/reset");
            a.act();
            EXPECT_TRUE(a.worked());
            if (Form5 && Form5->Visible())
                Form5->Hide();
        }
    }
    EXPECT_TRUE(g_home->messages().isEmpty()) << g_home->messages().join(" | ").toStdString();
}

// The softswitch goes away during an answered call and comes back: the call, whose media flows
// between the ends, stays on screen until hung up; the hang-up brings the call button back at
// once, and the next call (registered anew) is answered.
TEST_F(FaultSession, SoftswitchStoppedMidCallAndStartedAgain)
{
    Watch w;
    const QStringList before = history();
    ASSERT_TRUE(answeredFor("00:00:01", w));
    g_bed->stopSoftswitch(SIGKILL);
    ASSERT_TRUE(runUntil([] { return label14() == "00:00:04"; }, 6s, &w)) << w.dump();
    EXPECT_FALSE(callButtonShown());

    Form1->ssSkinButton5Click(nullptr);
    EXPECT_TRUE(callButtonShown());
    // The BYE goes nowhere: the engine gives the call up within its transaction bound.
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(runUntil([] { return sip::callGetCount() == 0; }, 40s, &w)) << w.dump();
    std::cout << "[ info ] the engine let the call go " << t.elapsed() << " ms after the hang-up\n";
    runUntil([] { return !Form1->Timer1->Enabled(); }, 3s);
    EXPECT_TRUE(recorded(before)) << history().join(" | ").toStdString();

    // A call placed while the softswitch is away stays at the calling text (the engine would give
    // it up after its transaction bound, 32 s); the hang-up button ends it at once.
    runFor(1500ms);
    idle();
    w = Watch();
    dial(QString::fromStdString(g_fx.answer));
    runFor(2s, &w);
    EXPECT_EQ(label13(), QStringLiteral("呼叫中。。。") + QString::fromStdString(g_fx.answer)) << w.dump();
    EXPECT_FALSE(callButtonShown());
    Form1->ssSkinButton5Click(nullptr);
    EXPECT_TRUE(callButtonShown());
    ASSERT_TRUE(runUntil([] { return sip::callGetCount() == 0 && label13() == QStringLiteral("呼叫挂断"); }, 5s, &w)) << w.dump();

    ASSERT_TRUE(g_bed->startSoftswitch());
    ASSERT_TRUE(g_bed->restartFarEnd("answer")) << "the far end did not register again";
    idle();
    const QStringList afterRestart = history();
    w = Watch();
    ASSERT_TRUE(answeredFor("00:00:01", w));
    Form1->ssSkinButton5Click(nullptr);
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("通话结束"); }, 5s, &w)) << w.dump();
    EXPECT_TRUE(recorded(afterRestart)) << history().join(" | ").toStdString();
}

// The far end vanishes (killed) during an answered call: no BYE ever comes; the engine ends the
// call when no media has arrived for its bound, the window shows the end like any answered call
// and records it, and the next call works.
TEST_F(FaultSession, FarEndVanishingEndsTheCallAndTheNextCallWorks)
{
    Watch w;
    const QStringList before = history();
    ASSERT_TRUE(answeredFor("00:00:01", w));
    g_bed->stopFarEnd("answer", SIGKILL);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(runUntil([] { return callButtonShown(); }, 45s, &w)) << w.dump();
    std::cout << "[ info ] the call ended " << t.elapsed() / 1000 << " s after the far end vanished\n";
    ASSERT_TRUE(runUntil([] { return label13() == QStringLiteral("通话结束"); }, 3s, &w)) << w.dump();
    EXPECT_TRUE(recorded(before)) << history().join(" | ").toStdString();

    ASSERT_TRUE(g_bed->restartFarEnd("answer"));
    idle();
    w = Watch();
    ASSERT_TRUE(answeredFor("00:00:01", w));
    Form1->ssSkinButton5Click(nullptr);
    EXPECT_TRUE(runUntil([] { return label13() == QStringLiteral("通话结束"); }, 5s, &w)) << w.dump();
}

// The address-book restore meets a closed connection and silence past the bound: its worker
// reports the failure within the bound and leaves the contact file as it was; the next run
// restores.
TEST_F(FaultSession, RestoreOutlivesItsFaults)
{
    const QString path = g_home->dataFolder() + QString::fromStdString(g_fx.phone) + "/contact";
    auto fileBytes = [path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    auto restore = [] {
        synchronous->Show();
        synchronous->ssSkinButton1->MouseDown(ui::mbLeft, {}, 5, 5);
        synchronous->ssSkinButton1->MouseUp(ui::mbLeft, {}, 5, 5);
        return runUntil([] { return !synchronous->FSyncRequested.load(); }, std::chrono::milliseconds(4 * kReplyTimeoutMs + 3000));
    };
    for (const char* mode : {"close", "delay"}) {
        SCOPED_TRACE(mode);
        if (std::string(mode) == "delay")
            silence("RestoreAddresBook");
        else
            g_sim->fault("RestoreAddresBook", mode, 2);
        const QByteArray before = fileBytes();
        ASSERT_TRUE(restore()) << "the run did not end";
        EXPECT_EQ(Synstatus->Label2->Caption(), QStringLiteral("同步失败，请稍候再试"));
        EXPECT_EQ(fileBytes(), before);
        Synstatus->ssSkinButton1Click(Synstatus->ssSkinButton1);
        g_sim->control("/_sim/reset");
    }
    ASSERT_TRUE(restore());
    EXPECT_EQ(Synstatus->Label2->Caption(), QStringLiteral("同步完成"));
    EXPECT_TRUE(Form1->ValueListEditor1->Strings()->ToList().contains(QStringLiteral("张三=13900000001")));
    Synstatus->ssSkinButton1Click(Synstatus->ssSkinButton1);
}

// Back at the login form (switching the account), the Login request fails and is silent past
// its bound: each shows its message and brings the login controls back, and the next press logs in.
TEST_F(FaultSession, LoginAgainOutlivesLoginFaults)
{
    Form1->N8Click(Form1->N8);
    ASSERT_TRUE(Form2->Visible());
    ASSERT_TRUE(Form1->Label1->Caption().isEmpty());
    auto logIn = [] {
        Form2->frxComboBox1->SetText(QString::fromStdString(g_fx.phone));
        Form2->MaskEdit1->SetText(QString::fromStdString(g_fx.password));
        Form2->ssSkinButton2Click(Form2->ssSkinButton2);
        Form2->Timer1Timer(Form2->Timer1);
        runFor(200ms);
    };
    for (const char* mode : {"http500", "close", "delay"}) {
        SCOPED_TRACE(mode);
        g_home->clearLog("msgbox.log");
        if (std::string(mode) == "delay")
            silence("Login");
        else
            g_sim->fault("Login", mode, std::string(mode) == "close" ? 2 : 1);
        QElapsedTimer t;
        t.start();
        logIn();
        EXPECT_LT(t.elapsed(), 4 * kReplyTimeoutMs + 3000);
        EXPECT_EQ(g_home->messages(), QStringList{QStringLiteral("登录失败，请确认网络畅通时重试")});
        EXPECT_TRUE(Form1->Label1->Caption().isEmpty());
        EXPECT_TRUE(Form2->ssSkinButton2->Visible() && Form2->frxComboBox1->Visible() && Form2->MaskEdit1->Visible());
        g_sim->control("/_sim/reset");
    }
    logIn();
    EXPECT_EQ(Form1->Label1->Caption(), QString::fromStdString(g_fx.phone));
    EXPECT_TRUE(Form1->Visible());
    // The session goes on: a call is placed.
    dial(QString::fromStdString(g_fx.busy));
    EXPECT_TRUE(runUntil([] { return label13() == QStringLiteral("呼叫挂断"); }, 6s));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    g_home = new TempHome("zuvi-fault-session", TempHome::LogDialogs);
    setenv("TMPDIR", g_home->runtimeFolder().toLocal8Bit().constData(), 1);
    setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::AddGlobalTestEnvironment(new Env);
    const int rc = runCallTests(argc, argv);
    delete g_home;
    return rc;
}
