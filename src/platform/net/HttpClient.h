// HTTP client of the forms that talk to the service: one per form, cookie store for the run.
#pragma once

#include "platform/os/Exception.h"

#include <QByteArray>
#include <QString>

namespace zuvi::net {

// A connection failure, a time-out or an HTTP status of 400 or more. status() is the HTTP
// status, or 0 when no status line arrived.
class TransportError : public zuvi::Exception {
public:
    TransportError(const QString& message, long status)
        : zuvi::Exception(message)
        , m_status(status)
    { }
    long status() const noexcept { return m_status; }

private:
    long m_status;
};

// A URL as curl takes it: the ANSI code page bytes, those outside printable ASCII percent-encoded.
QByteArray requestUrlBytes(const QString& url);

inline constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
inline constexpr const char* kAcceptAny = "*/*";
inline constexpr const char* kAcceptBrowser = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

class HttpClient {
public:
    enum class Kind {
        Plain, // Accept "*/*"; cookies neither accepted nor sent: TForm2, TForm6, TForm7
        Browser, // browser Accept; cookies kept and sent back for the client's life:
                 // TForm1, TForm5, TForm9, Tsynchronous, TForm17
    };

    explicit HttpClient(Kind kind);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Blocks the calling thread until the whole body has arrived; throws TransportError.
    // URL text outside printable ASCII is sent percent-encoded from the ANSI code page.
    QByteArray get(const QString& url);
    // POST of a ready body (multipart/form-data upload) with its Content-Type; same failures.
    QByteArray post(const QString& url, const QByteArray& body, const QByteArray& contentType);

    Kind kind() const { return m_kind; }

    // Bounds of every request, in milliseconds: connect 5000 and whole request 15000 unless
    // ZUVI_HTTP_CONNECT_TIMEOUT_MS / ZUVI_HTTP_TIMEOUT_MS say otherwise.
    static long connectTimeoutMs();
    static long totalTimeoutMs();
    // libcurl's process-wide set-up, once, for every user of libcurl in the program.
    static void initLibrary();

private:
    QByteArray perform(const QString& url, const QByteArray* body, const QByteArray& contentType);

    Kind m_kind;
    void* m_curl;
};

} // namespace zuvi::net
