// Client core: reading the Activity reply, the page lines, the banner download, the keep-alive.
#include "client/core/Promotions.h"

#include "client/core/AccountFiles.h"
#include "platform/net/Download.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"
#include "platform/os/shell.h"

#include <QFileInfo>

namespace zuvi::client {

namespace net = zuvi::net;
namespace os = zuvi::os;

std::optional<std::vector<Promotion>> ReadPromotions(const QByteArray& body)
{
    const net::Reply reply = net::readReply(body);
    if (!reply.isJson() || reply.ret() != 0)
        return std::nullopt;
    const cJSON* list = reply.item("c");
    const int n = net::arraySize(list);
    std::vector<Promotion> page;
    page.reserve(std::size_t(n));
    for (int i = n - 1; i >= 0; --i) {
        const cJSON* element = net::arrayItem(list, i);
        Promotion p;
        p.number = n - i;
        if (net::ansiString(element, "is_index_pc") == QStringLiteral("1")) {
            p.bannerPicture = net::ansiString(element, "pic");
            p.bannerLink = net::ansiString(element, "link");
        }
        p.lines = PromotionLines(p.number, net::utf8String(element, "title"), net::utf8String(element, "content"));
        page.push_back(std::move(p));
    }
    return page;
}

std::optional<std::vector<Promotion>> FetchPromotions(const WebGet& get, const QString& account, const QString& hamc)
{
    const std::optional<QByteArray> body = tryGet(get, net::ServiceApi::Activity(account, hamc));
    if (!body)
        return std::nullopt;
    return ReadPromotions(*body);
}

QStringList PromotionLines(int number, const QString& title, const QString& content)
{
    return {QStringLiteral("%1、%2").arg(number).arg(title), QStringLiteral("        ") + content + u'\n', QString(), QString()};
}

void DownloadBanner(const QString& pictureUrl, const QString& toolFolder)
{
    os::ensureDir(os::dataFolder());
    const QString banner = bannerFile();
    const QString tool = toolFolder + QStringLiteral("run.bat");
    const QFileInfo helper(tool);
    if (helper.isFile() && helper.isExecutable()) {
        // A failed start returns at once; the banner file is looked at all the same.
        os::runAndWait(tool, {toolFolder + QStringLiteral("curl.exe"), pictureUrl, banner}, kBannerToolTimeoutMs);
        return;
    }
    try {
        net::downloadFile(pictureUrl, banner);
    } catch (const std::exception&) {
        // No message, as with a tool that stores nothing: an older banner stays.
    }
}

bool KeepAliveRefused(const WebGet& get, const QString& account, const QString& hamc)
{
    const std::optional<QByteArray> body = tryGet(get, net::ServiceApi::Keepalived(account, hamc));
    if (!body)
        return false;
    const net::Reply reply = net::readReply(*body);
    return reply.isJson() && reply.ret() != 0;
}

} // namespace zuvi::client
