// Fuzz target: the per-user store reader over any store.json; a write always lands and reads back.
#include "platform/os/Exception.h"
#include "platform/os/userstore.h"
#include "ScratchFiles.h"

#include <QDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using zuvi::os::Registry;

namespace {
QString g_folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string dir = privateFolder("store");
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    g_folder = QString::fromStdString(dir + "/zuvi");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QDir(g_folder).removeRecursively();
    QDir().mkpath(g_folder);
    writeInput(Registry::storePath().toStdString(), data, size);
    Registry reg;
    if (reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), false)) {
        const QString user = reg.readString(QStringLiteral("usr"));
        (void)reg.valueExists(user);
        (void)reg.readString(user);
    }
    // Whatever the file held, the store can be written and read back.
    if (!reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), true))
        std::abort();
    try {
        reg.writeString(QStringLiteral("usr"), QStringLiteral("13800000001"));
    } catch (const zuvi::Exception&) {
        std::abort();
    }
    if (reg.readString(QStringLiteral("USR")) != QStringLiteral("13800000001"))
        std::abort();
    (void)reg.deleteValue(QStringLiteral("usr"));
    return 0;
}
