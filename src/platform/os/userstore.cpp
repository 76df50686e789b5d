// Per-user store: registry-style keys and string values in one JSON file, autostart entries for the Run key.
#include "userstore.h"

#include "Exception.h"
#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <sys/stat.h>

namespace zuvi::os {
namespace {

QString configHome()
{
    const QByteArray v = qgetenv("XDG_CONFIG_HOME");
    QString base = v.isEmpty() ? QString() : QFile::decodeName(v);
    if (base.isEmpty() || !base.startsWith(u'/'))
        base = QDir::homePath() + QStringLiteral("/.config");
    if (!base.endsWith(u'/'))
        base += u'/';
    return base;
}

QString normalizeKey(QString key)
{
    key.replace(u'/', u'\\');
    while (key.startsWith(u'\\'))
        key.remove(0, 1);
    while (key.endsWith(u'\\'))
        key.chop(1);
    return key;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The spelling under which a name is stored in obj.
std::optional<QString> findName(const QJsonObject& obj, const QString& name)
{
    for (auto it = obj.begin(); it != obj.end(); ++it)
        if (sameName(it.key(), name))
            return it.key();
    return std::nullopt;
}

void narrowMode(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    struct stat st;
    if (::stat(p.constData(), &st) == 0 && (st.st_mode & 07777) != 0600)
        ::chmod(p.constData(), 0600);
}

QJsonObject loadKeys()
{
    const QString path = Registry::storePath();
    QFile f(path);
    if (!f.exists())
        return {};
    narrowMode(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    return doc.object().value(QStringLiteral("keys")).toObject();
}

void saveKeys(const QJsonObject& keys)
{
    const QString path = Registry::storePath();
    const QString folder = configHome() + QStringLiteral("zuvi");
    if (!QDir().mkpath(folder))
        throw Exception(writeErrorMessage(path));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    QJsonObject root;
    root.insert(QStringLiteral("keys"), keys);
    writeFileAtomic(path, QJsonDocument(root).toJson(QJsonDocument::Indented), 0600, true);
}

// Autostart entries: one desktop file per value of the Run key.
QString entryPath(const QString& name)
{
    QString file = name;
    file.replace(u'/', u'_');
    if (file.isEmpty() || file == u'.' || file == QStringLiteral(".."))
        file.prepend(u'_');
    return Registry::autostartFolder() + file + QStringLiteral(".desktop");
}

// Exec value: the path as one argument, quoted when needed, then escaped as a desktop string.
QString execValue(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (QChar c : program)
        quote = quote || reserved.contains(c);
    QString arg;
    if (quote) {
        arg = u'"';
        for (QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                arg += u'\\';
            arg += c;
        }
        arg += u'"';
    } else {
        arg = program;
    }
    arg.replace(u'%', QStringLiteral("%%"));
    QString value;
    for (QChar c : arg) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString parseExec(const QString& value)
{
    QString arg;
    for (qsizetype i = 0; i < value.size(); ++i) {
        QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            QChar n = value[++i];
            arg += n == u's' ? QChar(u' ') : n == u'n' ? QChar(u'\n')
                : n == u't'                            ? QChar(u'\t')
                : n == u'r'                            ? QChar(u'\r')
                                                       : n;
        } else {
            arg += c;
        }
    }
    arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (arg.size() >= 2 && arg.front() == u'"' && arg.back() == u'"') {
        QString plain;
        for (qsizetype i = 1; i + 1 < arg.size(); ++i) {
            if (arg[i] == u'\\' && i + 2 < arg.size())
                ++i;
            plain += arg[i];
        }
        return plain;
    }
    return arg;
}

QString readExec(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("Exec=")))
            return parseExec(line.mid(5).trimmed());
    return {};
}

} // namespace

QString Registry::storePath()
{
    return configHome() + QStringLiteral("zuvi/store.json");
}

QString Registry::autostartFolder()
{
    return configHome() + QStringLiteral("autostart/");
}

bool Registry::isRunKey() const
{
    return sameName(m_key, normalizeKey(QString::fromLatin1(kRunKey)));
}

bool Registry::openKey(const QString& keyPath, bool canCreate)
{
    closeKey();
    m_key = normalizeKey(keyPath);
    if (isRunKey()) { // always present, like the system's own key
        m_open = true;
        return true;
    }
    QJsonObject keys = loadKeys();
    if (!findName(keys, m_key)) {
        if (!canCreate) {
            m_key.clear();
            return false;
        }
        keys.insert(m_key, QJsonObject());
        try {
            saveKeys(keys);
        } catch (const Exception&) {
            m_key.clear();
            return false;
        }
    }
    m_open = true;
    return true;
}

void Registry::closeKey()
{
    m_open = false;
    m_key.clear();
}

bool Registry::valueExists(const QString& name) const
{
    if (!m_open)
        return false;
    if (isRunKey())
        return QFile::exists(entryPath(name));
    const QJsonObject keys = loadKeys();
    const QJsonObject values = keys.value(findName(keys, m_key).value_or(m_key)).toObject();
    return findName(values, name).has_value();
}

QString Registry::readString(const QString& name) const
{
    if (!m_open)
        return {};
    if (isRunKey())
        return readExec(entryPath(name));
    const QJsonObject keys = loadKeys();
    const QJsonObject values = keys.value(findName(keys, m_key).value_or(m_key)).toObject();
    const auto stored = findName(values, name);
    return stored ? values.value(*stored).toString() : QString();
}

void Registry::writeString(const QString& name, const QString& value)
{
    if (!m_open)
        throw Exception(writeErrorMessage(storePath()));
    if (isRunKey()) {
        const QString path = entryPath(name);
        if (!QDir().mkpath(autostartFolder()))
            throw Exception(writeErrorMessage(path));
        // Name and icon as in the program's launcher (resources/desktop/zuvi.desktop).
        const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Zuvi\n"
                                            "Name[zh_CN]=Zuvi网络电话\nIcon=zuvi\nExec=%1\n"
                                            "Terminal=false\nX-GNOME-Autostart-enabled=true\n")
                                 .arg(execValue(value));
        writeFileAtomic(path, text.toUtf8());
        return;
    }
    QJsonObject keys = loadKeys();
    const QString key = findName(keys, m_key).value_or(m_key); // removed behind our back: create it again
    QJsonObject values = keys.value(key).toObject();
    const QString stored = findName(values, name).value_or(name);
    values.insert(stored, value);
    keys.insert(key, values);
    saveKeys(keys);
}

bool Registry::deleteValue(const QString& name)
{
    if (!m_open)
        return false;
    if (isRunKey())
        return QFile::exists(entryPath(name)) && QFile::remove(entryPath(name));
    QJsonObject keys = loadKeys();
    const auto key = findName(keys, m_key);
    if (!key)
        return false;
    QJsonObject values = keys.value(*key).toObject();
    const auto stored = findName(values, name);
    if (!stored)
        return false;
    values.remove(*stored);
    keys.insert(*key, values);
    saveKeys(keys);
    return true;
}

} // namespace zuvi::os
