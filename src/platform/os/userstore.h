// Per-user store in place of the registry: keys by path holding string values.
#pragma once

#include <QString>

namespace zuvi::os {

// Registry-like access to the current user's store, kept in "$XDG_CONFIG_HOME/zuvi/store.json"
// (default "~/.config/zuvi/"), mode 0600 (it holds passwords; a wider mode is narrowed on every access).
// Key paths and value names compare without regard to letter case; leading and trailing "\" are
// ignored ("\Software\zuvi" == "Software\zuvi").
// The key "\SOFTWARE\Microsoft\Windows\CurrentVersion\Run" is special: its value N is the XDG autostart
// entry "$XDG_CONFIG_HOME/autostart/N.desktop" whose Exec is the value's data (the program's full path).
class Registry {
public:
    Registry() = default; // root: the current user
    ~Registry() = default;

    // Opens a key; with canCreate a missing key is created (and stored). False when the key is
    // missing and not created, or it could not be created.
    bool openKey(const QString& keyPath, bool canCreate);
    void closeKey();
    bool isOpen() const { return m_open; }
    const QString& currentPath() const { return m_key; }

    // All below act on the open key; with no key open they fail (false / empty / throw).
    bool valueExists(const QString& name) const;
    QString readString(const QString& name) const; // empty when the value is missing
    void writeString(const QString& name, const QString& value); // throws zuvi::Exception
    bool deleteValue(const QString& name); // true when a value was removed; throws on write failure

    // Where the store and the autostart entries live.
    static QString storePath();
    static QString autostartFolder();

private:
    bool isRunKey() const;
    QString m_key;
    bool m_open = false;
};

// The program's own key and the start-with-the-session key.
inline constexpr const char* kProgramKey = "\\Software\\zuvi";
inline constexpr const char* kRunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace zuvi::os
