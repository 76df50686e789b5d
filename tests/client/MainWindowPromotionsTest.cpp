// Main window promotions: the Activity fetch after a login, the page, the banner on both forms,
// its link, the banner file at start, and the keep-alive; in process against the simulator.
#include "FormTestMain.h"
#include "LoginHarness.h"

#include "client/LoginForm.h"
#include "client/MainWindow.h"
#include "client/ProgramForms.h"
#include "platform/net/HttpClient.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QJsonArray>

using namespace zuvi::ui;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;

namespace {

const QString kPhone = QStringLiteral("13800000001");
const QString kPassword = QStringLiteral("zuvi1234");

QByteArray Jpeg(int width, int height, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// One element of an Activity list; pic and link name a picture of the simulator and a page.
struct Element {
    const char* mark;
    const char* pic;
    const char* link;
    const char* title;
    const char* content;
};

class PromotionsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.running()); }
    void TearDown() override
    {
        if (Form2 || Form1)
            DestroyApplicationForms();
    }

    void post(const QString& pathAndQuery, const QByteArray& body) const
    {
        zuvi::net::HttpClient c(zuvi::net::HttpClient::Kind::Plain);
        c.post("http://" + sim.host() + pathAndQuery, body, "application/octet-stream");
    }
    void picture(const QString& name, const QByteArray& bytes, const QString& mode = "ok") const
    {
        post("/_sim/picture?name=" + name + "&mode=" + mode, bytes);
    }
    void activity(const QList<Element>& elements) const
    {
        QJsonArray c;
        for (const Element& e : elements) {
            QJsonObject o;
            o["is_index_pc"] = e.mark;
            o["pic"] = *e.pic ? "http://{HOST}/_sim/pic/" + QString(e.pic) : QString();
            o["link"] = e.link;
            o["title"] = QString::fromUtf8(e.title);
            o["content"] = QString::fromUtf8(e.content);
            c.append(o);
        }
        post("/_sim/activity", QJsonDocument(QJsonObject{{"ret", 0}, {"c", c}}).toJson(QJsonDocument::Compact));
    }
    QStringList fetchedPictures() const { return QString::fromUtf8(sim.control("/_sim/pictures")).split('\n', Qt::SkipEmptyParts); }
    int activityRequests() const { return int(sim.actions().count("Activity")); }

    // The forms as the program creates them, and a login that shows the main window.
    void login()
    {
        CreateLoginForm();
        Form2->frxComboBox1->SetText(kPhone);
        Form2->MaskEdit1->SetText(kPassword);
        Form2->ssSkinButton2Click(nullptr);
        Form2->Timer1Timer(Form2->Timer1);
        ASSERT_TRUE(Form1->Visible());
    }
    // Timer3's one event, as the message loop would deliver it.
    void fetch()
    {
        ASSERT_TRUE(Form1->Timer3->Enabled());
        Guard([] { Form1->Timer3Timer(Form1->Timer3); });
        EXPECT_FALSE(Form1->Timer3->Enabled());
    }
    QStringList page() const { return Form1->Memo1->Lines()->ToList(); }
    QString banner() const { return home.dataFolder() + "ad.jpg"; }

    TempHome home{"zuvi-promotions-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
};

