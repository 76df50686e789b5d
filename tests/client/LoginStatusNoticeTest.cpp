// Login-status notice: display time, reachability poll and tray pictures, against the service simulator.
#include "FormSuite.h"
#include "LoginHarness.h"

#include "client/ProgramForms.h"
#include "client/LoginStatusNotice.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/core/Notices.h"
#include "platform/os/screen.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace zuvi::ui;
using zuvi::test::pumpUntil;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;

namespace {

class NoticeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.running());
        CreateLoginForm();
        ASSERT_NE(Form17, nullptr);
        Form17->OnShow = [this](TObject*) { ++shows; };
    }
    void TearDown() override
    {
        if (Form2 || Form1)
            DestroyApplicationForms();
    }

    // Every request on the second endpoint fails with MODE ("off": answered normally).
    void secondEndpoint(const char* mode) const { sim.control(QStringLiteral("/_sim/endpoint2?mode=") + mode); }
    int icon() const { return Form1->TrayIcon1->IconIndex(); }

    TempHome home;
    ServiceSim sim{home.path()};
    int shows = 0;
};

TEST_F(NoticeTest, CreatedHiddenAndIdle)
{
    EXPECT_FALSE(Form17->Visible());
    EXPECT_FALSE(Form17->Timer1->Enabled());
    EXPECT_FALSE(Form17->Timer2->Enabled());
    EXPECT_FALSE(Form17->FOnline);
    EXPECT_EQ(Form17->Width(), 225);
    EXPECT_EQ(Form17->Height(), 90);
    pumpUntil([] { return false; }, 1500);
    EXPECT_TRUE(sim.requests().isEmpty()) << "nothing polls before the notice has been shown";
}

TEST_F(NoticeTest, PollVerdictsSetTheTrayPictureAndShowTheNoticeOncePerLoss)
{
    struct Step {
        const char* mode; // fault of the second endpoint
        int iconBefore; // picture set before the poll
        int icon; // picture after it
        bool online;
        int shows; // times the notice has been shown so far
    } steps[] = {
        {"http500", 1, 0, false, 0}, // offline from the start: no notice
        {"notjson", 1, 1, false, 0}, // not JSON: nothing changes
        {"refuse", 0, 1, true, 0}, // JSON with "ret" 1 counts as online
        {"notjson", 0, 0, true, 0},
        {"close", 1, 0, false, 1}, // the connection lost: the notice comes
        {"http500", 1, 0, false, 1}, // still lost: offline picture again, no second notice
        {"empty", 1, 1, false, 1}, // an empty body is not JSON
        {"http500", 1, 0, false, 1},
        {"off", 0, 1, true, 1},
        {"http500", 1, 0, false, 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.mode);
        secondEndpoint(s.mode);
        Form1->TrayIcon1->SetIconIndex(s.iconBefore);
        Form17->Timer2Timer(Form17->Timer2);
        EXPECT_EQ(icon(), s.icon);
        EXPECT_EQ(Form17->FOnline, s.online);
        EXPECT_EQ(shows, s.shows);
        if (Form17->Visible()) {
            EXPECT_EQ(Form17->Label1->Caption(), "网络连接中断");
            EXPECT_TRUE(Form17->Timer1->Enabled());
            Form17->Hide();
        }
    }
    // The poll asks the second endpoint for a login token, Flag as its only parameter.
    for (const QByteArray& line : sim.control("/_sim/log").split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        EXPECT_EQ(o["path"].toString(), "/m2_release/index.php");
        EXPECT_EQ(o["query"].toString(), "r=Pc/RandCode&Flag=160000");
    }
}

TEST_F(NoticeTest, DisplayTimeClosesOnFiveSecondsOrMore)
{
    struct Case {
        int ago; // seconds since the notice was placed
        bool closes;
    } cases[] = {{0, false}, {4, false}, {5, true}, {6, true}, {9, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ago);
        Form17->Timer2->SetEnabled(false);
        Form17->ShowLoginStatus(1);
        Form17->Show();
        NoticeShownTime = QDateTime::currentDateTime().addSecs(-c.ago);
        Form17->Timer1Timer(Form17->Timer1);
        EXPECT_EQ(Form17->Visible(), !c.closes);
        EXPECT_EQ(Form17->Timer1->Enabled(), !c.closes);
        EXPECT_EQ(Form17->Timer2->Enabled(), c.closes);
    }
}

TEST_F(NoticeTest, ShowLoginStatusTextsPlaceAndRestart)
{
    const QPoint corner = zuvi::client::noticeTopLeft(zuvi::os::workArea(), 225, 90);
    struct Case {
        int state;
        const char* text;
    } cases[] = {{1, "登录成功，欢迎使用Zuvi"}, {7, "登录成功，欢迎使用Zuvi"}, {0, "网络连接中断"}, {-1, "网络连接中断"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        Form17->Timer1->SetEnabled(false);
        Form17->SetBounds(0, 0, 225, 90);
        NoticeShownTime = QDateTime::currentDateTime().addSecs(-6);
        const QDateTime before = QDateTime::currentDateTime();
        Form17->ShowLoginStatus(c.state);
        EXPECT_EQ(Form17->Label1->Caption(), c.text);
        EXPECT_EQ(QPoint(Form17->Left(), Form17->Top()), corner);
        EXPECT_TRUE(Form17->Timer1->Enabled());
        EXPECT_GE(NoticeShownTime, before);
        EXPECT_FALSE(Form17->Visible()) << "the caller shows the notice";
        // Placed again while displayed: its five seconds start over.
        Form17->Show();
        Form17->Timer1Timer(Form17->Timer1);
        EXPECT_TRUE(Form17->Visible());
        Form17->Hide();
    }
    // The close cross has no click action; the close handler hides.
    Form17->Show();
    Form17->ssSkinButton2->MouseDown(mbLeft, {}, 5, 5);
    Form17->ssSkinButton2->MouseUp(mbLeft, {}, 5, 5);
    EXPECT_TRUE(Form17->Visible());
    Form17->ssSkinButton4Click(nullptr);
    EXPECT_FALSE(Form17->Visible());
}

TEST_F(NoticeTest, ShownNoticeHidesThenPollsEverySecond)
{
    Form17->ShowLoginStatus(1);
    Form17->Show();
    ASSERT_TRUE(pumpUntil([] { return !Form17->Visible(); })) << "the notice stayed";
    EXPECT_TRUE(Form17->Timer2->Enabled());
    EXPECT_FALSE(Form17->Timer1->Enabled());
    ASSERT_TRUE(pumpUntil([&] { return sim.actions().count("RandCode") >= 2; }));
    EXPECT_TRUE(Form17->FOnline);
    EXPECT_EQ(icon(), 1);

    // The second endpoint goes away: the notice comes back with its own display time, and the
    // poll goes on.
    secondEndpoint("close");
    ASSERT_TRUE(pumpUntil([] { return Form17->Visible(); }));
    EXPECT_EQ(Form17->Label1->Caption(), "网络连接中断");
    EXPECT_EQ(icon(), 0);
    ASSERT_TRUE(pumpUntil([] { return !Form17->Visible(); }));
    EXPECT_TRUE(Form17->Timer2->Enabled());
    EXPECT_EQ(shows, 2);
}

} // namespace

int main(int argc, char** argv) { return zuvi::test::RunFormSuite(argc, argv); }
