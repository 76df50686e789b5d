// Atomic file replacement: temporary file in the target's folder, fsync, rename.
#include "atomicfile.h"

#include "Exception.h"

#include <QFile>
#include <QFileInfo>
#include <dirent.h>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvi::os {
namespace {

// The file actually replaced: the final target of a symbolic link.
QByteArray resolveTarget(const QByteArray& path)
{
    QByteArray current = path;
    for (int hops = 0; hops < 16; ++hops) {
        struct stat st;
        if (lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        char buf[PATH_MAX];
        ssize_t n = readlink(current.constData(), buf, sizeof buf - 1);
        if (n <= 0)
            return current;
        QByteArray link(buf, n);
        if (!link.startsWith('/')) {
            int slash = current.lastIndexOf('/');
            link = (slash >= 0 ? current.left(slash + 1) : QByteArray()) + link;
        }
        current = link;
    }
    return current;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// ".NAME.XXXXXX": the temporary name writeFileAtomic gives (mkostemp's six letters and digits).
bool isTemporaryName(const char* name)
{
    const size_t n = std::strlen(name);
    if (n < 9 || name[0] != '.' || name[n - 7] != '.')
        return false;
    for (size_t i = n - 6; i < n; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

int removeTemporariesIn(const QByteArray& folder, int depth)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) && isTemporaryName(name)) {
            if (::unlinkat(::dirfd(dir), name, 0) == 0)
                ++removed;
        } else if (S_ISDIR(st.st_mode) && depth > 0) {
            removed += removeTemporariesIn(folder + '/' + name, depth - 1);
        }
    }
    ::closedir(dir);
    return removed;
}

} // namespace

int removeStaleTemporaries(const QString& folder)
{
    return removeTemporariesIn(QFile::encodeName(folder), 1);
}

QString writeErrorMessage(const QString& path)
{
    return QStringLiteral("无法写入文件 %1").arg(path);
}

void writeFileAtomic(const QString& path, const QByteArray& bytes, unsigned mode, bool forceMode)
{
    const QByteArray target = resolveTarget(QFile::encodeName(path));
    const int slash = target.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? target.left(slash + 1) : QByteArray("./");
    const QByteArray name = slash >= 0 ? target.mid(slash + 1) : target;
    auto fail = [&]() { throw Exception(writeErrorMessage(path)); };
    if (name.isEmpty())
        fail();

    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        fail();

    QByteArray tmp = folder + '.' + name + ".XXXXXX";
    int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        fail();
    bool ok = true;
    // mkostemp creates 0600; give the file its final mode before any data lands in it. The
    // umask is never read: changing it would race with other threads (it is the process's).
    const mode_t finalMode = (exists && !forceMode) ? (old.st_mode & 07777) : (mode & 07777);
    ok = fchmod(fd, finalMode) == 0;
    ok = ok && writeAll(fd, bytes);
    ok = ok && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(tmp.constData());
        fail();
    }
    // Make the rename itself durable.
    int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
}

} // namespace zuvi::os