TEST_F(PromotionsTest, LoginFetchesOnceAndFillsPageBannerAndLink)
{
    login();
    // The fetch waits for Timer3: nothing was asked during the login.
    EXPECT_EQ(activityRequests(), 0);
    fetch();
    const QList<zuvi::test::SimRequest> requests = sim.requests();
    ASSERT_EQ(requests.last().action, "Activity");
    EXPECT_EQ(requests.last().param("Phone"), kPhone);
    EXPECT_EQ(requests.last().param("Hamc"), Form2->FHamc);
    // The simulator's list: its banner element first in "c", a plain one after it.
    EXPECT_EQ(page(), (QStringList{"1、新用户注册", "        注册即送 10 分钟免费通话。\n", "", "", "2、充值送话费", "        本月充值 100 元送 20 元话费。\n", "", ""}));
    EXPECT_EQ(ReadBytes(banner()), ReadBytes(QStringLiteral(ZUVI_TEST_BIN_DIR "/zuvi-service-sim-banner.jpg")));
    for (TImage* image : {Form1->Image2, Form2->Image2}) {
        EXPECT_TRUE(image->Visible());
        EXPECT_EQ(image->Picture()->Width(), 254);
        EXPECT_EQ(image->Picture()->Height(), 58);
    }
    const QString link = "http://" + sim.host() + "/activity.html";
    EXPECT_EQ(Form1->AdLink(), link);
    Form1->Image2Click(Form1->Image2);
    Form2->Image2Click(Form2->Image2);
    EXPECT_EQ(home.lines("urls.log"), (QStringList{link, link}));
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();

    // A filled page is kept: showing the window again asks for nothing.
    Form1->Hide();
    Form1->Show();
    EXPECT_FALSE(Form1->Timer3->Enabled());
    EXPECT_EQ(activityRequests(), 1);
    // The keep-alive timer never runs.
    EXPECT_FALSE(Form1->Timer2->Enabled());
    EXPECT_FALSE(sim.actions().contains("Keepalived"));
}

TEST_F(PromotionsTest, PageShowsTheLastElementFirst)
{
    activity({{"0", "", "", "A", "aaa"}, {"0", "", "", "B", "bbb"}, {"0", "", "", "C", "第三个"}});
    login();
    fetch();
    EXPECT_EQ(page(), (QStringList{"1、C", "        第三个\n", "", "", "2、B", "        bbb\n", "", "", "3、A", "        aaa\n", "", ""}));
    // No banner element: the banner and its link stay as the creation left them.
    EXPECT_FALSE(QFile::exists(banner()));
    EXPECT_FALSE(Form1->Image2->Visible());
    EXPECT_EQ(Form1->AdLink(), "http://site.test");
}

TEST_F(PromotionsTest, EmptyOrFailedFetchTriesAgainAtTheNextShow)
{
    login();
    struct Case {
        const char* what;
        std::function<void()> arrange;
    } cases[] = {
        {"empty list", [&] { activity({}); }},
        {"refused", [&] { sim.fault("Activity", "refuse", 1); }},
        {"not JSON", [&] { sim.fault("Activity", "notjson", 1); }},
        {"HTTP 500", [&] { sim.fault("Activity", "http500", 1); }},
    };
    int expected = 0;
    for (const Case& c : cases) {
        c.arrange();
        fetch();
        EXPECT_EQ(activityRequests(), ++expected) << c.what;
        EXPECT_TRUE(page().isEmpty()) << c.what;
        Form1->Hide();
        Form1->Show();
        EXPECT_TRUE(Form1->Timer3->Enabled()) << c.what;
    }
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
    // The list set back to the simulator's own: the next fetch fills the page.
    post("/_sim/activity", QByteArray());
    fetch();
    EXPECT_EQ(page().size(), 8);
}

TEST_F(PromotionsTest, BannerElementNearestTheFrontDecides)
{
    picture("front.jpg", Jpeg(200, 40, Qt::red));
    picture("back.jpg", Jpeg(120, 30, Qt::blue));
    activity({{"0", "unmarked.jpg", "http://unmarked.test/", "U", "u"},
        {"1", "front.jpg", "http://front.test/", "F", "f"},
        {"", "unmarked.jpg", "http://unmarked.test/", "E", "e"},
        {"1", "back.jpg", "http://back.test/", "B", "b"},
        {"1", "", "", "N", "n"}});
    login();
    fetch();
    // Walked from the back: the back picture first, then the front one, which remains.
    EXPECT_EQ(fetchedPictures(), (QStringList{"back.jpg", "front.jpg"}));
    EXPECT_EQ(ReadBytes(banner()), Jpeg(200, 40, Qt::red));
    for (TImage* image : {Form1->Image2, Form2->Image2}) {
        EXPECT_TRUE(image->Visible());
        EXPECT_EQ(image->Picture()->Width(), 200);
    }
    EXPECT_EQ(Form1->AdLink(), "http://front.test/");
    EXPECT_EQ(page().size(), 20) << "every element gets its four lines";
}

