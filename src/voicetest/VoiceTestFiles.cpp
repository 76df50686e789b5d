// Voice test's files: countdown picture paths and the one-line log file.
#include "VoiceTestFiles.h"

#include "platform/ui/Layout.h"

#include <QDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

QString VoiceTestFramePath(int n)
{
    const QString pic = QDir(zuvi::ui::ResourceDir()).filePath(QStringLiteral("pic"));
    return n != 0 ? QStringLiteral("%1/t%2.bmp").arg(pic).arg(n) : pic + QStringLiteral("/begin_t.bmp");
}

void WriteLog(const char* text)
{
    int fd = ::open("abc.log", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fd = ::open("zuvi.log", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::size_t n = std::strlen(text);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(fd, text + done, n - done, off_t(done));
        if (w <= 0)
            break;
        done += std::size_t(w);
    }
    ::close(fd);
}
