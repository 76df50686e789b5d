// Service replies: reading JSON bodies, scrambled credential replies, pair swap and MIME Base64.
#pragma once

#include <cjson/cJSON.h>

#include <QByteArray>
#include <QString>

namespace zuvi::net {

// s2 s1 s4 s3 ... over UTF-16 code units; an odd last unit stays last.
QString SwapCharPairs(const QString& text);

// Lenient MIME Base64: the length is cut down to a multiple of four, one or two trailing "="
// shorten the output by one or two bytes, any character outside the alphabet counts as 0.
QByteArray DecodeMimeBase64(const QString& text);

// A reply body as text in the ANSI code page (the form every reader starts from).
QString bodyText(const QByteArray& body);

// The kind a payload member ("rd", "c") must have for a reply to count as a success.
enum class Payload { Object,
    String,
    Array };

// A parsed reply. Owns its tree.
class Reply {
public:
    enum class Kind { Json,
        NotJson,
        Empty };

    Reply() = default;
    explicit Reply(Kind kind)
        : m_kind(kind)
    { }
    explicit Reply(cJSON* root)
        : m_kind(root ? Kind::Json : Kind::NotJson)
        , m_root(root)
    { }
    Reply(Reply&& other) noexcept
        : m_kind(other.m_kind)
        , m_root(other.m_root)
    {
        other.m_root = nullptr;
    }
    Reply& operator=(Reply&& other) noexcept;
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    ~Reply() { cJSON_Delete(m_root); }

    Kind kind() const { return m_kind; }
    bool isJson() const { return m_kind == Kind::Json; }
    const cJSON* root() const { return m_root; }
    // Integer "ret" of the root object; -1 when missing, not an integer, or not JSON.
    int ret() const;
    // The same, but -1 also when the member key is missing or not of the given kind.
    int ret(const char* key, Payload kind) const;
    // First member of the root object whose key matches ignoring ASCII letter case.
    const cJSON* item(const char* key) const;

private:
    Kind m_kind = Kind::NotJson;
    cJSON* m_root = nullptr;
};

// Reads a body: Json or NotJson. The text overload takes the body as ANSI text.
Reply readReply(const QString& text);
Reply readReply(const QByteArray& body);

// Undoes the scrambling of CheckPM / CreatePM replies: pair swap of the body text, Base64,
// then the decoded bytes are read like a plain body. Empty, NotJson or Json.
Reply unscrambleReply(const QString& text);
Reply unscrambleReply(const QByteArray& body);

// Member lookup: first key matching ignoring ASCII letter case; null when absent or when
// object is not an object.
const cJSON* item(const cJSON* object, const char* key);
// Integer "ret"; -1 (a refusal) when missing, not a number, or a number that is not an integer
// in int's range.
int ret(const cJSON* object);
// "ret" of a reply whose payload member must be of a kind: -1 when that member is missing or of
// another kind, so a wrong-typed payload reads as a refusal.
int ret(const cJSON* object, const char* key, Payload kind);
// The member when it is of the kind; null otherwise.
const cJSON* payload(const cJSON* object, const char* key, Payload kind);
// String members: ANSI text, or UTF-8 for the values the service sends in UTF-8.
// Empty when the member is missing or not a string.
QString ansiString(const cJSON* object, const char* key);
QString utf8String(const cJSON* object, const char* key);
// Arrays: size 0 and no element when value is not an array.
int arraySize(const cJSON* value);
const cJSON* arrayItem(const cJSON* value, int index);

} // namespace zuvi::net
