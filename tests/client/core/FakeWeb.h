// Client core tests: a web client that answers from a script and records the requests.
#pragma once

#include "client/core/WebGet.h"
#include "platform/net/HttpClient.h"
#include "platform/net/WebReply.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace zuvi::test {

// The body the scrambled CheckPM / CreatePM replies carry for a JSON text: Base64, then the
// characters swapped in pairs (the swap undoes itself).
inline QByteArray scrambled(const QByteArray& json) { return net::SwapCharPairs(QString::fromLatin1(json.toBase64())).toLatin1(); }

// Answers request i with replies[i] (nothing: a transport failure; past the end: a failure too).
struct FakeWeb {
    std::vector<std::optional<QByteArray>> replies;
    std::shared_ptr<QStringList> urls = std::make_shared<QStringList>();

    client::WebGet get() const
    {
        return [replies = replies, urls = urls](const QString& url) {
            const qsizetype i = urls->size();
            urls->append(url);
            if (i >= qsizetype(replies.size()) || !replies[size_t(i)])
                throw net::TransportError(QStringLiteral("Socket Error: refused"), 0);
            return *replies[size_t(i)];
        };
    }
};

} // namespace zuvi::test
