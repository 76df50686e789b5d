// Client core: the Activity list in page order with its four lines per element, the banner
// download and the keep-alive request.
#pragma once

#include "client/core/WebGet.h"
#include "platform/os/folders.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zuvi::client {

// One element of the Activity list as the promotions page shows it.
struct Promotion {
    int number = 0; // k = n - i: the last element of "c" is number 1
    QString bannerPicture; // "pic" of a banner element ("is_index_pc" exactly "1"), else empty
    QString bannerLink; // "link" of a banner element, else empty
    QStringList lines; // the four lines the page adds for it
};

// The elements of an Activity reply, from the last of "c" to the first; nullopt when the body is
// not JSON or its "ret" is not 0 (or missing). A "c" that is missing or not an array reads as an
// empty list; a field that is missing or not a text reads as empty.
std::optional<std::vector<Promotion>> ReadPromotions(const QByteArray& body);

// The Activity request of the account with the token hash, read as above; nullopt also when the
// request fails in transport.
std::optional<std::vector<Promotion>> FetchPromotions(const WebGet& get, const QString& account, const QString& hamc);

// "k、title", then eight blanks, the content and a line feed inside the same line, then two
// empty lines.
QStringList PromotionLines(int number, const QString& title, const QString& content);

// How long a helper pair may take at most (the own download has the HTTP client's bounds).
inline constexpr int kBannerToolTimeoutMs = 30000;

// Stores the picture at pictureUrl as the banner file (bannerFile()), creating the data folder
// (one level) first. When toolFolder holds an executable "run.bat" (the helper pair "run.bat"
// and "curl.exe"), that is run with three arguments, the path of "curl.exe", the address and the
// banner file's path, and waited for at most kBannerToolTimeoutMs; otherwise the picture is
// downloaded here, bounded in time and written atomically. A failed or partial download leaves
// an older banner file as it was. Never throws; the caller looks at the banner file afterwards.
void DownloadBanner(const QString& pictureUrl, const QString& toolFolder = zuvi::os::programFolder());

// The Keepalived request: true only when the service answered with JSON whose "ret" is not 0
// (or missing); a transport failure or a body that is not JSON counts as no answer.
bool KeepAliveRefused(const WebGet& get, const QString& account, const QString& hamc);

} // namespace zuvi::client
