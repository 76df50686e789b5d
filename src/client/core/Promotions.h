// Promotions: the Activity list in page order, its four lines per element, and the banner file.
#pragma once

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

// "k、title", then eight blanks, the content and a line feed inside the same line, then two
// empty lines.
QStringList PromotionLines(int number, const QString& title, const QString& content);

// The banner file "ad.jpg", directly in the data folder (one for every account).
QString BannerFilePath();

// How long a helper pair may take at most (the own download has the HTTP client's bounds).
inline constexpr int kBannerToolTimeoutMs = 30000;

// Stores the picture at pictureUrl as the banner file, creating the data folder (one level)
// first. When toolFolder holds an executable "run.bat" (the helper pair "run.bat" and
// "curl.exe"), that is run with three arguments, the path of "curl.exe", the address and the banner file's path,
// and waited for at most kBannerToolTimeoutMs; otherwise the picture is downloaded here, bounded
// in time and written atomically. A failed or partial download leaves an older banner file as it
// was. Never throws; the caller looks at the banner file afterwards.
void DownloadBanner(const QString& pictureUrl, const QString& toolFolder = zuvi::os::programFolder());

// The banner reading at start, up to the decoding: None when there is no banner file (the image
// keeps its state); EmptyArea for a file of 0 bytes, which is deleted (the image is shown without
// a picture); Picture when the file is to be decoded into the image, which is then shown.
enum class BannerAtStart { None,
    EmptyArea,
    Picture };
BannerAtStart CheckBannerAtStart();

} // namespace zuvi::client
