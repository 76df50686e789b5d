// Address-book restore: reading the RestoreAddresBook reply and the rule that merges its contacts.
#include "client/core/ContactMerge.h"

#include "platform/net/WebReply.h"

#include <QSet>

namespace zuvi::client {

RestoreReply readRestoreReply(const QByteArray& body)
{
    RestoreReply out;
    const net::Reply reply = net::readReply(body);
    if (!reply.isJson())
        return out;
    out.outcome = RestoreReply::Outcome::Refused;
    const cJSON* list = reply.item("c");
    if (reply.ret() != 0 || !cJSON_IsArray(list))
        return out;
    out.outcome = RestoreReply::Outcome::Contacts;
    for (int i = 0, n = net::arraySize(list); i < n; ++i) {
        const cJSON* element = net::arrayItem(list, i);
        out.contacts.push_back({net::utf8String(element, "n"), net::ansiString(element, "p")});
    }
    return out;
}

QList<RestoredContact> contactsToAppend(const QStringList& lines, const QList<RestoredContact>& contacts)
{
    QSet<QString> present(lines.begin(), lines.end());
    QList<RestoredContact> out;
    for (const RestoredContact& c : contacts) {
        if (c.name.isEmpty() || c.number.isEmpty())
            continue;
        const QString line = c.name + u'=' + c.number;
        if (present.contains(line))
            continue;
        present.insert(line);
        out.push_back(c);
    }
    return out;
}

} // namespace zuvi::client
