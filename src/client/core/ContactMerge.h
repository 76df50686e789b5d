// Address-book restore: reading the RestoreAddresBook reply and the rule that merges its contacts.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace zuvi::client {

struct RestoredContact {
    QString name;
    QString number;
    bool operator==(const RestoredContact&) const = default;
};

struct RestoreReply {
    enum class Outcome {
        Unreadable, // the body is not JSON
        Refused, // "ret" missing or not 0, or no array "c"
        Contacts, // "ret" 0 with the array "c"
    };
    Outcome outcome = Outcome::Unreadable;
    // The elements of "c" in array order: "p" as ANSI text, "n" as UTF-8; a member that is
    // missing or not a string reads as empty.
    QList<RestoredContact> contacts;
};

RestoreReply readRestoreReply(const QByteArray& body);

// The rows a restore appends to a contact list holding `lines`, in order: an element with an
// empty name or number is skipped, and so is one whose line "name=number" equals a line of the
// list or a row picked before it (whole line, exact).
QList<RestoredContact> contactsToAppend(const QStringList& lines, const QList<RestoredContact>& contacts);

} // namespace zuvi::client
