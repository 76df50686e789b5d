// Software update: the version check, the installer download into the data folder, its start and removal.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace zuvi::net {
class HttpClient;
}

namespace zuvi::core {

// Sends softversion through the form's client. The installer URL of the reply's string "u"
// (empty: the installed version is current); nothing when the request failed, the reply is
// not JSON or it carries no string "u".
std::optional<QString> CheckSoftwareVersion(zuvi::net::HttpClient& http);

// Message line texts of the version check.
QString UpdateAvailableText();
QString UpToDateText();

// Download results (0 on success), 32-bit codes in the platform's convention.
inline constexpr quint32 kDownloadOk = 0;
inline constexpr quint32 kOutOfMemory = 0x8007000E; // no memory, or the installer exceeds the size bound
inline constexpr quint32 kDownloadFailure = 0x800C0008; // no connection, HTTP error, cut short, empty
inline constexpr quint32 kInvalidUrl = 0x800C0002;
inline constexpr quint32 kUnknownProtocol = 0x800C000D; // anything but http and https
inline constexpr quint32 kSecurityProblem = 0x800C000E; // TLS failure
inline constexpr quint32 kAccessDenied = 0x80070005; // the file cannot be created
inline constexpr quint32 kDiskFull = 0x80070070;
inline constexpr quint32 kFail = 0x80004005;

// The message for a failed download: the start-up prompt's Chinese texts ("0x%x" with the code
// for the other errors) and the update dialog's English ones.
QString PromptDownloadErrorText(quint32 result);
QString DialogDownloadErrorText(quint32 result);

// "zuvi_tmp.exe" in the data folder.
QString InstallerPath();

// Bounds of the download: connect as the web requests (ZUVI_HTTP_CONNECT_TIMEOUT_MS), no data for
// 60 s (ZUVI_UPDATE_STALL_MS), 30 minutes in all (ZUVI_UPDATE_TIMEOUT_MS), 1 GiB
// (ZUVI_UPDATE_MAX_BYTES).
struct DownloadLimits {
    long connectMs;
    long stallMs;
    long totalMs;
    qint64 maxBytes;
    static DownloadLimits fromEnvironment();
};

// Downloads the URL into the installer file, creating the data folder (one level) first. Blocks
// until the download ends. The body goes into a temporary file beside the target that replaces
// the target only when the transfer is complete and not empty; on any failure the target is left
// as it was. Only http and https are fetched (redirects included); caches are asked not to answer.
quint32 DownloadInstaller(const QString& url, const DownloadLimits& limits = DownloadLimits::fromEnvironment());

// A started installer.
struct InstallerStart {
    bool started = false;
    bool program = false; // run itself (else handed to the desktop's handler)
    qint64 pid = 0; // the started program, or the handler's launcher
};

// Starts the file the way the desktop opens it: an ELF file or a "#!" script is made executable
// and run (detached, in the current folder); anything else goes to the desktop's default handler
// (xdg-open; with ZUVI_OPEN_URL_LOG set its path is appended to that file instead).
InstallerStart StartInstaller(const QString& path);

// Deletes the started installer as soon as that can no longer keep it from running: once the
// started program or one of its descendants holds the file (open, or as its executable) or the
// program has ended, waiting at most waitMs. A file handed to the desktop's handler, or one
// nobody took within the wait, stays for RemoveLeftoverInstaller. True when it was deleted.
bool DeleteStartedInstaller(const QString& path, const InstallerStart& start, int waitMs = 5000);

// Removes an installer that an earlier run left behind.
void RemoveLeftoverInstaller();

} // namespace zuvi::core