TEST_F(PromotionsTest, FailedDownloadShowsTheOlderBannerAgain)
{
    const QByteArray older = Jpeg(90, 20, Qt::green);
    WriteBytes(banner(), older);
    picture("cut.jpg", Jpeg(254, 58, Qt::red), "cut");
    activity({{"1", "cut.jpg", "http://new.test/", "T", "t"}});
    login();
    // Both forms showed the older banner from their start.
    EXPECT_EQ(Form1->Image2->Picture()->Width(), 90);
    EXPECT_EQ(Form2->Image2->Picture()->Width(), 90);
    Form1->Image2->Picture()->Clear();
    fetch();
    EXPECT_EQ(fetchedPictures(), QStringList{"cut.jpg"});
    EXPECT_EQ(ReadBytes(banner()), older);
    EXPECT_EQ(Form1->Image2->Picture()->Width(), 90) << "the older file is loaded again";
    EXPECT_EQ(Form1->AdLink(), "http://new.test/");
    EXPECT_EQ(page().size(), 4);
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

TEST_F(PromotionsTest, UndecodableBannerIsReportedAndTheProgramGoesOn)
{
    picture("bad.jpg", "<html>not a picture</html>");
    activity({{"1", "bad.jpg", "http://bad.test/", "Bad", "b"}, {"0", "", "", "Plain", "p"}});
    login();
    fetch();
    // The decoder's error ends the fetch after the lines of the element processed before.
    EXPECT_EQ(home.messages(), QStringList{"JPEG error #53"});
    EXPECT_EQ(page(), (QStringList{"1、Plain", "        p\n", "", ""}));
    EXPECT_FALSE(Form1->Image2->Visible());
    EXPECT_EQ(Form1->AdLink(), "http://site.test");
    EXPECT_TRUE(Form1->Visible());

    // At the next start both forms report the file and leave their banners hidden.
    DestroyApplicationForms();
    CreateLoginForm();
    EXPECT_EQ(home.messages().size(), 3);
    EXPECT_FALSE(Form1->Image2->Visible());
    EXPECT_FALSE(Form2->Image2->Visible());
    EXPECT_TRUE(QFile::exists(banner()));
}

TEST_F(PromotionsTest, EmptyBannerFileAtStartIsDeletedAndLeavesAClickableArea)
{
    WriteBytes(banner(), QByteArray());
    CreateLoginForm();
    EXPECT_FALSE(QFile::exists(banner()));
    EXPECT_TRUE(Form1->Image2->Visible());
    EXPECT_FALSE(Form1->Image2->Picture()->HasGraphic() && Form1->Image2->Picture()->Width() > 0);
    // The main window, created first, has deleted the file by the time the login form reads it.
    EXPECT_FALSE(Form2->Image2->Visible());
    Form1->Image2Click(Form1->Image2);
    EXPECT_EQ(home.lines("urls.log"), QStringList{"http://site.test"});
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

TEST_F(PromotionsTest, RefusedKeepAliveSendsTheUserBackToTheLoginForm)
{
    login();
    // Accepted: nothing changes.
    Form1->Timer2Timer(Form1->Timer2);
    EXPECT_TRUE(Form1->Visible());
    EXPECT_FALSE(Form2->Visible());
    sim.fault("Keepalived", "refuse", 1);
    Form1->Timer2Timer(Form1->Timer2);
    EXPECT_EQ(sim.actions().count("Keepalived"), 2);
    EXPECT_EQ(Form1->Label13->Caption(), "失去服务器连接，请重新登录");
    EXPECT_FALSE(Form1->Visible());
    EXPECT_TRUE(Form2->Visible());
    EXPECT_TRUE(Form2->ssSkinButton2->Visible());
    EXPECT_FALSE(Form2->Label8->Visible());
    // The session stays as it was: the token hash is kept and the timer is not switched.
    EXPECT_FALSE(Form2->FHamc.isEmpty());
    EXPECT_FALSE(Form1->Timer2->Enabled());
}

} // namespace

int main(int argc, char** argv) { return FormTestMain(argc, argv); }
