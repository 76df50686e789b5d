// Test support: a private home folder for a test process, and the program's forms without a service.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace zuvi::test {

// The one private home of the tests (the layout of program_home.sh). HOME of this process is a
// fresh folder /tmp/NAME-XXXXXX; XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and
// XDG_RUNTIME_DIR (mode 0700) are its data, config, cache and runtime folders. With LogDialogs,
// message boxes and opened web pages go to msgbox.log and urls.log in it. The folder goes with
// its contents at the end, unless ZUVI_TEST_KEEP is set.
class TempHome {
public:
    enum Dialogs { ShowDialogs,
        LogDialogs };

    explicit TempHome(const std::string& name = "zuvi-test", Dialogs dialogs = ShowDialogs)
    {
        std::string tmpl = "/tmp/" + name + "-XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_dir = tmpl;
        const std::pair<const char*, const char*> folders[] = {{"XDG_DATA_HOME", "data"},
            {"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}};
        for (const auto& [variable, folder] : folders) {
            const std::string d = m_dir + "/" + folder;
            std::filesystem::create_directories(d);
            setenv(variable, d.c_str(), 1);
        }
        chmod((m_dir + "/runtime").c_str(), 0700);
        setenv("HOME", m_dir.c_str(), 1);
        if (dialogs == LogDialogs)
            logDialogs();
    }
    ~TempHome()
    {
        if (std::getenv("ZUVI_TEST_KEEP"))
            return;
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& dir() const { return m_dir; }
    QString path() const { return QString::fromStdString(m_dir); }
    // The program's data folder ("zuvi/" in XDG_DATA_HOME) and the XDG folders, with a trailing "/".
    QString dataFolder() const { return path() + "/data/zuvi/"; }
    QString configFolder() const { return path() + "/config/"; }
    QString runtimeFolder() const { return path() + "/runtime/"; }

    // Message boxes and opened web pages go to msgbox.log and urls.log in the folder.
    void logDialogs() const
    {
        setenv("ZUVI_MSGBOX_LOG", (m_dir + "/msgbox.log").c_str(), 1);
        setenv("ZUVI_OPEN_URL_LOG", (m_dir + "/urls.log").c_str(), 1);
    }
    QByteArray readLog(const char* name) const
    {
        QFile f(path() + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void clearLog(const char* name) const { QFile::remove(path() + "/" + name); }
    // The non-empty lines of a log; the message boxes shown so far.
    QStringList lines(const char* name) const { return QString::fromUtf8(readLog(name)).split('\n', Qt::SkipEmptyParts); }
    QStringList messages() const { return lines("msgbox.log"); }

private:
    std::string m_dir;
};

// The program's forms with no service: web requests go to a closed loopback port, SIP audio
// comes from files.
inline void unreachableService()
{
    setenv("ZUVI_API_HOST", "127.0.0.1:9", 1);
    setenv("ZUVI_API2_HOST", "127.0.0.1:9", 1);
    setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
}

} // namespace zuvi::test
