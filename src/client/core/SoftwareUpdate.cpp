// Software update: the version check, the installer download into the data folder, its start and removal.
#include "client/core/SoftwareUpdate.h"

#include "platform/net/HttpClient.h"
#include "platform/net/ServiceApi.h"
#include "platform/net/WebReply.h"
#include "platform/os/folders.h"
#include "platform/os/shell.h"

#include <curl/curl.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zuvi::core {

namespace net = zuvi::net;
namespace os = zuvi::os;

std::optional<QString> CheckSoftwareVersion(net::HttpClient& http)
{
    QByteArray body;
    try {
        body = http.get(net::ServiceApi::softversion());
    } catch (const net::TransportError&) {
        return std::nullopt;
    }
    const net::Reply reply = net::readReply(body);
    if (!reply.isJson() || !cJSON_IsString(reply.item("u")))
        return std::nullopt;
    return net::ansiString(reply.root(), "u");
}

QString UpdateAvailableText() { return QStringLiteral("你的Zuvi不是最新的版本，请更新！！！"); }
QString UpToDateText() { return QStringLiteral("你的Zuvi已经更新到最新，恭喜！！！"); }

QString PromptDownloadErrorText(quint32 result)
{
    if (result == kOutOfMemory)
        return QStringLiteral("内存不足，请检查内存");
    if (result == kDownloadFailure)
        return QStringLiteral("不能够检查服务器数据库，请检查服务器是否连接");
    return QStringLiteral("未知错误,错误代码为：0x%1").arg(result, 0, 16);
}

QString DialogDownloadErrorText(quint32 result)
{
    if (result == kOutOfMemory)
        return QStringLiteral("Out of memory error");
    if (result == kDownloadFailure)
        return QStringLiteral("Cannot access server data");
    return QStringLiteral("Unknown error");
}

QString InstallerPath() { return os::dataFolder() + QStringLiteral("zuvi_tmp.exe"); }

namespace {

QString partPath() { return InstallerPath() + QStringLiteral(".part"); }

long long envValue(const char* name, long long fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return fallback;
    char* end = nullptr;
    const long long v = std::strtoll(value, &end, 10);
    return (end && *end == '\0' && v > 0) ? v : fallback;
}

// The body goes straight into the temporary file; the size bound and write errors end the transfer.
struct Sink {
    int fd = -1;
    qint64 written = 0;
    qint64 maxBytes = 0;
    bool tooLarge = false;
    int writeErrno = 0;
};

size_t writeBody(char* data, size_t size, size_t count, void* target)
{
    auto* sink = static_cast<Sink*>(target);
    const size_t total = size * count;
    if (sink->written + qint64(total) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;
    }
    size_t done = 0;
    while (done < total) {
        const ssize_t n = ::write(sink->fd, data + done, total - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            sink->writeErrno = errno;
            return 0;
        }
        done += size_t(n);
    }
    sink->written += qint64(total);
    return total;
}

quint32 writeFailure(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return kDiskFull;
    if (error == ENOMEM)
        return kOutOfMemory;
    return kFail;
}

quint32 transferResult(CURLcode code, long status, const Sink& sink)
{
    switch (code) {
    case CURLE_OK:
        // Only a complete, non-empty 2xx body is an installer.
        return (status >= 200 && status < 300 && sink.written > 0) ? kDownloadOk : kDownloadFailure;
    case CURLE_OUT_OF_MEMORY:
    case CURLE_FILESIZE_EXCEEDED:
        return kOutOfMemory;
    case CURLE_WRITE_ERROR:
        return sink.tooLarge ? kOutOfMemory : writeFailure(sink.writeErrno);
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kUnknownProtocol;
    case CURLE_URL_MALFORMAT:
        return kInvalidUrl;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return kSecurityProblem;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_RANGE_ERROR:
        return kDownloadFailure;
    default:
        return kFail;
    }
}

struct Headers {
    curl_slist* list = nullptr;
    void add(const char* line) { list = curl_slist_append(list, line); }
    ~Headers() { curl_slist_free_all(list); }
};

quint32 transfer(CURL* curl, const QString& url, const DownloadLimits& limits, Sink& sink)
{
    const QByteArray target = net::requestUrlBytes(url);
    if (target.isEmpty())
        return kInvalidUrl;
    Headers headers;
    headers.add("Accept: */*");
    // In place of removing the URL from a local cache: no cache on the way may answer.
    headers.add("Cache-Control: no-cache");
    headers.add("Pragma: no-cache");
    curl_easy_setopt(curl, CURLOPT_URL, target.constData());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, net::kUserAgent);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.totalMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, limits.stallMs / 1000));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return transferResult(code, status, sink);
}

} // namespace

