// Service simulator driven through the web API client: every action, the wire, and the faults.
#include "SimProcess.h"

#include "Endpoints.h"
#include "HttpClient.h"
#include "ServiceApi.h"
#include "WebReply.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace zuvi::net;
using zuvi::test::SimProcess;
using zuvi::test::SimRequest;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }
QString q(const std::string& s) { return QString::fromStdString(s); }

const QString kPhone = u("13800000001");
const QString kPassword = u("zuvi1234");

class Sim : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("ZUVI_API_HOST", sim.host().c_str(), 1);
        setenv("ZUVI_API2_HOST", sim.host().c_str(), 1);
    }

    void control(const std::string& pathQuery)
    {
        HttpClient c(HttpClient::Kind::Plain);
        c.post(q(sim.base() + pathQuery), QByteArray(), "text/plain");
    }
    std::vector<SimRequest> log()
    {
        HttpClient c(HttpClient::Kind::Plain);
        return SimProcess::parseLog(c.get(q(sim.base() + "/_sim/log")).toStdString());
    }

    // RandCode + Login for an account; returns the token hash.
    QString login(HttpClient& http, const QString& phone, const QString& password)
    {
        Reply code = readReply(http.get(ServiceApi::RandCode()));
        EXPECT_EQ(code.ret(), 0);
        QString hamc = Hamc(phone, ansiString(code.root(), "rd"));
        Reply reply = readReply(http.get(ServiceApi::Login(phone, Passwd(password), hamc)));
        EXPECT_EQ(reply.ret(), 0);
        return hamc;
    }

    SimProcess sim;
};

} // namespace

TEST_F(Sim, LoginSequenceGivesEveryFieldAndTheSipCredentials)
{
    HttpClient http(HttpClient::Kind::Plain);
    Reply code = readReply(http.get(ServiceApi::RandCode()));
    ASSERT_EQ(code.ret(), 0);
    const QString rd = ansiString(code.root(), "rd");
    EXPECT_FALSE(rd.isEmpty());
    EXPECT_NE(ansiString(readReply(http.get(ServiceApi::RandCode())).root(), "rd"), rd); // fresh each time

    const QString hamc = Hamc(kPhone, rd);
    Reply login = readReply(http.get(ServiceApi::Login(kPhone, Passwd(kPassword), hamc)));
    ASSERT_EQ(login.ret(), 0);
    const cJSON* info = login.item("rd");
    EXPECT_EQ(ansiString(info, "vos_ip"), u("127.0.0.1:5070"));
    EXPECT_EQ(utf8String(info, "Balance"), u("12.50"));
    EXPECT_EQ(utf8String(info, "Balancemin"), u("约 25 分钟"));
    EXPECT_EQ(ansiString(info, "total_login_times"), u("1"));
    EXPECT_EQ(ansiString(info, "current_ip"), u("127.0.0.1"));
    for (const char* key : {"ip", "login_time", "current_logintime", "vos_domain", "syncstr"})
        EXPECT_NE(item(info, key), nullptr) << key;

    // A second Login with the same token (the refresh after a call) counts on.
    Reply again = readReply(http.get(ServiceApi::Login(kPhone, Passwd(kPassword), hamc)));
    EXPECT_EQ(ansiString(again.item("rd"), "total_login_times"), u("2"));
    EXPECT_EQ(ansiString(again.item("rd"), "ip"), u("127.0.0.1"));

    for (QString url : {ServiceApi::CheckPM(kPhone, hamc), ServiceApi::CreatePM(kPhone, hamc)}) {
        QByteArray body = http.get(url);
        EXPECT_FALSE(readReply(body).isJson()) << body.constData(); // scrambled
        Reply pm = unscrambleReply(body);
        ASSERT_EQ(pm.ret(), 0);
        EXPECT_EQ(ansiString(pm.item("rd"), "vos_id"), u("80001"));
        EXPECT_EQ(ansiString(pm.item("rd"), "vos_pw"), u("sip80001pw"));
    }
    // The call set up with those credentials is charged at the refresh that follows it, once.
    Reply charged = readReply(http.get(ServiceApi::Login(kPhone, Passwd(kPassword), hamc)));
    EXPECT_EQ(utf8String(charged.item("rd"), "Balance"), u("12.00"));
    EXPECT_EQ(utf8String(charged.item("rd"), "Balancemin"), u("约 24 分钟"));
    Reply same = readReply(http.get(ServiceApi::Login(kPhone, Passwd(kPassword), hamc)));
    EXPECT_EQ(utf8String(same.item("rd"), "Balance"), u("12.00"));
    EXPECT_EQ(readReply(http.get(ServiceApi::Keepalived(kPhone, hamc))).ret(), 0);
    EXPECT_EQ(readReply(http.get(ServiceApi::Logout(kPhone, hamc))).ret(), 0);
    // The session is gone: refused, still scrambled.
    EXPECT_EQ(unscrambleReply(http.get(ServiceApi::CheckPM(kPhone, hamc))).ret(), 1);
    EXPECT_NE(readReply(http.get(ServiceApi::Keepalived(kPhone, hamc))).ret(), 0);
}

