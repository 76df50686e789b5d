// Promotions core: the Activity walk and its lines, the banner rules, the banner download and the
// banner reading at start.
#include "client/core/Promotions.h"

#include "client/core/AccountFiles.h"

#include "SimProcess.h"
#include "TempHome.h"

#include "platform/net/HttpClient.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDevice>

#include <cstdlib>

using namespace zuvi::client;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(ReadPromotions, LastElementComesFirstWithNumberOne)
{
    const auto page = ReadPromotions(R"({"ret":0,"c":[
        {"is_index_pc":"0","pic":"","link":"","title":"A","content":"a"},
        {"is_index_pc":"0","pic":"","link":"","title":"B","content":"b"},
        {"is_index_pc":"0","pic":"","link":"","title":"充值送话费","content":"本月充值 100 元送 20 元"}]})");
    ASSERT_TRUE(page.has_value());
    QStringList lines;
    for (const Promotion& p : *page)
        lines += p.lines;
    EXPECT_EQ(lines, (QStringList{u("1、充值送话费"), u("        本月充值 100 元送 20 元\n"), "", "", u("2、B"), "        b\n", "", "", u("3、A"), "        a\n", "", ""}));
    ASSERT_EQ(page->size(), 3u);
    EXPECT_EQ((*page)[0].number, 1);
    EXPECT_EQ((*page)[2].number, 3);
}

TEST(ReadPromotions, RefusedOrUnreadableRepliesGiveNoPage)
{
    const char* refused[] = {
        "<html>Service unavailable</html>",
        "",
        R"({"ret":1,"c":[{"title":"A"}]})",
        R"({"c":[{"title":"A"}]})", // no "ret"
        R"({"ret":"0","c":[{"title":"A"}]})", // "ret" not a number
    };
    for (const char* body : refused)
        EXPECT_FALSE(ReadPromotions(body).has_value()) << body;

    struct Case {
        const char* body;
        std::size_t elements;
    } read[] = {
        {R"({"ret":0,"c":[]})", 0},
        {R"({"ret":0})", 0},
        {R"({"ret":0,"c":{"title":"A"}})", 0},
        {R"({"RET":0,"C":[{"title":"A"}]})", 1}, // keys ignore letter case
        {R"({"ret":0,"c":[{}, 5]})", 2}, // fields missing: read as empty
    };
    for (const Case& c : read) {
        const auto page = ReadPromotions(c.body);
        ASSERT_TRUE(page.has_value()) << c.body;
        EXPECT_EQ(page->size(), c.elements) << c.body;
    }
    const auto empty = ReadPromotions(R"({"ret":0,"c":[{"title":7}]})");
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ((*empty)[0].lines, (QStringList{u("1、"), "        \n", "", ""}));
}

TEST(ReadPromotions, OnlyElementsMarkedOneCarryBannerPictureAndLink)
{
    struct Case {
        const char* mark;
        const char* pic;
        const char* link;
        const char* wantPic;
        const char* wantLink;
    } cases[] = {
        {R"("1")", "http://p/x.jpg", "http://l/", "http://p/x.jpg", "http://l/"},
        {R"("1")", "", "http://l/", "", "http://l/"},
        {R"("1")", "http://p/x.jpg", "", "http://p/x.jpg", ""},
        {R"("0")", "http://p/x.jpg", "http://l/", "", ""},
        {R"("")", "http://p/x.jpg", "http://l/", "", ""},
        {R"(" 1")", "http://p/x.jpg", "http://l/", "", ""},
        {"1", "http://p/x.jpg", "http://l/", "", ""}, // a number, not the text "1"
    };
    for (const Case& c : cases) {
        const QByteArray body = QByteArray(R"({"ret":0,"c":[{"is_index_pc":)") + c.mark + R"(,"pic":")" + c.pic
            + R"(","link":")" + c.link + R"(","title":"T","content":"C"}]})";
        const auto page = ReadPromotions(body);
        ASSERT_TRUE(page.has_value()) << body.constData();
        ASSERT_EQ(page->size(), 1u);
        EXPECT_EQ((*page)[0].bannerPicture, c.wantPic) << body.constData();
        EXPECT_EQ((*page)[0].bannerLink, c.wantLink) << body.constData();
        // Banner element or not, every element gets its four lines.
        EXPECT_EQ((*page)[0].lines.size(), 4);
    }
}

// The banner download against the simulator's pictures, with a private data folder.
class BannerDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("ZUVI_HTTP_TIMEOUT_MS", "1500", 1);
        banner = bannerFile();
        tools = QString::fromStdString(home.dir()) + "/tools/";
        QDir().mkpath(tools);
    }
    void TearDown() override { unsetenv("ZUVI_HTTP_TIMEOUT_MS"); }

    void picture(const std::string& name, const QByteArray& bytes, const std::string& mode = "ok")
    {
        zuvi::net::HttpClient c(zuvi::net::HttpClient::Kind::Plain);
        c.post(QString::fromStdString(sim.base() + "/_sim/picture?name=" + name + "&mode=" + mode), bytes, "image/jpeg");
    }
    QString url(const std::string& name) const { return QString::fromStdString(sim.base() + "/_sim/pic/" + name); }
    QStringList dataFiles() const { return QDir(home.dataFolder()).entryList(QDir::Files); }

    zuvi::test::TempHome home{"zuvi-promo-test"};
    zuvi::test::SimProcess sim;
    QString banner;
    QString tools; // a program folder without the helper pair
};