DownloadLimits DownloadLimits::fromEnvironment()
{
    DownloadLimits limits;
    limits.connectMs = net::HttpClient::connectTimeoutMs();
    limits.stallMs = long(envValue("ZUVI_UPDATE_STALL_MS", 60000));
    limits.totalMs = long(envValue("ZUVI_UPDATE_TIMEOUT_MS", 30 * 60 * 1000));
    limits.maxBytes = envValue("ZUVI_UPDATE_MAX_BYTES", 1LL << 30);
    return limits;
}

quint32 DownloadInstaller(const QString& url, const DownloadLimits& limits)
{
    os::ensureDir(os::dataFolder());
    const QByteArray part = QFile::encodeName(partPath());
    Sink sink;
    sink.maxBytes = limits.maxBytes;
    sink.fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (sink.fd < 0)
        return errno == ENOSPC || errno == EDQUOT ? kDiskFull : kAccessDenied;

    quint32 result = kOutOfMemory;
    net::HttpClient::initLibrary();
    if (CURL* curl = curl_easy_init()) {
        result = transfer(curl, url, limits, sink);
        curl_easy_cleanup(curl);
    }
    if (result == kDownloadOk && ::fsync(sink.fd) != 0)
        result = writeFailure(errno);
    if (::close(sink.fd) != 0 && result == kDownloadOk)
        result = writeFailure(errno);
    if (result == kDownloadOk && ::rename(part.constData(), QFile::encodeName(InstallerPath()).constData()) != 0)
        result = kAccessDenied;
    if (result != kDownloadOk)
        ::unlink(part.constData());
    return result;
}

namespace {

// An ELF file or a "#!" script.
bool isProgram(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4);
    return head.startsWith("\x7f"
                           "ELF")
        || head.startsWith("#!");
}

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool matches(const QByteArray& path) const
    {
        struct stat st;
        return ::stat(path.constData(), &st) == 0 && st.st_dev == dev && st.st_ino == ino;
    }
};

// Every process: its parent, and whether it has ended (zombie).
struct ProcessTable {
    QHash<qint64, qint64> parent;
    QSet<qint64> ended;

    static ProcessTable read()
    {
        ProcessTable t;
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& name : pids) {
            bool ok = false;
            const qint64 pid = name.toLongLong(&ok);
            if (!ok)
                continue;
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (rest.size() < 2)
                continue;
            t.parent.insert(pid, rest[1].toLongLong());
            if (rest[0] == "Z" || rest[0] == "X")
                t.ended.insert(pid);
        }
        return t;
    }

    QList<qint64> familyOf(qint64 root) const
    {
        QList<qint64> family{root};
        for (qsizetype i = 0; i < family.size(); ++i)
            for (auto it = parent.cbegin(); it != parent.cend(); ++it)
                if (it.value() == family[i] && !family.contains(it.key()))
                    family.append(it.key());
        return family;
    }
};

bool holds(qint64 pid, const FileId& file)
{
    const QString base = QStringLiteral("/proc/%1/").arg(pid);
    if (file.matches(QFile::encodeName(base + QStringLiteral("exe"))))
        return true;
    const QStringList fds = QDir(base + QStringLiteral("fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& fd : fds)
        if (file.matches(QFile::encodeName(base + QStringLiteral("fd/") + fd)))
            return true;
    return false;
}

} // namespace

InstallerStart StartInstaller(const QString& path)
{
    InstallerStart start;
    start.program = isProgram(path);
    if (start.program) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        start.started = os::startProgram(path, {}, &start.pid);
    } else {
        start.started = os::openFile(path, &start.pid);
    }
    return start;
}

bool DeleteStartedInstaller(const QString& path, const InstallerStart& start, int waitMs)
{
    const QByteArray name = QFile::encodeName(path);
    if (!start.started)
        return ::unlink(name.constData()) == 0; // nothing will open it
    // The desktop's handler may open the file long after its launcher has gone.
    if (!start.program || start.pid <= 0)
        return false;
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return false;
    const FileId file{st.st_dev, st.st_ino};
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const ProcessTable table = ProcessTable::read();
        bool done = !table.parent.contains(start.pid) || table.ended.contains(start.pid);
        for (qint64 pid : table.familyOf(start.pid))
            done = done || holds(pid, file);
        if (done)
            return ::unlink(name.constData()) == 0;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void RemoveLeftoverInstaller()
{
    os::deleteFile(InstallerPath());
    os::deleteFile(partPath());
}

} // namespace zuvi::core
