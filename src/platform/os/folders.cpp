// Folder service: XDG data folder, account folders, program folder.
#include "folders.h"

#include "Exception.h"
#include "atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvi::os {
namespace {

QString withSlash(QString path)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString envPath(const char* name)
{
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? QString() : QFile::decodeName(v);
}

// mkdir with exactly kFolderMode (mkdir's mode passes through the umask, so set it again).
bool makeFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), kFolderMode) != 0)
        return false;
    ::chmod(path.constData(), kFolderMode);
    return true;
}

// Every missing level of an absolute path, each with kFolderMode (as the XDG rules ask).
void makeFolders(const QString& path)
{
    const QByteArray p = QFile::encodeName(QDir::cleanPath(path));
    for (qsizetype slash = p.indexOf('/', 1);; slash = p.indexOf('/', slash + 1)) {
        const QByteArray level = slash < 0 ? p : p.left(slash);
        struct stat st;
        if (::stat(level.constData(), &st) != 0)
            makeFolder(level);
        if (slash < 0)
            return;
    }
}

} // namespace

QString dataFolder()
{
    QString base = envPath("XDG_DATA_HOME");
    if (base.isEmpty() || !base.startsWith(u'/')) // the XDG rules ignore relative values
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return withSlash(base) + QStringLiteral("zuvi/");
}

QString accountFolder(const QString& account)
{
    if (account.isEmpty())
        return dataFolder();
    bool onlyDots = true;
    for (QChar c : account)
        onlyDots = onlyDots && c == u'.';
    QString name;
    for (QChar c : account) {
        const char16_t u = c.unicode();
        if (u == u'/' || u == u'\\' || u == u'%' || u == 0 || (onlyDots && u == u'.'))
            name += QStringLiteral("%%1").arg(int(u), 2, 16, QChar(u'0')).toUpper();
        else
            name += c;
    }
    return dataFolder() + name + u'/';
}

bool ensureDir(const QString& path)
{
    // The base the data folder sits in (XDG data home) may itself be missing on a fresh account,
    // where the original platform's application-data folder always exists: create it then.
    if (withSlash(path) == dataFolder()) {
        const QString base = dataFolder().chopped(QStringLiteral("zuvi/").size());
        if (!QFileInfo(base).isDir())
            makeFolders(base);
    }
    const QByteArray p = QFile::encodeName(path);
    if (makeFolder(p))
        return true;
    struct stat st;
    return errno == EEXIST && ::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString programPath()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0)
        return QFile::decodeName(QByteArray(buf, n));
    return QCoreApplication::applicationFilePath();
}

QString programFolder()
{
    const QString exe = programPath();
    const qsizetype slash = exe.lastIndexOf(u'/');
    return slash >= 0 ? exe.left(slash + 1) : QStringLiteral("./");
}

QString toPosixPath(QString path)
{
    return path.replace(u'\\', u'/');
}

bool fileExists(const QString& path)
{
    QFileInfo fi(path);
    return fi.exists() && !fi.isDir();
}

bool dirExists(const QString& path)
{
    return QFileInfo(path).isDir();
}

void ensureFile(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd >= 0) {
        const bool ok = ::fchmod(fd, kFileMode) == 0;
        ::close(fd);
        if (ok)
            return;
        ::unlink(p.constData());
        throw Exception(writeErrorMessage(path));
    }
    fd = errno == EEXIST ? ::open(p.constData(), O_WRONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        throw Exception(writeErrorMessage(path));
    ::close(fd);
}

bool deleteFile(const QString& path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

} // namespace zuvi::os
