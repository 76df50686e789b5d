// Main window: its web client (CheckPM, CreatePM, the Login refresh, Activity), cookies kept for the run.
#pragma once

#include "platform/net/HttpClient.h"

#include <QByteArray>
#include <QString>

class MainWebClient {
public:
    MainWebClient()
        : m_http(zuvi::net::HttpClient::Kind::Browser)
    { }

    // Blocks until the whole body has arrived; throws zuvi::net::TransportError.
    QByteArray get(const QString& url) { return m_http.get(url); }

private:
    zuvi::net::HttpClient m_http;
};
