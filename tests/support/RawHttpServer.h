// Test support: a raw HTTP server on a free loopback port, answering scripted bytes.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zuvi::test {

// A one-request-per-connection HTTP server that records each request's raw bytes and answers
// with scripted raw responses ("" = close without answering, "silent" = never answer,
// "endless" = a chunked body that never ends; sent() counts its body bytes).
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
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;
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
    // Every request whose request line contains needle gets this response, before the queue.
    void route(std::string needle, std::string response)
    {
        std::lock_guard lock(m_mutex);
        m_routes.emplace_back(std::move(needle), std::move(response));
    }
    long long sent() const { return m_sent; }
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
                const std::string line = raw.substr(0, raw.find("\r\n"));
                bool routed = false;
                for (const auto& [needle, routedResponse] : m_routes) {
                    if (line.find(needle) != std::string::npos) {
                        response = routedResponse;
                        routed = true;
                        break;
                    }
                }
                if (!routed && !m_responses.empty()) {
                    response = m_responses.front();
                    m_responses.pop_front();
                }
            }
            if (response == "endless") {
                const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
                const std::string chunk = "4000\r\n" + std::string(0x4000, 'A') + "\r\n";
                bool open = ::send(c, head.data(), head.size(), MSG_NOSIGNAL) > 0;
                while (open && !m_stop) {
                    open = ::send(c, chunk.data(), chunk.size(), MSG_NOSIGNAL) == ssize_t(chunk.size());
                    if (open)
                        m_sent += 0x4000;
                }
            } else if (response == "silent") {
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
    std::atomic<long long> m_sent{0};
    std::thread m_thread;
    std::mutex m_mutex;
    std::deque<std::string> m_responses;
    std::vector<std::pair<std::string, std::string>> m_routes;
    std::vector<std::string> m_requests;
};

} // namespace zuvi::test
