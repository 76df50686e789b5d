// File download over libcurl into a temporary file renamed over the target.
#include "Download.h"

#include "platform/os/atomicfile.h"

#include <curl/curl.h>

#include <memory>

namespace zuvi::net {

namespace {

struct Sink {
    QByteArray body;
    qint64 maxBytes = 0;
    bool tooLarge = false;
};

size_t appendLimited(char* data, size_t size, size_t count, void* target)
{
    auto* sink = static_cast<Sink*>(target);
    const size_t n = size * count;
    if (sink->body.size() + qint64(n) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0; // makes curl stop with CURLE_WRITE_ERROR
    }
    sink->body.append(data, qsizetype(n));
    return n;
}

} // namespace

void downloadFile(const QString& url, const QString& path, qint64 maxBytes)
{
    HttpClient::initLibrary();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    CURL* curl = handle.get();
    if (!curl)
        throw TransportError(QStringLiteral("HTTP client could not be created"), 0);
    const QByteArray target = requestUrlBytes(url);
    Sink sink;
    sink.maxBytes = maxBytes;
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, target.constData());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, HttpClient::connectTimeoutMs());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, HttpClient::totalTimeoutMs());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendLimited);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (sink.tooLarge)
        throw TransportError(QStringLiteral("Download larger than %1 bytes").arg(maxBytes), status);
    if (code != CURLE_OK)
        throw TransportError(QStringLiteral("Socket Error: ") + QString::fromUtf8(*error ? error : curl_easy_strerror(code)), status);
    if (status >= 400)
        throw TransportError(QStringLiteral("HTTP/1.1 %1").arg(status), status);
    zuvi::os::writeFileAtomic(path, sink.body);
}

} // namespace zuvi::net
