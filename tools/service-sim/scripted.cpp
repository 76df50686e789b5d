// Service simulator: scripted RestoreAddresBook replies and faults of the whole second endpoint.
#include "scripted.h"

#include <mutex>
#include <set>

namespace sim {

namespace {

std::mutex g_mutex;
std::optional<std::string> g_restoreReply;
std::optional<std::string> g_endpoint2Mode;

} // namespace

bool handleScriptedControl(const httplib::Request& req, httplib::Response& res)
{
    if (req.path == "/_sim/reset") {
        // Cleared here too; the simulator's own reset goes on.
        std::lock_guard lock(g_mutex);
        g_restoreReply.reset();
        g_endpoint2Mode.reset();
        return false;
    }
    if (req.path == "/_sim/restore") {
        std::lock_guard lock(g_mutex);
        if (req.has_param("body"))
            g_restoreReply = req.get_param_value("body");
        else if (req.method == "POST" && !req.body.empty())
            g_restoreReply = req.body;
        else
            g_restoreReply.reset();
        res.set_content("ok\n", "text/plain");
        return true;
    }
    if (req.path == "/_sim/endpoint2") {
        static const std::set<std::string> modes{"refuse", "noret", "notjson", "empty", "http500", "close", "delay"};
        const std::string mode = req.get_param_value("mode");
        std::lock_guard lock(g_mutex);
        if (mode == "off") {
            g_endpoint2Mode.reset();
        } else if (modes.count(mode)) {
            g_endpoint2Mode = mode;
        } else {
            res.status = 400;
            res.set_content("bad mode\n", "text/plain");
            return true;
        }
        res.set_content("ok\n", "text/plain");
        return true;
    }
    return false;
}

std::optional<std::string> scriptedRestoreReply()
{
    std::lock_guard lock(g_mutex);
    return g_restoreReply;
}

std::optional<std::string> endpoint2Fault(const std::string& path)
{
    if (path != "/m2_release/index.php")
        return std::nullopt;
    std::lock_guard lock(g_mutex);
    return g_endpoint2Mode;
}

} // namespace sim
