// HTTP client: the bytes that reach the wire, cookies per client, failures and time bounds.
#include "HttpClient.h"
#include "RawHttpServer.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using zuvi::net::HttpClient;
using zuvi::net::TransportError;
using zuvi::test::RawServer;

namespace {

QString url(const RawServer& s, const char* pathQuery)
{
    return QString::fromStdString("http://" + s.host()) + QString::fromUtf8(pathQuery);
}

const std::string kUa = "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
const std::string kAcceptBrowser = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";

} // namespace

TEST(HttpClient, GetSendsExactlyTheseBytesAndReturnsTheBodyAsBytes)
{
    setenv("http_proxy", "http://127.0.0.1:9", 1); // ignored: the client uses no proxy
    setenv("HTTP_PROXY", "http://127.0.0.1:9", 1);
    RawServer server;
    const std::string body("{\"ret\":0}\x00\xff\xd6\xd0", 13);
    server.answer(RawServer::ok(body));
    server.answer(RawServer::ok(body));
    HttpClient plain(HttpClient::Kind::Plain);
    EXPECT_EQ(plain.get(url(server, "/m2/index.php?r=Pc/RandCode&Flag=160000")).toStdString(), body);
    HttpClient browser(HttpClient::Kind::Browser);
    browser.get(url(server, "/m2/index.php?r=Pc/Activity&Phone=&Flag=160000&Hamc="));
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string host = "Host: " + server.host() + "\r\n";
    EXPECT_EQ(requests[0], "GET /m2/index.php?r=Pc/RandCode&Flag=160000 HTTP/1.1\r\n" + host + kUa + "Accept: */*\r\n\r\n");
    EXPECT_EQ(requests[1], "GET /m2/index.php?r=Pc/Activity&Phone=&Flag=160000&Hamc= HTTP/1.1\r\n" + host + kUa + kAcceptBrowser + "\r\n");
}

TEST(HttpClient, PostSendsTheReadyBodyWithItsTypeAndLengthAndNoExpect)
{
    RawServer server;
    server.answer(RawServer::ok("{\"ret\":0}"));
    const QByteArray body = "----------x\r\n" + QByteArray(3000, 'a') + "\r\n----------x--\r\n";
    HttpClient client(HttpClient::Kind::Browser);
    client.post(url(server, "/m2/index.php?r=Pc/UpAddresBook"), body, "multipart/form-data; boundary=--------x");

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "POST /m2/index.php?r=Pc/UpAddresBook HTTP/1.1\r\nHost: " + server.host() + "\r\n" + kUa + kAcceptBrowser + "Content-Type: multipart/form-data; boundary=--------x\r\n" + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body.toStdString());
}

TEST(HttpClient, CookiesStayWithTheirClientAndOnlyBrowserClientsKeepThem)
{
    RawServer server;
    for (int i = 0; i < 6; ++i)
        server.answer(RawServer::ok("{}", "Set-Cookie: sid=abc; Path=/\r\n"));
    HttpClient browser(HttpClient::Kind::Browser), other(HttpClient::Kind::Browser), plain(HttpClient::Kind::Plain);
    const QString u = url(server, "/m2/index.php?r=Pc/Keepalived");
    browser.get(u);
    browser.get(u); // sends the cookie back
    other.get(u); // its own, empty store
    plain.get(u);
    plain.get(u); // never keeps cookies
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    auto hasCookie = [](const std::string& r) { return r.find("\r\nCookie: sid=abc\r\n") != std::string::npos; };
    EXPECT_FALSE(hasCookie(requests[0]));
    EXPECT_TRUE(hasCookie(requests[1]));
    EXPECT_FALSE(hasCookie(requests[2]));
    EXPECT_FALSE(hasCookie(requests[3]));
    EXPECT_FALSE(hasCookie(requests[4]));
}

TEST(HttpClient, UrlTextOutsidePrintableAsciiIsPercentEncodedFromGbk)
{
    RawServer server;
    server.answer(RawServer::ok("{}"));
    HttpClient client(HttpClient::Kind::Plain);
    client.get(url(server, "/m2/index.php?r=Pc/Logout&Phone=a b中&Flag=160000&Hamc="));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
        "GET /m2/index.php?r=Pc/Logout&Phone=a%20b%D6%D0&Flag=160000&Hamc= HTTP/1.1");
}

