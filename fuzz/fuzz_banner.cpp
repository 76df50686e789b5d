// Fuzz target: a banner file ("ad.jpg") decoded as the forms decode it and put into a picture.
#include "platform/os/Exception.h"
#include "platform/ui/Graphics.h"

#include <QFile>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

QString g_path;

bool decode()
{
    zuvi::ui::TJPEGImage jpeg;
    try {
        jpeg.LoadFromFile(g_path);
    } catch (const zuvi::Exception&) {
        return false; // the program's default error handling shows this; nothing changes
    }
    zuvi::ui::TPicture picture;
    picture.Assign(jpeg);
    if (picture.Width() != jpeg.Width() || picture.Height() != jpeg.Height() || jpeg.Width() <= 0)
        std::abort();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string dir = std::string(base) + "/zuvi-fuzz-banner-XXXXXX";
    if (!mkdtemp(dir.data()))
        std::abort();
    g_path = QString::fromStdString(dir + "/ad.jpg");
    // The image plugins load on the first decode; do it here so no input pays for them.
    QFile(g_path).open(QIODevice::WriteOnly);
    decode();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile f(g_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char*>(data), qint64(size));
    f.close();
    decode();
    return 0;
}
