// Fuzz target: a banner file ("ad.jpg") decoded as the forms decode it and put into a picture.
#include "platform/os/Exception.h"
#include "platform/ui/Graphics.h"
#include "ScratchFiles.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
    const std::string dir = privateFolder("banner");
    g_path = QString::fromStdString(dir + "/ad.jpg");
    // The image plugins load on the first decode; do it here so no input pays for them.
    writeInput(g_path.toStdString(), nullptr, 0);
    decode();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeInput(g_path.toStdString(), data, size);
    decode();
    return 0;
}
