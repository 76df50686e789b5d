// Address-book upload of the contact dialogs: the "PL" value, the multipart/form-data body and the POST.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace zuvi::net {
class HttpClient;
}

namespace zuvi::client {

// Percent-encoded text. UTF-16 units 0x21-0x80 are copied, except " # % * < > [ \ ] ^ ` { | };
// every other character (a surrogate pair is one, a lone surrogate U+FFFD) is written as its
// UTF-8 bytes, each "%XX" with upper-case digits. Finally every "=" becomes "%3D".
QString EncodeQueryValue(const QString& text);

// Quoted-printable form of a text value: one byte per UTF-16 unit ("?" above 0xFF), lines cut
// at LF, "=XX" for "=", controls, bytes above 0x7E and a blank ending a line, "=2E" for a "."
// that starts an output line, a soft break "=" CR LF once an output line holds 70 characters,
// and CR LF after each line.
QByteArray QuotedPrintable(const QString& value);

// "--------" followed by the local time of the moment as month, day, two-digit year, hour,
// minute, second (two digits each) and milliseconds (three): 23 characters.
QString MultipartBoundary(const QDateTime& moment);

struct FormField {
    QString name;
    QString value;
};

// A multipart/form-data body of text fields, each a quoted-printable text/plain part, then the
// closing boundary line. Nothing comes before the first "--" or after the last CR LF.
QByteArray MultipartBody(const QString& boundary, const std::vector<FormField>& fields);

// The upload's fields in their order: Phone, Flag, Ver, Hamc and PL (number "," name ",").
std::vector<FormField> ContactUploadFields(const QString& phone, const QString& hamc, const QString& name,
    const QString& number);

enum class UploadOutcome {
    TransportFailed, // no connection, time-out or HTTP error status
    JsonReply, // its content is not used
    OtherReply, // not JSON, an empty body included
};

// Sends one contact with UpAddresBook through the form's client: the boundary comes from the
// moment the body is made. Blocks the calling thread, at most as long as the client's bounds.
UploadOutcome UploadContact(zuvi::net::HttpClient& http, const QString& phone, const QString& hamc,
    const QString& name, const QString& number);

} // namespace zuvi::client
