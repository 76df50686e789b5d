// INI settings files: private-profile semantics over text list files.
#include "inifile.h"

#include "Exception.h"
#include "atomicfile.h"
#include "codepage.h"
#include "textlist.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <limits>
#include <optional>

namespace zuvi::os {
namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "[name]" → name; nullopt for any other line.
std::optional<QString> sectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    qsizetype end = t.indexOf(u']');
    return t.mid(1, end < 0 ? -1 : end - 1).trimmed();
}

struct KeyLine {
    QString key;
    QString value;
};

std::optional<KeyLine> keyLine(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';'))
        return std::nullopt;
    qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    KeyLine kl{t.left(eq).trimmed(), t.mid(eq + 1).trimmed()};
    if (kl.value.size() >= 2) {
        QChar q = kl.value.front();
        if ((q == u'"' || q == u'\'') && kl.value.back() == q)
            kl.value = kl.value.mid(1, kl.value.size() - 2);
    }
    return kl;
}

// Index range [begin, end) of the lines of the first section with that name; begin = header + 1.
struct Range {
    qsizetype header = -1;
    qsizetype end = -1;
};

Range findSection(const QStringList& lines, const QString& section)
{
    Range r;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto name = sectionName(lines[i]);
        if (!name)
            continue;
        if (r.header >= 0) {
            r.end = i;
            return r;
        }
        if (sameName(*name, section))
            r.header = i;
    }
    if (r.header >= 0)
        r.end = lines.size();
    return r;
}

qsizetype findKey(const QStringList& lines, const Range& r, const QString& key)
{
    for (qsizetype i = r.header + 1; i < r.end; ++i) {
        auto kl = keyLine(lines[i]);
        if (kl && sameName(kl->key, key))
            return i;
    }
    return -1;
}

// Delphi StrToIntDef: optional sign, decimal or "$"/"0x" hex (32 bits, wrapping); whole text.
std::optional<int> parseInteger(QString s)
{
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X'))
        s = u'$' + s.mid(2);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    bool hex = false;
    if (i < s.size() && s[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return std::nullopt;
    quint64 v = 0;
    for (; i < s.size(); ++i) {
        int d;
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        v = v * (hex ? 16 : 10) + quint64(d);
        if (hex ? v > 0xFFFFFFFFull : v > 0x80000000ull)
            return std::nullopt;
    }
    if (hex) {
        qint32 w = qint32(quint32(v));
        return negative ? qint32(0u - quint32(w)) : w;
    }
    if (!negative && v > 0x7FFFFFFFull)
        return std::nullopt;
    return negative ? int(-qint64(v)) : int(v);
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{ }

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    TextList list;
    if (!list.load(m_path))
        return defaultValue;
    const Range r = findSection(list.lines, section);
    if (r.header < 0)
        return defaultValue;
    const qsizetype k = findKey(list.lines, r, key);
    if (k < 0)
        return defaultValue;
    return keyLine(list.lines[k])->value;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    return parseInteger(readString(section, key, QString())).value_or(defaultValue);
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::sectionExists(const QString& section) const
{
    TextList list;
    return list.load(m_path) && findSection(list.lines, section).header >= 0;
}

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    TextList list;
    if (!list.load(m_path))
        return false;
    const Range r = findSection(list.lines, section);
    return r.header >= 0 && findKey(list.lines, r, key) >= 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    QByteArray bytes;
    if (QFileInfo::exists(m_path)) {
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly))
            throw Exception(writeErrorMessage(m_path)); // never replace a file we could not read
        bytes = f.readAll();
        if (f.error() != QFileDevice::NoError)
            throw Exception(writeErrorMessage(m_path));
    }
    TextList list = TextList::decode(bytes);
    // An ANSI file keeps the exact bytes of every line we do not change (text that is not valid
    // GBK would otherwise come back as "?"). GBK trail bytes are never CR or LF, so the byte
    // lines match the text lines.
    QList<std::optional<QByteArray>> raw;
    if (list.encoding == TextEncoding::Ansi) {
        qsizetype start = 0, i = 0;
        while (i < bytes.size()) {
            const char c = bytes[i];
            if (c == '\r' || c == '\n') {
                raw.append(bytes.mid(start, i - start));
                if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                    ++i;
                start = ++i;
            } else {
                ++i;
            }
        }
        if (start < bytes.size())
            raw.append(bytes.mid(start));
        if (raw.size() != list.lines.size())
            raw.clear();
    }
    const bool keepRaw = list.encoding == TextEncoding::Ansi && raw.size() == list.lines.size();

    // A line break would start a new line in the file: the value ends there.
    QString v = value;
    qsizetype br = v.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (br >= 0)
        v.truncate(br);
    const QString line = key + u'=' + v;
    const Range r = findSection(list.lines, section);
    if (r.header < 0) {
        list.lines << (u'[' + section + u']') << line;
        raw << std::nullopt << std::nullopt;
    } else if (qsizetype k = findKey(list.lines, r, key); k >= 0) {
        list.lines[k] = line;
        if (keepRaw)
            raw[k] = std::nullopt;
    } else {
        qsizetype at = r.end;
        while (at > r.header + 1 && list.lines[at - 1].trimmed().isEmpty())
            --at;
        list.lines.insert(at, line);
        if (keepRaw)
            raw.insert(at, std::nullopt);
    }
    if (!keepRaw) {
        list.save(m_path);
        return;
    }
    QByteArray out;
    for (qsizetype i = 0; i < list.lines.size(); ++i) {
        out += raw[i] ? *raw[i] : toAnsi(list.lines[i]);
        out += "\r\n";
    }
    writeFileAtomic(m_path, out);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace zuvi::os