TEST_F(Sim, LoginRefusals)
{
    HttpClient http(HttpClient::Kind::Plain);
    const QString rd = ansiString(readReply(http.get(ServiceApi::RandCode())).root(), "rd");
    struct {
        QString phone, passwd, hamc;
    } cases[] = {
        {kPhone, Passwd(u("wrong")), Hamc(kPhone, rd)},
        {u("19999999999"), Passwd(kPassword), Hamc(u("19999999999"), rd)},
        {kPhone, Passwd(kPassword), Hamc(kPhone, rd + u("x"))}, // token of no issued code
        {kPhone, Passwd(kPassword), QString()},
    };
    for (const auto& c : cases) {
        Reply r = readReply(http.get(ServiceApi::Login(c.phone, c.passwd, c.hamc)));
        ASSERT_TRUE(r.isJson());
        EXPECT_GT(r.ret(), 0) << c.phone.toStdString();
    }
    // Without a login the credentials are refused (the Logout at shut-down still answers 0).
    EXPECT_EQ(unscrambleReply(http.get(ServiceApi::CreatePM(kPhone, Hamc(kPhone, rd)))).ret(), 1);
    EXPECT_EQ(readReply(http.get(ServiceApi::Logout(QString(), QString()))).ret(), 0);
}

TEST_F(Sim, PlainCheckPmAccountIsCreatedThroughCreatePm)
{
    HttpClient http(HttpClient::Kind::Plain);
    const QString phone = u("13800000002");
    const QString hamc = login(http, phone, u("zuvi5678"));
    Reply check = readReply(http.get(ServiceApi::CheckPM(phone, hamc)));
    ASSERT_TRUE(check.isJson());
    EXPECT_NE(check.ret(), 0);
    Reply create = unscrambleReply(http.get(ServiceApi::CreatePM(phone, hamc)));
    EXPECT_EQ(ansiString(create.item("rd"), "vos_id"), u("80002"));

    // The "plain" switch answers CheckPM with plain JSON carrying the credentials.
    control("/_sim/fault?action=CheckPM&mode=plain&count=1");
    Reply plain = readReply(http.get(ServiceApi::CheckPM(kPhone, login(http, kPhone, kPassword))));
    EXPECT_EQ(plain.ret(), 0);
    EXPECT_EQ(ansiString(plain.item("rd"), "vos_id"), u("80001"));
}

