// INI settings files, with the semantics of the Windows private-profile functions.
#pragma once

#include <QString>

namespace zuvi::os {

// Every call reads the file anew; every write rewrites it atomically and keeps all other sections,
// keys, comments and lines. Section and key names compare without regard to letter case; values are
// trimmed, and a value wrapped in matching double or single quotes loses them. The file is GBK
// unless it starts with a UTF-8 or UTF-16 byte-order mark (then kept in that encoding).
// A missing file, section or key gives the reader's default. Writing never creates the folder.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& fileName() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal with optional sign, or hex as "0x..."/"$..." (32 bits, wrapping like the original
    // StrToIntDef); anything else, or a number out of range, gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // readInteger(default as 1/0) != 0.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Throw zuvi::Exception when the file cannot be written.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value); // "1" / "0"

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;

private:
    QString m_path;
};

} // namespace zuvi::os
