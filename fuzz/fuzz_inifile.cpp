// Fuzz target: the INI reader over any file, and a write that must read back and change nothing else.
#include "platform/os/Exception.h"
#include "platform/os/inifile.h"
#include "ScratchFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using zuvi::os::IniFile;

namespace {

QString g_path;

const char* const kPairs[][2] = {{"switch1", "login"}, {"switch2", "login"}, {"switch3", "login"}, {"a", "b"},
    {"", ""}, {"set", "autohide"}, {"volume", "speaker"}};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string dir = privateFolder("ini");
    g_path = QString::fromStdString(dir + "/login.ini");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeInput(g_path.toStdString(), data, size);
    IniFile ini(g_path);
    QString before[std::size(kPairs)];
    for (size_t i = 0; i < std::size(kPairs); ++i) {
        const QString section = QString::fromLatin1(kPairs[i][0]), key = QString::fromLatin1(kPairs[i][1]);
        before[i] = ini.readString(section, key, QStringLiteral("<none>"));
        (void)ini.readInteger(section, key, 7);
        (void)ini.readBool(section, key, true);
        (void)ini.sectionExists(section);
        (void)ini.valueExists(section, key);
    }
    // Pick the pair to write from the input; the value is one a caller writes.
    const size_t target = size ? data[0] % std::size(kPairs) : 0;
    const QString section = QString::fromLatin1(kPairs[target][0]), key = QString::fromLatin1(kPairs[target][1]);
    if (section.isEmpty() || key.isEmpty())
        return 0;
    try {
        ini.writeString(section, key, QStringLiteral("1"));
    } catch (const zuvi::Exception&) {
        std::abort(); // the folder is writable: a write must not fail
    }
    if (ini.readString(section, key, QString()) != QStringLiteral("1"))
        std::abort();
    for (size_t i = 0; i < std::size(kPairs); ++i) {
        if (i == target || QString::fromLatin1(kPairs[i][0]).compare(section, Qt::CaseInsensitive) == 0)
            continue;
        if (ini.readString(QString::fromLatin1(kPairs[i][0]), QString::fromLatin1(kPairs[i][1]), QStringLiteral("<none>"))
            != before[i])
            std::abort();
    }
    return 0;
}
