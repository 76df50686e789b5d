// Single-instance lock: flock on a per-user lock file, held until the process ends.
#include "singleinstance.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvi::os {
namespace {

QString lockPath(const QString& name)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (!runtime.isEmpty() && runtime.startsWith('/') && ::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return QFile::decodeName(runtime) + u'/' + name + QStringLiteral(".lock");
    return QStringLiteral("/tmp/%1-%2.lock").arg(name).arg(::getuid());
}

} // namespace

bool acquireSingleInstance(const QString& name)
{
    static QMutex mutex;
    static QHash<QString, int> held; // descriptors stay open for the life of the process
    QMutexLocker lock(&mutex);
    if (held.contains(name))
        return true;
    const QByteArray path = QFile::encodeName(lockPath(name));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return true; // no lock file possible: the check cannot be made, so it does not stop the start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    held.insert(name, fd);
    return true;
}

} // namespace zuvi::os
