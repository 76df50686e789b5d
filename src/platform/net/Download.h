// File download: a picture or file from a web address into a local file, bounded and atomic.
#pragma once

#include "HttpClient.h"

#include <QString>

namespace zuvi::net {

// Largest body downloadFile accepts by default.
inline constexpr qint64 kDownloadMaxBytes = 16 * 1024 * 1024;

// GET of url (http or https, no redirects followed) whose whole body replaces the content of the
// file at path. Bounds: HttpClient's connect and whole-request time-outs, and maxBytes.
// The file changes only when the whole body has arrived: a connection failure, a time-out, an
// HTTP status of 400 or more, a body cut short or larger than maxBytes throw TransportError and
// leave it as it was; a failed write throws zuvi::Exception, also leaving it as it was.
void downloadFile(const QString& url, const QString& path, qint64 maxBytes = kDownloadMaxBytes);

} // namespace zuvi::net
