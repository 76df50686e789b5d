// Simulator: Activity replies set by tests, and the pictures their banner elements point at.
#include "Activity.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {

namespace {

struct Picture {
    std::string bytes;
    std::string mode = "ok"; // ok, missing, cut, hang
    int ms = 20000;
};

std::mutex g_mutex;
std::optional<std::string> g_activity;
std::map<std::string, Picture> g_pictures;
std::vector<std::string> g_fetched; // names of the picture requests, in order

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

void setActivity(const httplib::Request& req, httplib::Response& res)
{
    std::lock_guard lock(g_mutex);
    if (req.body.empty())
        g_activity.reset();
    else
        g_activity = req.body;
    res.set_content("ok\n", "text/plain");
}

void setPicture(const httplib::Request& req, httplib::Response& res)
{
    const std::string name = req.get_param_value("name");
    const std::string mode = req.has_param("mode") ? req.get_param_value("mode") : "ok";
    if (name.empty() || (mode != "ok" && mode != "missing" && mode != "cut" && mode != "hang")) {
        res.status = 400;
        res.set_content("bad name or mode\n", "text/plain");
        return;
    }
    std::lock_guard lock(g_mutex);
    Picture& p = g_pictures[name];
    if (!req.body.empty())
        p.bytes = req.body;
    p.mode = mode;
    if (req.has_param("ms"))
        p.ms = std::atoi(req.get_param_value("ms").c_str());
    res.set_content("ok\n", "text/plain");
}

void listFetched(httplib::Response& res)
{
    std::lock_guard lock(g_mutex);
    std::string out;
    for (const auto& name : g_fetched)
        out += name + "\n";
    res.set_content(out, "text/plain");
}

void servePicture(const httplib::Request& req, httplib::Response& res)
{
    const std::string name = req.matches[1];
    Picture p;
    {
        std::lock_guard lock(g_mutex);
        g_fetched.push_back(name);
        auto it = g_pictures.find(name);
        if (it == g_pictures.end() || it->second.mode == "missing") {
            res.status = 404;
            res.set_content("<html><body>404 Not Found</body></html>", "text/html");
            return;
        }
        p = it->second;
    }
    if (p.mode == "hang")
        std::this_thread::sleep_for(std::chrono::milliseconds(p.ms));
    if (p.mode == "cut") {
        // Announces twice the bytes, sends the first half and closes the connection.
        const std::string half = p.bytes.substr(0, p.bytes.size() / 2);
        res.set_content_provider(p.bytes.size() * 2, "image/jpeg",
            [half](size_t, size_t, httplib::DataSink& sink) {
                sink.write(half.data(), half.size());
                return false;
            });
        return;
    }
    res.set_content(p.bytes, "image/jpeg");
}

} // namespace

std::optional<std::string> customActivity(const std::string& host)
{
    std::lock_guard lock(g_mutex);
    if (!g_activity)
        return std::nullopt;
    return replaceAll(*g_activity, "{HOST}", host);
}

void addActivityRoutes(httplib::Server& server)
{
    server.Post("/_sim/activity", setActivity);
    server.Post("/_sim/picture", setPicture);
    server.Get("/_sim/pictures", [](const httplib::Request&, httplib::Response& res) { listFetched(res); });
    server.Get(R"(/_sim/pic/([\w.-]+))", servePicture);
}

} // namespace sim