TEST_F(BannerDownload, WholePictureReplacesTheBannerFile)
{
    // The data folder does not exist yet: the download creates it.
    picture("new.jpg", "NEW-PICTURE-BYTES");
    DownloadBanner(url("new.jpg"), tools);
    EXPECT_EQ(readAll(banner), "NEW-PICTURE-BYTES");
    picture("next.jpg", "NEXT");
    DownloadBanner(url("next.jpg"), tools);
    EXPECT_EQ(readAll(banner), "NEXT");
    EXPECT_EQ(dataFiles(), QStringList{"ad.jpg"});
}

TEST_F(BannerDownload, FailedDownloadLeavesTheOlderBanner)
{
    QDir().mkpath(QFileInfo(banner).path());
    const QByteArray older = "OLDER-PICTURE";
    picture("cut.jpg", QByteArray(4096, 'x'), "cut");
    picture("missing.jpg", "x", "missing");
    picture("slow.jpg", "SLOW", "hang");
    const std::string broken[] = {"cut.jpg", "missing.jpg", "slow.jpg", "never-set.jpg"};
    for (const std::string& name : broken) {
        writeAll(banner, older);
        DownloadBanner(url(name), tools);
        EXPECT_EQ(readAll(banner), older) << name;
        EXPECT_EQ(dataFiles(), QStringList{"ad.jpg"}) << name << ": no partial file left";
    }
    // Without an older banner, a failed download leaves none.
    QFile::remove(banner);
    DownloadBanner(url("missing.jpg"), tools);
    EXPECT_FALSE(QFile::exists(banner));
    // A server that is not there, an address that is no web address, a local file.
    for (const char* address : {"http://127.0.0.1:9/ad.jpg", "not an address", "file:///etc/hostname"}) {
        DownloadBanner(address, tools);
        EXPECT_FALSE(QFile::exists(banner)) << address;
    }
}

TEST_F(BannerDownload, HelperPairGetsCurlPathAddressAndTarget)
{
    const QString args = QString::fromStdString(home.dir()) + "/args";
    const QString script = tools + "run.bat";
    writeAll(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\nprintf TOOL > \"$3\"\n");
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString address = "http://pics.test/a b.jpg";
    DownloadBanner(address, tools);
    EXPECT_EQ(QString::fromUtf8(readAll(args)).split('\n', Qt::SkipEmptyParts),
        (QStringList{tools + "curl.exe", address, banner}));
    EXPECT_EQ(readAll(banner), "TOOL");

    // A helper that cannot start: the program goes on at once and the older banner stays.
    writeAll(banner, "OLDER");
    writeAll(script, "#!/nonexistent/interpreter\n");
    DownloadBanner(address, tools);
    EXPECT_EQ(readAll(banner), "OLDER");

    // A "run.bat" that is not executable is no helper: the program downloads by itself.
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    picture("own.jpg", "OWN");
    DownloadBanner(url("own.jpg"), tools);
    EXPECT_EQ(readAll(banner), "OWN");
}

TEST_F(BannerDownload, OnlyARefusedKeepAliveCounts)
{
    zuvi::net::HttpClient http(zuvi::net::HttpClient::Kind::Browser);
    const WebGet get = [&](const QString& url) { return http.get(url); };
    setenv("ZUVI_API_HOST", sim.host().c_str(), 1);
    // Accepted for the session of a login, refused without one.
    namespace net = zuvi::net;
    const QString hamc = net::Hamc("13800000001", net::ansiString(net::readReply(get(net::ServiceApi::RandCode())).root(), "rd"));
    ASSERT_EQ(net::readReply(get(net::ServiceApi::Login("13800000001", net::Passwd("zuvi1234"), hamc))).ret(), 0);
    EXPECT_FALSE(KeepAliveRefused(get, "13800000001", hamc));
    EXPECT_TRUE(KeepAliveRefused(get, "13800000001", "0123"));
    // A status-less answer is a refusal; anything that is no JSON answer at all is not.
    struct Case {
        const char* mode;
        bool refused;
    } cases[] = {{"noret", true}, {"notjson", false}, {"empty", false}, {"http500", false}, {"close", false}};
    for (const Case& c : cases) {
        http.post(QString::fromStdString(sim.base() + "/_sim/fault?action=Keepalived&mode=" + c.mode), QByteArray(), "text/plain");
        EXPECT_EQ(KeepAliveRefused(get, "13800000001", hamc), c.refused) << c.mode;
    }
    unsetenv("ZUVI_API_HOST");
}

} // namespace
