// Service replies: reading JSON bodies, scrambled credential replies, pair swap and MIME Base64.
#include "WebReply.h"

#include "platform/os/codepage.h"

#include <climits>
#include <cmath>

namespace zuvi::net {

QString SwapCharPairs(const QString& text)
{
    QString out;
    const qsizetype n = text.size();
    out.reserve(n);
    qsizetype i = 0;
    for (; i + 1 < n; i += 2) {
        out += text[i + 1];
        out += text[i];
    }
    if (i < n)
        out += text[i];
    return out;
}

QByteArray DecodeMimeBase64(const QString& text)
{
    auto value = [](char16_t c) -> unsigned {
        if (c >= u'A' && c <= u'Z')
            return c - u'A';
        if (c >= u'a' && c <= u'z')
            return c - u'a' + 26;
        if (c >= u'0' && c <= u'9')
            return c - u'0' + 52;
        if (c == u'+')
            return 62;
        if (c == u'/')
            return 63;
        return 0;
    };
    const qsizetype n = text.size() - text.size() % 4;
    QByteArray out;
    out.reserve(n / 4 * 3);
    for (qsizetype i = 0; i < n; i += 4) {
        unsigned quad = value(text[i].unicode()) << 18 | value(text[i + 1].unicode()) << 12
            | value(text[i + 2].unicode()) << 6 | value(text[i + 3].unicode());
        out += char(quad >> 16);
        out += char(quad >> 8 & 0xFF);
        out += char(quad & 0xFF);
    }
    if (n >= 4) {
        int fill = (text[n - 1] == u'=') ? (text[n - 2] == u'=' ? 2 : 1) : 0;
        out.chop(fill);
    }
    return out;
}

QString bodyText(const QByteArray& body) { return zuvi::os::fromAnsi(body); }

Reply& Reply::operator=(Reply&& other) noexcept
{
    if (this != &other) {
        cJSON_Delete(m_root);
        m_kind = other.m_kind;
        m_root = other.m_root;
        other.m_root = nullptr;
    }
    return *this;
}

int Reply::ret() const { return net::ret(m_root); }
int Reply::ret(const char* key, Payload kind) const { return net::ret(m_root, key, kind); }
const cJSON* Reply::item(const char* key) const { return net::item(m_root, key); }

Reply readReply(const QString& text)
{
    const QByteArray bytes = zuvi::os::toAnsi(text);
    return Reply(cJSON_ParseWithLength(bytes.constData(), size_t(bytes.size())));
}

// The parser sees the body's bytes unchanged (a round trip through the code page would
// garble UTF-8 values whose bytes do not form GBK pairs).
Reply readReply(const QByteArray& body)
{
    return Reply(cJSON_ParseWithLength(body.constData(), size_t(body.size())));
}

Reply unscrambleReply(const QString& text)
{
    // The decoded bytes go to the parser as they are, like a plain body.
    const QByteArray decoded = DecodeMimeBase64(SwapCharPairs(text));
    if (decoded.isEmpty())
        return Reply(Reply::Kind::Empty);
    return readReply(decoded);
}

Reply unscrambleReply(const QByteArray& body) { return unscrambleReply(bodyText(body)); }

const cJSON* item(const cJSON* object, const char* key)
{
    if (!cJSON_IsObject(object) || !key)
        return nullptr;
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    for (const cJSON* child = object->child; child; child = child->next) {
        const char* a = child->string;
        const char* b = key;
        if (!a)
            continue;
        while (*a && lower(static_cast<unsigned char>(*a)) == lower(static_cast<unsigned char>(*b))) {
            ++a;
            ++b;
        }
        if (*a == '\0' && *b == '\0')
            return child;
    }
    return nullptr;
}

int ret(const cJSON* object)
{
    const cJSON* value = item(object, "ret");
    if (!cJSON_IsNumber(value))
        return -1;
    // cJSON's valueint truncates 0.7 to 0 and saturates 1e300: only an exact integer counts.
    const double number = value->valuedouble;
    if (!(number >= double(INT_MIN) && number <= double(INT_MAX)) || number != std::trunc(number))
        return -1;
    return int(number);
}

const cJSON* payload(const cJSON* object, const char* key, Payload kind)
{
    const cJSON* value = item(object, key);
    switch (kind) {
    case Payload::Object:
        return cJSON_IsObject(value) ? value : nullptr;
    case Payload::String:
        return cJSON_IsString(value) && value->valuestring ? value : nullptr;
    case Payload::Array:
        return cJSON_IsArray(value) ? value : nullptr;
    }
    return nullptr;
}

int ret(const cJSON* object, const char* key, Payload kind)
{
    const int status = ret(object);
    return status == 0 && !payload(object, key, kind) ? -1 : status;
}

QString ansiString(const cJSON* object, const char* key)
{
    const cJSON* value = item(object, key);
    return cJSON_IsString(value) ? zuvi::os::fromAnsi(QByteArray(value->valuestring)) : QString();
}

QString utf8String(const cJSON* object, const char* key)
{
    const cJSON* value = item(object, key);
    return cJSON_IsString(value) ? zuvi::os::fromUtf8(QByteArray(value->valuestring)) : QString();
}

int arraySize(const cJSON* value) { return cJSON_IsArray(value) ? cJSON_GetArraySize(value) : 0; }

const cJSON* arrayItem(const cJSON* value, int index)
{
    return cJSON_IsArray(value) ? cJSON_GetArrayItem(value, index) : nullptr;
}

} // namespace zuvi::net
