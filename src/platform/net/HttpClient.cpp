// HTTP client of the forms that talk to the service: one per form, cookie store for the run.
#include "HttpClient.h"

#include "platform/os/codepage.h"

#include <curl/curl.h>

#include <cstdlib>
#include <mutex>

namespace zuvi::net {

namespace {

long envMs(const char* name, long fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return fallback;
    char* end = nullptr;
    long ms = std::strtol(value, &end, 10);
    return (end && *end == '\0' && ms > 0) ? ms : fallback;
}

size_t appendBody(char* data, size_t size, size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

struct HeaderList {
    curl_slist* list = nullptr;
    void add(const QByteArray& line) { list = curl_slist_append(list, line.constData()); }
    ~HeaderList() { curl_slist_free_all(list); }
};

} // namespace

void HttpClient::initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray requestUrlBytes(const QString& url)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (char c : zuvi::os::toAnsi(url)) {
        auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

long HttpClient::connectTimeoutMs() { return envMs("ZUVI_HTTP_CONNECT_TIMEOUT_MS", 5000); }
long HttpClient::totalTimeoutMs() { return envMs("ZUVI_HTTP_TIMEOUT_MS", 15000); }

HttpClient::HttpClient(Kind kind)
    : m_kind(kind)
{
    initLibrary();
    CURL* curl = curl_easy_init();
    if (!curl)
        throw TransportError(QStringLiteral("HTTP client could not be created"), 0);
    m_curl = curl;
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    // A fresh connection per request: curl silently resends a request whose reused connection
    // was dropped, so one request could reach the service twice.
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendBody);
    if (kind == Kind::Browser)
        curl_easy_setopt(curl, CURLOPT_COOKIEFILE, ""); // in-memory cookie engine, this handle only
}

HttpClient::~HttpClient() { curl_easy_cleanup(static_cast<CURL*>(m_curl)); }

QByteArray HttpClient::get(const QString& url) { return perform(url, nullptr, {}); }

QByteArray HttpClient::post(const QString& url, const QByteArray& body, const QByteArray& contentType)
{
    return perform(url, &body, contentType);
}

QByteArray HttpClient::perform(const QString& url, const QByteArray* body, const QByteArray& contentType)
{
    CURL* curl = static_cast<CURL*>(m_curl);
    const QByteArray target = requestUrlBytes(url);
    QByteArray reply;
    char error[CURL_ERROR_SIZE] = {};

    HeaderList headers;
    headers.add(QByteArray("Accept: ") + (m_kind == Kind::Browser ? kAcceptBrowser : kAcceptAny));
    if (body) {
        headers.add("Content-Type: " + contentType);
        headers.add("Expect:");
    }

    curl_easy_setopt(curl, CURLOPT_URL, target.constData());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs());
    if (body) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body->size()));
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    if (body) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    if (code != CURLE_OK) {
        QString detail = QString::fromUtf8(*error ? error : curl_easy_strerror(code));
        throw TransportError(QStringLiteral("Socket Error: ") + detail, status);
    }
    if (status >= 400)
        throw TransportError(QStringLiteral("HTTP/1.1 %1").arg(status), status);
    return reply;
}

} // namespace zuvi::net
