// Shell service: xdg-open for web pages, detached programs, bounded helper runs.
#include "shell.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace zuvi::os {

bool openUrl(const QString& url)
{
    // Only web pages: a link that came from the service must not open local files or programs.
    const QString scheme = url.section(u':', 0, 0).toLower();
    if (!url.contains(u':') || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")))
        return false;
    const QByteArray log = qgetenv("ZUVI_OPEN_URL_LOG");
    if (!log.isEmpty()) {
        QFile f(QFile::decodeName(log));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        f.write(url.toUtf8() + '\n');
        return f.flush();
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

bool startProgram(const QString& path, const QStringList& arguments)
{
    QFileInfo fi(path);
    if (!fi.isFile() || !fi.isExecutable())
        return false;
    return QProcess::startDetached(fi.absoluteFilePath(), arguments);
}

bool runAndWait(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(arguments);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    // Its own process group, so a timeout ends whatever it started too.
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    p.start();
    if (!p.waitForStarted(timeoutMs))
        return false;
    if (p.waitForFinished(timeoutMs))
        return p.exitStatus() == QProcess::NormalExit;
    const qint64 pid = p.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    p.kill();
    p.waitForFinished(-1);
    return false;
}

} // namespace zuvi::os