TEST(HttpClient, FailuresAreTransportErrors)
{
    struct {
        const char* response;
        long status;
    } cases[] = {
        {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", 500},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\nConnection: close\r\n\r\nno", 404},
        {"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", 400},
        {"", 0}, // closed without an answer
        {"HTTP/1.1 200 OK\r\nContent-Length: 50\r\nConnection: close\r\n\r\n{\"ret\"", 200}, // cut short
    };
    for (const auto& c : cases) {
        RawServer server;
        server.answer(c.response);
        HttpClient client(HttpClient::Kind::Browser);
        try {
            client.get(url(server, "/m2/index.php?r=Pc/Login"));
            ADD_FAILURE() << "no error for " << c.response;
        } catch (const TransportError& e) {
            EXPECT_EQ(e.status(), c.status) << c.response;
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    // Status below 400 is a reply, whatever it says.
    RawServer server;
    server.answer("HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 4\r\nConnection: close\r\n\r\nmove");
    HttpClient client(HttpClient::Kind::Plain);
    EXPECT_EQ(client.get(url(server, "/")), QByteArray("move"));
}

TEST(HttpClient, NobodyListeningIsATransportError)
{
    int port;
    {
        RawServer gone;
        port = gone.port();
    }
    HttpClient client(HttpClient::Kind::Plain);
    EXPECT_THROW(client.get(QString("http://127.0.0.1:%1/m2/index.php").arg(port)), TransportError);
}

TEST(HttpClient, SilentServerFailsWithinTheBound)
{
    EXPECT_EQ(HttpClient::connectTimeoutMs(), 5000);
    EXPECT_EQ(HttpClient::totalTimeoutMs(), 15000);
    setenv("ZUVI_HTTP_TIMEOUT_MS", "700", 1);
    RawServer server; // answers nothing
    HttpClient client(HttpClient::Kind::Plain);
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.get(url(server, "/m2/index.php?r=Pc/RandCode&Flag=160000")), TransportError);
    auto elapsed = std::chrono::steady_clock::now() - start;
    unsetenv("ZUVI_HTTP_TIMEOUT_MS");
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST(HttpClient, RepliesAboveTheLimitAreTransportErrors)
{
    EXPECT_EQ(HttpClient(HttpClient::Kind::Plain).replyLimit(), HttpClient::kReplyLimit);
    const long long limit = 1000;
    auto chunked = [](const std::string& body) {
        char size[16];
        std::snprintf(size, sizeof size, "%zx", body.size());
        return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n" + std::string(size)
            + "\r\n" + body + "\r\n0\r\n\r\n";
    };
    struct {
        const char* what;
        std::string response;
        bool fits;
    } cases[] = {
        {"declared, at the limit", RawServer::ok(std::string(limit, 'x')), true},
        {"declared, one above", RawServer::ok(std::string(limit + 1, 'x')), false},
        {"chunked, at the limit", chunked(std::string(limit, 'x')), true},
        {"chunked, one above", chunked(std::string(limit + 1, 'x')), false},
        {"chunked, never ending", "endless", false},
        {"no length, closed after the limit", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(limit + 500, 'x'), false},
    };
    for (const auto& c : cases) {
        RawServer server;
        server.answer(c.response);
        HttpClient client(HttpClient::Kind::Plain);
        client.setReplyLimit(limit);
        try {
            EXPECT_EQ(client.get(url(server, "/m2/index.php?r=Pc/Login")).size(), limit) << c.what;
            EXPECT_TRUE(c.fits) << c.what;
        } catch (const TransportError& e) {
            EXPECT_FALSE(c.fits) << c.what << ": " << e.message().toStdString();
        }
    }
}

TEST(HttpClient, SinkTakesTheBodyUnderItsOwnLimit)
{
    RawServer server;
    const std::string body(300000, 'z');
    server.answer(RawServer::ok(body));
    server.answer("endless");
    HttpClient client(HttpClient::Kind::Plain);
    client.setReplyLimit(400000);
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    client.get(url(server, "/zuvi_tmp.exe"), file);
    EXPECT_EQ(file.data().toStdString(), body);

    QBuffer endless;
    endless.open(QIODevice::WriteOnly);
    EXPECT_THROW(client.get(url(server, "/zuvi_tmp.exe"), endless), TransportError);
    EXPECT_LE(endless.size(), 400000);

    // A device that refuses the bytes fails the request.
    server.answer(RawServer::ok("abc"));
    QBuffer closed;
    EXPECT_THROW(client.get(url(server, "/x"), closed), TransportError);
}
