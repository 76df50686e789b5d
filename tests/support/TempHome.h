// Test support: a private home folder for a test process, and the program's forms without a service.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace zuvi::test {

// HOME of this process and its XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR
// (mode 0700) point into a fresh folder /tmp/NAME-XXXXXX; each XDG folder is named after its
// variable. The folder goes with its contents at the end, unless ZUVI_TEST_KEEP is set.
class TempHome {
public:
    explicit TempHome(const std::string& name = "zuvi-sip-test")
    {
        std::string tmpl = "/tmp/" + name + "-XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_dir = tmpl;
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const std::string d = m_dir + "/" + v;
            std::filesystem::create_directories(d);
            setenv(v, d.c_str(), 1);
        }
        chmod((m_dir + "/XDG_RUNTIME_DIR").c_str(), 0700);
        setenv("HOME", m_dir.c_str(), 1);
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

    // Message boxes and opened web pages go to msgbox.log and urls.log in the folder.
    void logDialogs() const
    {
        setenv("ZUVI_MSGBOX_LOG", (m_dir + "/msgbox.log").c_str(), 1);
        setenv("ZUVI_OPEN_URL_LOG", (m_dir + "/urls.log").c_str(), 1);
    }

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
