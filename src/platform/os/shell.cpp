// Shell service: xdg-open for web pages, detached programs, bounded helper runs.
#include "shell.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace zuvi::os {

namespace {

// xdg-open on the target, or its line in the ZUVI_OPEN_URL_LOG file (tests).
bool desktopOpen(const QString& target, qint64* pid)
{
    if (pid)
        *pid = 0;
    const QByteArray log = qgetenv("ZUVI_OPEN_URL_LOG");
    if (!log.isEmpty()) {
        QFile f(QFile::decodeName(log));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        f.write(target.toUtf8() + '\n');
        return f.flush();
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {target}, QString(), pid);
}

} // namespace

bool openUrl(const QString& url)
{
    // Only web pages: a link that came from the service must not open local files or programs.
    const QString scheme = url.section(u':', 0, 0).toLower();
    if (!url.contains(u':') || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")))
        return false;
    return desktopOpen(url, nullptr);
}

bool openFile(const QString& path, qint64* pid)
{
    QFileInfo fi(path);
    if (!fi.isFile())
        return false;
    return desktopOpen(fi.absoluteFilePath(), pid);
}

bool startProgram(const QString& path, const QStringList& arguments, qint64* pid)
{
    QFileInfo fi(path);
    if (!fi.isFile() || !fi.isExecutable())
        return false;
    return QProcess::startDetached(fi.absoluteFilePath(), arguments, QString(), pid);
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
