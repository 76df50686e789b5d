// Service simulator: an installer download for the software update, with switchable faults.
#include "installer.h"

#include <memory>
#include <mutex>
#include <string>

namespace {

struct Installer {
    std::mutex mutex;
    std::string bytes;
    bool set = false;
};

void serve(Installer& installer, const httplib::Request& req, httplib::Response& res)
{
    std::string bytes;
    {
        std::lock_guard lock(installer.mutex);
        if (!installer.set) {
            res.status = 404;
            return;
        }
        bytes = installer.bytes;
    }
    const std::string fault = req.get_param_value("fault");
    if (fault == "http404" || fault == "http500") {
        res.status = fault == "http404" ? 404 : 500;
        res.set_content("<html><body>error</body></html>", "text/html");
    } else if (fault == "empty") {
        res.set_content("", "application/octet-stream");
    } else if (fault == "partial") {
        auto data = std::make_shared<std::string>(std::move(bytes));
        res.set_content_provider(data->size(), "application/octet-stream",
            [data](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0)
                    return false; // the connection closes before the rest
                sink.write(data->data(), data->size() / 2);
                return true;
            });
    } else {
        res.set_content(bytes, "application/octet-stream");
    }
}

} // namespace

void addInstallerRoutes(httplib::Server& server)
{
    auto installer = std::make_shared<Installer>();
    server.Get("/_sim/installer", [installer](const httplib::Request& req, httplib::Response& res) {
        serve(*installer, req, res);
    });
    server.Post("/_sim/installer", [installer](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(installer->mutex);
        installer->bytes = req.body;
        installer->set = true;
        res.set_content("ok\n", "text/plain");
    });
}
