// HTTP client: the bytes that reach the wire, cookies per client, failures and time bounds.
#include "HttpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using zuvi::net::HttpClient;
using zuvi::net::TransportError;

namespace {

// A one-request-per-connection HTTP server that records each request's raw bytes and answers
// with scripted raw responses ("" = close without answering, "silent" = never answer).
class RawServer {
public:
    RawServer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        ::listen(m_fd, 8);
        m_thread = std::thread([this] { run(); });
    }
    ~RawServer()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    void answer(std::string response)
    {
        std::lock_guard lock(m_mutex);
        m_responses.push_back(std::move(response));
    }
    std::vector<std::string> requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    static std::string ok(const std::string& body, const std::string& extraHeaders = {})
    {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders
            + "Connection: close\r\n\r\n" + body;
    }

private:
    void run()
    {
        while (!m_stop) {
            int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            std::string raw = readRequest(c);
            std::string response = "silent";
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(raw);
                if (!m_responses.empty()) {
                    response = m_responses.front();
                    m_responses.pop_front();
                }
            }
            if (response == "silent") {
                pollfd p{c, POLLIN, 0};
                while (!m_stop && ::poll(&p, 1, 100) == 0) { }
            } else if (!response.empty()) {
                ::send(c, response.data(), response.size(), MSG_NOSIGNAL);
            }
            ::close(c);
        }
    }

    static std::string readRequest(int c)
    {
        std::string raw;
        char buf[4096];
        size_t need = std::string::npos;
        while (raw.size() < need) {
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 3000) <= 0)
                break;
            ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            raw.append(buf, size_t(n));
            auto end = raw.find("\r\n\r\n");
            if (end != std::string::npos && need == std::string::npos) {
                size_t length = 0;
                auto cl = raw.find("Content-Length: ");
                if (cl != std::string::npos && cl < end)
                    length = std::stoul(raw.substr(cl + 16));
                need = end + 4 + length;
            }
        }
        return raw;
    }

    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::deque<std::string> m_responses;
    std::vector<std::string> m_requests;
};

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
