// The program as a process: its files after a kill and a torn store, and an endless web reply.
#include "LoginHarness.h"
#include "RawHttpServer.h"

#include "platform/os/userstore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using zuvi::test::RawServer;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;
using zuvi::test::waitFor;

namespace {

const QString kPhone = QStringLiteral("13800000001");

// The program with its standard error in a file; killed at the end.
class Program {
public:
    explicit Program(const QString& stderrFile)
        : m_stderrFile(stderrFile)
    {
        m_proc.setProgram(QStringLiteral(ZUVI_PROGRAM));
        m_proc.setStandardErrorFile(stderrFile);
        m_proc.start();
        m_proc.waitForStarted(5000);
    }
    ~Program()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }
    QString stderrText() const
    {
        QFile f(m_stderrFile);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // Peak resident memory, in KiB (VmHWM of /proc/PID/status).
    long peakKiB() const
    {
        QFile f(QString("/proc/%1/status").arg(m_proc.processId()));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        return -1;
    }
    bool running() const { return m_proc.state() == QProcess::Running; }

private:
    QString m_stderrFile;
    QProcess m_proc;
};

unsigned modeOf(const QString& path)
{
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFu;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(ProgramFiles, LeftoversGoAndATornStoreIsKeptAside)
{
    TempHome home("zuvi-files-test", TempHome::LogDialogs);
    ServiceSim sim(home.path());
    ASSERT_TRUE(sim.running());
    // What a kill during writes leaves, and a store torn by a disk error.
    const QString account = home.dataFolder() + kPhone + "/";
    ASSERT_TRUE(QDir().mkpath(account));
    writeFile(account + ".contact.Ab12Cd", QByteArray(200000, 'x'));
    writeFile(home.dataFolder() + ".users.zz99ZZ", "13800000001\r\n");
    writeFile(account + "contact", "张三=13900000001\r\n");
    const QString store = zuvi::os::Registry::storePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(store).path()));
    const QByteArray torn = R"({"keys":{"Software\\zuvi":{"usr":"13800000001","13800000001":"zu)";
    writeFile(store, torn);

    const mode_t saved = umask(022); // a desktop's umask: the files must stay private anyway
    Program program(home.path() + "/stderr.log");
    umask(saved);
    const QString folder = QFileInfo(store).path();
    auto aside = [&] { return QDir(folder).entryList({"store.json.unreadable-*"}, QDir::Files); };
    ASSERT_TRUE(waitFor([&] { return !aside().isEmpty(); }, 15000)) << program.stderrText().toStdString();
    ASSERT_TRUE(waitFor([&] { return program.stderrText().contains("store.json.unreadable-"); }, 5000));

    QFile kept(folder + "/" + aside()[0]);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), torn);
    const QStringList told = program.stderrText().split('\n').filter("store.json");
    EXPECT_EQ(told.size(), 1) << program.stderrText().toStdString();
    EXPECT_FALSE(QFile::exists(account + ".contact.Ab12Cd"));
    EXPECT_FALSE(QFile::exists(home.dataFolder() + ".users.zz99ZZ"));
    EXPECT_TRUE(QFile::exists(account + "contact"));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(home.dataFolder() + "users"); }));
    EXPECT_EQ(modeOf(home.dataFolder() + "users"), 0600u);
    EXPECT_TRUE(program.running());
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

TEST(ProgramFiles, AnEndlessLoginReplyEndsAtTheCap)
{
    TempHome home("zuvi-files-test", TempHome::LogDialogs);
    RawServer server;
    server.route("r=Pc/softversion", RawServer::ok(R"({"u":""})"));
    server.route("r=Pc/RandCode", RawServer::ok(R"({"ret":0,"rd":"abcdefgh"})"));
    server.route("r=Pc/Login", "endless");
    qputenv("ZUVI_API_HOST", QByteArray::fromStdString(server.host()));
    qputenv("ZUVI_API2_HOST", QByteArray::fromStdString(server.host()));
    qputenv("ZUVI_HTTP_TIMEOUT_MS", "120000"); // only the cap can end the reply in time
    {
        zuvi::os::Registry reg;
        ASSERT_TRUE(reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), true));
        reg.writeString("usr", kPhone);
        reg.writeString(kPhone, "zuvi1234");
    }

    Program program(home.path() + "/stderr.log");
    const QString failed = QStringLiteral("登录失败，请确认网络畅通时重试");
    ASSERT_TRUE(waitFor([&] { return home.messages().join('\n').contains(failed); }, 60000))
        << home.messages().join(" | ").toStdString();
    EXPECT_TRUE(program.running());
    const long peak = program.peakKiB();
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 400 * 1024) << "peak resident memory " << peak << " KiB";
    qunsetenv("ZUVI_HTTP_TIMEOUT_MS");
}

} // namespace
