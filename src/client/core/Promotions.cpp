// Promotions: reading the Activity reply, the page lines, the banner file and its download.
#include "client/core/Promotions.h"

#include "platform/net/Download.h"
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

QStringList PromotionLines(int number, const QString& title, const QString& content)
{
    return {QStringLiteral("%1、%2").arg(number).arg(title), QStringLiteral("        ") + content + u'\n', QString(), QString()};
}

QString BannerFilePath() { return os::dataFolder() + QStringLiteral("ad.jpg"); }

void DownloadBanner(const QString& pictureUrl, const QString& toolFolder)
{
    os::ensureDir(os::dataFolder());
    const QString banner = BannerFilePath();
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

BannerAtStart CheckBannerAtStart()
{
    const QString banner = BannerFilePath();
    if (!os::fileExists(banner))
        return BannerAtStart::None;
    const QFileInfo info(banner);
    if (info.isFile() && info.size() == 0) {
        os::deleteFile(banner);
        return BannerAtStart::EmptyArea;
    }
    return BannerAtStart::Picture;
}

} // namespace zuvi::client
