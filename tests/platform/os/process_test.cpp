// Tests of the single-instance lock and the shell service, with real processes.
#include "TestEnv.h"
#include "folders.h"
#include "shell.h"
#include "singleinstance.h"

#include <QElapsedTimer>
#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <sys/wait.h>

using namespace zuvi::os;

namespace {

QString helper()
{
    return programFolder() + "zuvi_os_lock_helper";
}

// Starts the helper and waits for its "held"/"busy" line.
QString startHelper(QProcess& p, const QStringList& args)
{
    p.start(helper(), args);
    if (!p.waitForStarted(5000))
        return "not started";
    QString out;
    while (!out.contains("held") && !out.contains("busy") && p.waitForReadyRead(5000))
        out += QString::fromUtf8(p.readAll());
    return out;
}

bool alive(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid)); // a zombie is not alive
    return !(stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z "));
}

} // namespace

using SingleInstance = HomeTest;

TEST_F(SingleInstance, SecondProcessIsRefusedAndADeadHolderBlocksNothing)
{
    QProcess first;
    ASSERT_TRUE(startHelper(first, {"zuvi5"}).contains("held"));
    EXPECT_TRUE(QFile::exists(root + "/runtime/zuvi5.lock"));

    QProcess second;
    EXPECT_TRUE(startHelper(second, {"zuvi5"}).contains("busy"));
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 1);

    QProcess otherName;
    EXPECT_TRUE(startHelper(otherName, {"other"}).contains("held"));
    otherName.kill();
    otherName.waitForFinished();

    first.kill(); // a crash: the lock file stays, the lock does not
    first.waitForFinished();
    EXPECT_TRUE(QFile::exists(root + "/runtime/zuvi5.lock"));
    EXPECT_TRUE(acquireSingleInstance("zuvi5"));
    EXPECT_TRUE(acquireSingleInstance("zuvi5")); // again in the same process

    QProcess third;
    EXPECT_TRUE(startHelper(third, {"zuvi5"}).contains("busy"));
    third.waitForFinished(5000);
}

TEST_F(SingleInstance, ProgramsStartedByTheHolderDoNotKeepTheLock)
{
    QProcess holder;
    const QString out = startHelper(holder, {"zuvi5", "spawn"});
    ASSERT_TRUE(out.contains("held"));
    const qint64 child = out.section("child ", 1).section('\n', 0, 0).toLongLong();
    holder.kill();
    holder.waitForFinished();
    ASSERT_GT(child, 0);
    EXPECT_TRUE(alive(child));
    EXPECT_TRUE(acquireSingleInstance("zuvi5"));
    ::kill(pid_t(child), SIGKILL);
}

TEST_F(SingleInstance, FallsBackToTmpWithoutRuntimeFolder)
{
    setenv("XDG_RUNTIME_DIR", qPrintable(root + "/no-such-folder"), 1);
    const QString name = QStringLiteral("zuvi-test-%1").arg(QCoreApplication::applicationPid());
    QProcess first;
    ASSERT_TRUE(startHelper(first, {name}).contains("held"));
    const QString path = QStringLiteral("/tmp/%1-%2.lock").arg(name).arg(getuid());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(acquireSingleInstance(name));
    first.kill();
    first.waitForFinished();
    QFile::remove(path);
}

using Shell = HomeTest;

TEST_F(Shell, OpenUrlLogReplacesTheBrowser)
{
    const QString log = root + "/urls";
    setenv("ZUVI_OPEN_URL_LOG", qPrintable(log), 1);
    EXPECT_TRUE(openUrl("http://www.zuvi.example/pay.html"));
    EXPECT_TRUE(openUrl(QString::fromUtf8("http://www.zuvi.example/?q=中")));
    for (const QString url : {"", "/etc/passwd", "file:///etc/passwd", "javascript:x", "www.zuvi.example"})
        EXPECT_FALSE(openUrl(url)) << url.toStdString();
    EXPECT_TRUE(openUrl("HTTPS://www.zuvi.example/help/index.html"));
    EXPECT_EQ(readAll(log), "http://www.zuvi.example/pay.html\nhttp://www.zuvi.example/?q=\xE4\xB8\xAD\n"
                            "HTTPS://www.zuvi.example/help/index.html\n");
}

TEST_F(Shell, StartProgramRunsExecutablesOnly)
{
    const QString script = root + "/installer";
    writeRaw(script, "#!/bin/sh\ntouch \"$1\"\n");
    EXPECT_FALSE(startProgram(script, {root + "/ran"})); // not executable yet
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(startProgram(script, {root + "/ran"}));
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(root + "/ran") && t.elapsed() < 5000)
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(root + "/ran"));
    EXPECT_FALSE(startProgram(root + "/missing"));
    EXPECT_FALSE(startProgram(root)); // a folder
}

TEST_F(Shell, RunAndWaitWaitsAndIsBounded)
{
    EXPECT_TRUE(runAndWait("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}));
    EXPECT_FALSE(runAndWait(root + "/missing", {}));

    const QString file = root + "/done";
    EXPECT_TRUE(runAndWait("/bin/sh", {"-c", "sleep 0.2; touch \"$0\"", file}));
    EXPECT_TRUE(QFile::exists(file)); // it waited for the end

    // A hanging helper and the program it started are both killed at the bound.
    const QString pidFile = root + "/pid";
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(runAndWait("/bin/sh", {"-c", "sleep 60 & echo $! > \"$0\"; wait", pidFile}, 500));
    EXPECT_LT(t.elapsed(), 10000);
    const qint64 grandchild = readAll(pidFile).trimmed().toLongLong();
    ASSERT_GT(grandchild, 0);
    QThread::msleep(200);
    EXPECT_FALSE(alive(grandchild));
}
