// Fuzz target: the RestoreAddresBook reply and the merge of its contacts into a list.
#include "client/core/ContactMerge.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zuvi::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const RestoreReply reply = readRestoreReply(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (reply.outcome != RestoreReply::Outcome::Contacts) {
        if (!reply.contacts.isEmpty())
            std::abort();
        return 0;
    }
    // The list already holds every other contact of the reply as a line.
    QStringList lines;
    for (qsizetype i = 0; i < reply.contacts.size(); i += 2)
        lines << reply.contacts[i].name + u'=' + reply.contacts[i].number;
    const QList<RestoredContact> added = contactsToAppend(lines, reply.contacts);

    // Appended: each contact with a name and a number whose line is neither listed nor picked
    // before it, in reply order.
    QStringList seen = lines;
    qsizetype next = 0;
    for (const RestoredContact& c : reply.contacts) {
        const QString line = c.name + u'=' + c.number;
        if (c.name.isEmpty() || c.number.isEmpty() || seen.contains(line))
            continue;
        seen << line;
        if (next >= added.size() || !(added[next] == c))
            std::abort();
        ++next;
    }
    if (next != added.size())
        std::abort();
    return 0;
}
