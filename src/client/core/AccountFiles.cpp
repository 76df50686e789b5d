// Client core: the files of an account and of the program in the data folder.
#include "client/core/AccountFiles.h"

#include "platform/os/folders.h"
#include "platform/os/inifile.h"

namespace zuvi::client {

namespace {

const QString kLogin = QStringLiteral("login");
const QString kZuvi = QStringLiteral("zuvi");

} // namespace

QString usersFile() { return os::dataFolder() + QStringLiteral("users"); }

QString bannerFile() { return os::dataFolder() + QStringLiteral("ad.jpg"); }

AccountFiles::AccountFiles(const QString& account)
    : m_folder(os::accountFolder(account))
{
}

void AccountFiles::makeFolder() const { os::ensureDir(m_folder); }

QString AccountFiles::prepare(const QString& path) const
{
    makeFolder();
    os::ensureFile(path);
    return path;
}

LoginSwitches AccountFiles::loginSwitches() const
{
    os::IniFile ini(loginSwitchesFile());
    LoginSwitches s;
    s.saveInformation = ini.readBool(QStringLiteral("switch1"), kLogin, true);
    s.rememberPassword = ini.readBool(QStringLiteral("switch2"), kLogin, true);
    s.autoLogin = ini.readBool(QStringLiteral("switch3"), kLogin, true);
    return s;
}

void AccountFiles::writeLoginSwitches(const LoginSwitches& s) const
{
    os::IniFile ini(loginSwitchesFile());
    ini.writeBool(QStringLiteral("switch1"), kLogin, s.saveInformation);
    ini.writeBool(QStringLiteral("switch2"), kLogin, s.rememberPassword);
    ini.writeBool(QStringLiteral("switch3"), kLogin, s.autoLogin);
}

Volumes AccountFiles::volumes() const
{
    os::IniFile ini(volumesFile());
    return {ini.readInteger(QStringLiteral("vol1"), kZuvi, 10), ini.readInteger(QStringLiteral("vol2"), kZuvi, 10)};
}

void AccountFiles::writeVolumes(const Volumes& v) const
{
    os::IniFile ini(volumesFile());
    ini.writeInteger(QStringLiteral("vol1"), kZuvi, v.speaker);
    ini.writeInteger(QStringLiteral("vol2"), kZuvi, v.microphone);
}

bool showsNoHistory(const QStringList& shownLines)
{
    return shownLines.size() == 1 && shownLines.first() == kNoHistory;
}

} // namespace zuvi::client