TEST_F(Sim, EveryActionReachesTheServiceAsSent)
{
    HttpClient plain(HttpClient::Kind::Plain), browser(HttpClient::Kind::Browser);
    const QString hamc = login(plain, kPhone, kPassword);
    control("/_sim/reset");
    const std::string h = hamc.toStdString();
    struct {
        QString url;
        bool browser;
        const char* path;
        std::string query;
    } cases[] = {
        {ServiceApi::RandCode(), false, "/m2/index.php", "r=Pc/RandCode&Flag=160000"},
        {ServiceApi::Login(kPhone, Passwd(kPassword), hamc), false, "/m2/index.php",
            "r=Pc/Login&Phone=13800000001&Passwd=9eb0b751584c1857a99d4463fcc40e76&Flag=160000&Hamc=" + h},
        {ServiceApi::CheckPM(kPhone, hamc), false, "/m2/index.php", "r=Pc/CheckPM&Phone=13800000001&Flag=160000&Hamc=" + h},
        {ServiceApi::CreatePM(kPhone, hamc), false, "/m2/index.php", "r=Pc/CreatePM&Phone=13800000001&Flag=160000&Hamc=" + h},
        {ServiceApi::softversion(), false, "/m2/index.php", "r=Pc/softversion&Flag=160000&Ver=5.1.0"},
        {ServiceApi::Activity(kPhone, hamc), true, "/m2/index.php", "r=Pc/Activity&Phone=13800000001&Flag=160000&Hamc=" + h},
        {ServiceApi::CheckPM(kPhone, hamc), true, "/m2/index.php", "r=Pc/CheckPM&Phone=13800000001&Flag=160000&Hamc=" + h},
        {ServiceApi::Keepalived(kPhone, hamc), true, "/m2/index.php", "r=Pc/Keepalived&Phone=13800000001&Flag=160000&Hamc=" + h},
        {ServiceApi::RestoreAddresBook(kPhone, hamc), true, "/m2_release/index.php",
            "r=Pc/RestoreAddresBook&Phone=13800000001&Flag=160000&Hamc=" + h + "&Ver=5.1.0"},
        {ServiceApi::RandCode2(), true, "/m2_release/index.php", "r=Pc/RandCode&Flag=160000"},
        {ServiceApi::Logout(kPhone, hamc), false, "/m2/index.php", "r=Pc/Logout&Phone=13800000001&Flag=160000&Hamc=" + h},
    };
    for (const auto& c : cases)
        (c.browser ? browser : plain).get(c.url);
    auto requests = log();
    ASSERT_EQ(requests.size(), std::size(cases));
    bool firstBrowser = true;
    for (size_t i = 0; i < requests.size(); ++i) {
        const auto& r = requests[i];
        const auto& c = cases[i];
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(r.query, c.query);
        EXPECT_EQ(r.version, "HTTP/1.1");
        EXPECT_EQ(r.body, "");
        std::vector<std::pair<std::string, std::string>> expected{
            {"Accept", c.browser ? kAcceptBrowser : kAcceptAny}, {"Host", sim.host()},
            {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"}};
        // The browser client returns the session cookie it got on its first request.
        if (c.browser && !firstBrowser)
            expected.insert(expected.begin() + 1, {"Cookie", requests[i].header("Cookie")});
        EXPECT_EQ(r.headers, expected) << c.query;
        if (c.browser && !firstBrowser) {
            EXPECT_EQ(r.header("Cookie").rfind("PHPSESSID=", 0), 0u);
        }
        firstBrowser = firstBrowser && !c.browser;
    }
}

namespace {

// The address-book upload body: five quoted-printable text fields.
QByteArray uploadBody(const QByteArray& boundary, const std::vector<std::pair<QByteArray, QByteArray>>& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name
            + "\"\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
        int c = 0;
        for (char ch : value) { // printable ASCII only here
            if (ch == '.' && c == 0) {
                body += "=2E";
                c += 3;
            } else {
                body += ch;
                c += 1;
            }
            if (c >= 70) {
                body += "=\r\n";
                c = 0;
            }
        }
        body += "\r\n";
    }
    return body + "--" + boundary + "--\r\n";
}

} // namespace

TEST_F(Sim, UploadedContactComesBackInTheRestore)
{
    HttpClient http(HttpClient::Kind::Browser);
    const QString hamc = login(http, kPhone, kPassword);
    const QByteArray boundary = "--------121026090233123";
    // 李四王五赵六钱: a PL value of 76 characters, soft-broken after 70.
    const QByteArray pl = "13900000009,%E6%9D%8E%E5%9B%9B%E7%8E%8B%E4%BA%94%E8%B5%B5%E5%85%AD%E9%92%B1,";
    ASSERT_EQ(pl.size(), 76);
    const QByteArray body = uploadBody(boundary, {{"Phone", kPhone.toLatin1()}, {"Flag", "160000"}, {"Ver", "5.1.0"}, {"Hamc", hamc.toLatin1()}, {"PL", pl}});
    ASSERT_TRUE(body.contains(pl.left(70) + "=\r\n" + pl.mid(70) + "\r\n"));
    control("/_sim/reset");
    Reply up = readReply(http.post(ServiceApi::UpAddresBook(), body, "multipart/form-data; boundary=" + boundary));
    EXPECT_EQ(up.ret(), 0);

    auto requests = log();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].query, "r=Pc/UpAddresBook");
    EXPECT_EQ(requests[0].body, body.toStdString());
    EXPECT_EQ(requests[0].header("Content-Type"), "multipart/form-data; boundary=" + boundary.toStdString());
    EXPECT_EQ(requests[0].header("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(requests[0].header("Expect"), "");

    Reply restore = readReply(http.get(ServiceApi::RestoreAddresBook(kPhone, hamc)));
    ASSERT_EQ(restore.ret(), 0);
    const cJSON* c = restore.item("c");
    ASSERT_EQ(arraySize(c), 2);
    EXPECT_EQ(ansiString(arrayItem(c, 0), "p"), u("13900000001"));
    EXPECT_EQ(utf8String(arrayItem(c, 0), "n"), u("张三"));
    EXPECT_EQ(ansiString(arrayItem(c, 1), "p"), u("13900000009"));
    EXPECT_EQ(utf8String(arrayItem(c, 1), "n"), u("李四王五赵六钱"));

    // Without a session the upload is refused.
    const QByteArray stranger = uploadBody(boundary, {{"Phone", "13800000002"}, {"Flag", "160000"}, {"Ver", "5.1.0"}, {"Hamc", ""}, {"PL", "1,"}});
    EXPECT_NE(readReply(http.post(ServiceApi::UpAddresBook(), stranger, "multipart/form-data; boundary=" + boundary)).ret(), 0);
}

TEST_F(Sim, UploadBodiesAreReadAsAServerReadsThem)
{
    HttpClient http(HttpClient::Kind::Browser);
    const QString hamc = login(http, kPhone, kPassword);
    const QByteArray b = "--------121026090233123";
    auto head = [&](const QByteArray& name) {
        return "--" + b + "\r\nContent-Disposition: form-data; name=\"" + name
            + "\"\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
    };
    const QByteArray fields = head("Phone") + kPhone.toLatin1() + "\r\n" + head("Hamc") + hamc.toLatin1() + "\r\n";
    const QByteArray close = "--" + b + "--\r\n";
    const QByteArray longLine(77, 'x');
    struct Case {
        QByteArray contentType, body;
        std::string pl, error; // PL as read; a part of the fault's text, or empty
    } cases[] = {
        {"multipart/form-data; boundary=" + b, fields + head("PL") + "139,a,\r\n" + close, "139,a,", ""},
        // A preamble and an epilogue are skipped; a quoted boundary parameter is read.
        {"multipart/form-data; boundary=\"" + b + "\"", "preamble\r\n" + fields + head("PL") + "139,b,\r\n" + close + "epilogue",
            "139,b,", ""},
        // Escapes, soft breaks and blanks added at a line's end.
        {"multipart/form-data; boundary=" + b, fields + head("PL") + "1=33=\r\n9,=2Ec,  \r\n" + close, "139,.c,", ""},
        {"multipart/form-data; boundary=" + b, fields + head("PL") + "139,=2e,\r\n" + close, "", "escape"},
        {"multipart/form-data; boundary=" + b, fields + head("PL") + "139,\xE5,\r\n" + close, "", "not encoded"},
        {"multipart/form-data; boundary=" + b, fields + head("PL") + longLine + "\r\n" + close, "", "77 characters"},
        {"multipart/form-data; boundary=" + b, fields + head("PL") + "139,a,\r\n", "", "no closing boundary"},
        {"multipart/form-data; boundary=" + b, fields + "--" + b + "\r\nContent-Type: text/plain\r\n\r\n1\r\n" + close, "",
            "disposition"},
        {"multipart/form-data", fields + close, "", "no boundary"},
    };
    for (const Case& c : cases) {
        control("/_sim/reset");
        http.post(ServiceApi::UpAddresBook(), c.body, c.contentType);
        HttpClient reader(HttpClient::Kind::Plain);
        cJSON* got = cJSON_Parse(reader.get(q(sim.base() + "/_sim/uploads")).constData());
        ASSERT_NE(got, nullptr) << c.body.toStdString();
        const std::string error = cJSON_GetObjectItem(got, "error")->valuestring;
        if (c.error.empty()) {
            EXPECT_EQ(error, "") << c.body.toStdString();
            EXPECT_EQ(std::string(cJSON_GetObjectItem(got, "PL")->valuestring), c.pl);
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << error << " / " << c.body.toStdString();
        }
        cJSON_Delete(got);
    }
}

TEST_F(Sim, ActivityNamesABannerPictureTheServiceServes)
{
    HttpClient http(HttpClient::Kind::Browser);
    const QString hamc = login(http, kPhone, kPassword);
    Reply reply = readReply(http.get(ServiceApi::Activity(kPhone, hamc)));
    ASSERT_EQ(reply.ret(), 0);
    const cJSON* c = reply.item("c");
    ASSERT_GE(arraySize(c), 1);
    int banners = 0;
    for (int i = 0; i < arraySize(c); ++i) {
        const cJSON* e = arrayItem(c, i);
        EXPECT_FALSE(utf8String(e, "title").isEmpty());
        EXPECT_FALSE(utf8String(e, "content").isEmpty());
        if (ansiString(e, "is_index_pc") != u("1"))
            continue;
        ++banners;
        EXPECT_FALSE(ansiString(e, "link").isEmpty());
        QByteArray jpeg = http.get(ansiString(e, "pic"));
        ASSERT_GT(jpeg.size(), 100);
        EXPECT_TRUE(jpeg.startsWith("\xff\xd8\xff"));
        EXPECT_TRUE(jpeg.endsWith("\xff\xd9"));
    }
    EXPECT_EQ(banners, 1);
}

TEST_F(Sim, SoftversionAnswersTheConfiguredInstaller)
{
    HttpClient http(HttpClient::Kind::Plain);
    Reply none = readReply(http.get(ServiceApi::softversion()));
    ASSERT_TRUE(none.isJson());
    EXPECT_EQ(item(none.root(), "ret"), nullptr);
    EXPECT_EQ(ansiString(none.root(), "u"), QString());
    control("/_sim/softversion?u=http://127.0.0.1:1/zuvi_setup.exe");
    EXPECT_EQ(ansiString(readReply(http.get(ServiceApi::softversion())).root(), "u"),
        u("http://127.0.0.1:1/zuvi_setup.exe"));

    SimProcess other({"--update-url", "http://127.0.0.1:2/new.exe"});
    EXPECT_EQ(ansiString(readReply(http.get(q(other.base() + "/m2/index.php?r=Pc/softversion&Flag=160000&Ver=5.1.0"))).root(), "u"),
        u("http://127.0.0.1:2/new.exe"));
}

TEST_F(Sim, RandCodeRefusedTwiceThenAccepted)
{
    control("/_sim/fault?action=RandCode&mode=refuse&count=2");
    HttpClient http(HttpClient::Kind::Plain);
    EXPECT_EQ(readReply(http.get(ServiceApi::RandCode())).ret(), 1);
    EXPECT_EQ(readReply(http.get(ServiceApi::RandCode())).ret(), 1);
    Reply third = readReply(http.get(ServiceApi::RandCode()));
    EXPECT_EQ(third.ret(), 0);
    Reply login = readReply(http.get(ServiceApi::Login(kPhone, Passwd(kPassword), Hamc(kPhone, ansiString(third.root(), "rd")))));
    EXPECT_EQ(login.ret(), 0);
}

TEST_F(Sim, FaultModes)
{
    HttpClient http(HttpClient::Kind::Plain);
    const QString hamc = login(http, kPhone, kPassword);
    struct {
        const char* fault;
        QString url;
        int ret;
        Reply::Kind kind;
        bool scrambled;
    } replies[] = {
        {"action=Login&mode=noret", ServiceApi::Login(kPhone, Passwd(kPassword), hamc), -1, Reply::Kind::Json, false},
        {"action=Login&mode=notjson", ServiceApi::Login(kPhone, Passwd(kPassword), hamc), -1, Reply::Kind::NotJson, false},
        {"action=Activity&mode=empty", ServiceApi::Activity(kPhone, hamc), -1, Reply::Kind::NotJson, false},
        {"action=CheckPM&mode=refuse", ServiceApi::CheckPM(kPhone, hamc), 1, Reply::Kind::Json, true},
        {"action=CreatePM&mode=noret", ServiceApi::CreatePM(kPhone, hamc), -1, Reply::Kind::Json, true},
        {"action=CreatePM&mode=empty", ServiceApi::CreatePM(kPhone, hamc), -1, Reply::Kind::Empty, true},
    };
    for (const auto& c : replies) {
        control(std::string("/_sim/fault?") + c.fault);
        QByteArray body = http.get(c.url);
        Reply r = c.scrambled ? unscrambleReply(body) : readReply(body);
        EXPECT_EQ(r.kind(), c.kind) << c.fault;
        EXPECT_EQ(r.ret(), c.ret) << c.fault;
        // A fault without a count stays until switched off.
        EXPECT_EQ((c.scrambled ? unscrambleReply(http.get(c.url)) : readReply(http.get(c.url))).kind(), c.kind);
        std::string fault = c.fault;
        control("/_sim/fault?" + fault.substr(0, fault.find('&')) + "&mode=off");
    }
    EXPECT_EQ(readReply(http.get(ServiceApi::Login(kPhone, Passwd(kPassword), hamc))).ret(), 0);

    struct {
        const char* fault;
        long status;
    } failures[] = {
        {"action=Keepalived&mode=http500&count=1", 500},
        {"action=Keepalived&mode=close&count=1", 0},
    };
    for (const auto& c : failures) {
        control(std::string("/_sim/fault?") + c.fault);
        // The client that sent the earlier requests: a dropped connection fails the request once,
        // it is never sent again behind the caller's back.
        try {
            http.get(ServiceApi::Keepalived(kPhone, hamc));
            ADD_FAILURE() << c.fault;
        } catch (const TransportError& e) {
            EXPECT_EQ(e.status(), c.status) << c.fault;
        }
        EXPECT_EQ(readReply(http.get(ServiceApi::Keepalived(kPhone, hamc))).ret(), 0) << c.fault;
    }
}

TEST_F(Sim, DelayBeyondTheBoundIsATransportFailureWithinTheBound)
{
    HttpClient http(HttpClient::Kind::Plain);
    control("/_sim/fault?action=RandCode&mode=delay&ms=3000&count=1");
    setenv("ZUVI_HTTP_TIMEOUT_MS", "500", 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(http.get(ServiceApi::RandCode()), TransportError);
    auto elapsed = std::chrono::steady_clock::now() - start;
    unsetenv("ZUVI_HTTP_TIMEOUT_MS");
    EXPECT_LT(elapsed, std::chrono::milliseconds(2500));

    // A delay within the bound is only slow.
    control("/_sim/fault?action=RandCode&mode=delay&ms=300&count=1");
    EXPECT_EQ(readReply(http.get(ServiceApi::RandCode())).ret(), 0);
}

TEST_F(Sim, ServesAPageForEveryWebSitePathTheProgramOpens)
{
    HttpClient http(HttpClient::Kind::Plain);
    for (const char* path : {"/", "/help/index.html", "/pay.html", "/center.html", "/login.html",
             "/user/register.html", "/user/findpwd.html", "/activity.html"}) {
        const QByteArray body = http.get(q(sim.base() + path));
        EXPECT_TRUE(body.startsWith("<!DOCTYPE html>")) << path;
        EXPECT_TRUE(body.contains("<title>")) << path;
    }
    EXPECT_THROW(http.get(q(sim.base() + "/nowhere.html")), TransportError);
}
