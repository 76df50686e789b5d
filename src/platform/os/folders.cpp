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
            QDir().mkpath(base);
    }
    const QByteArray p = QFile::encodeName(path);
    if (::mkdir(p.constData(), 0777) == 0)
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
    int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throw Exception(writeErrorMessage(path));
    ::close(fd);
}

bool deleteFile(const QString& path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

} // namespace zuvi::os
