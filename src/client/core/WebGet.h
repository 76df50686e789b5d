// Client core: how the core sends a GET request of the web API.
#pragma once

#include "platform/net/HttpClient.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace zuvi::client {

// A GET through a window's own web client: the whole body, or zuvi::net::TransportError thrown.
using WebGet = std::function<QByteArray(const QString& url)>;

// A GET through a new HTTP client of the kind, which lives as long as the function.
inline WebGet webClient(net::HttpClient::Kind kind)
{
    auto http = std::make_shared<net::HttpClient>(kind);
    return [http](const QString& url) { return http->get(url); };
}

// The body, or nothing when the request failed in transport.
inline std::optional<QByteArray> tryGet(const WebGet& get, const QString& url)
{
    try {
        return get(url);
    } catch (const net::TransportError&) {
        return std::nullopt;
    }
}

} // namespace zuvi::client
