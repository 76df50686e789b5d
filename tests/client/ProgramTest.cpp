// The program as a process: single instance, and the automatic login up to the SIP registrations.
#include "LoginHarness.h"

#include "platform/os/userstore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <signal.h>

using zuvi::test::ServiceSim;
using zuvi::test::TempHome;
using zuvi::test::waitFor;

namespace {

const QString kPhone = QStringLiteral("13800000001");
const QString kPassword = QStringLiteral("zuvi1234");
const QString kSipId = QStringLiteral("80001");
constexpr int kSoftswitchPort = 5470;

// The softswitch of testbed/ on its own port, without far ends.
class Softswitch {
public:
    explicit Softswitch(const QString& dir)
        : m_dir(dir)
    {
        m_started = QProcess::execute(QStringLiteral(ZUVI_SOURCE_DIR "/testbed/start.sh"),
                        {"--port", QString::number(kSoftswitchPort), "--fixture",
                            QStringLiteral(ZUVI_SIM_FIXTURE), "--no-far-end", m_dir})
            == 0;
    }
    ~Softswitch()
    {
        if (m_started)
            QProcess::execute(QStringLiteral(ZUVI_SOURCE_DIR "/testbed/stop.sh"), {m_dir});
    }
    bool started() const { return m_started; }
    QString server() const { return "127.0.0.1:" + QString::number(kSoftswitchPort); }
    // Users of the successful REGISTERs with a non-zero expiry, in order.
    QStringList registered() const
    {
        QStringList users;
        QFile f(m_dir + "/kamailio.log");
        if (!f.open(QIODevice::ReadOnly))
            return users;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const int at = line.indexOf("ZUVI|REGOK|");
            if (at < 0)
                continue;
            const QList<QByteArray> fields = line.mid(at).split('|');
            if (fields.size() > 4 && fields[4] != "0")
                users << QString::fromUtf8(fields[3]);
        }
        return users;
    }

private:
    QString m_dir;
    bool m_started = false;
};

class Program {
public:
    void start()
    {
        m_proc.setProgram(QStringLiteral(ZUVI_PROGRAM));
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_proc.start();
        m_proc.waitForStarted(5000);
    }
    ~Program()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    QProcess& process() { return m_proc; }

private:
    QProcess m_proc;
};

// The data folder's file as text ("<missing>" when there is none).
QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The automatic login has run to its end (its last request is CheckPM): the message loop runs.
bool loggedIn(const ServiceSim& sim) { return sim.actions().contains("CheckPM"); }

void rememberAccount()
{
    zuvi::os::Registry reg;
    ASSERT_TRUE(reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), true));
    reg.writeString("usr", kPhone);
    reg.writeString(kPhone, kPassword);
}

TEST(ProgramTest, SecondInstanceEndsAtOnceWithExitCode1)
{
    TempHome home("zuvi-login-test", TempHome::LogDialogs);
    ServiceSim sim(home.path());
    ASSERT_TRUE(sim.running());
    Program first;
    first.start();
    // The login form has loaded its settings once "users" exists: the lock is held by then.
    ASSERT_TRUE(waitFor([&] { return QFile::exists(home.dataFolder() + "users"); }, 10000));

    QProcess second;
    QElapsedTimer t;
    t.start();
    second.start(QStringLiteral(ZUVI_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(home.messages().isEmpty());
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(ProgramTest, StartUpErrorIsShownOnceAndTheProgramEndsWithExitCode0)
{
    TempHome home("zuvi-login-test", TempHome::LogDialogs);
    // The program without its form layouts beside it: the update prompt, the first window, cannot be built.
    const QString copy = home.path() + "/zuvi";
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZUVI_PROGRAM), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess p;
    p.start(copy, {});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList msgs = home.messages();
    ASSERT_EQ(msgs.size(), 1);
    EXPECT_TRUE(msgs[0].contains("UpdatePrompt.form")) << msgs[0].toStdString();
}

TEST(ProgramTest, AutomaticLoginRegistersBothAccountsAtTheSoftswitch)
{
    TempHome home("zuvi-login-test", TempHome::LogDialogs);
    Softswitch softswitch(home.path() + "/testbed");
    ASSERT_TRUE(softswitch.started());
    ServiceSim sim(home.path(), softswitch.server());
    ASSERT_TRUE(sim.running());
    rememberAccount();

    Program program;
    program.start();
    // First the account name's registration (after Login), then the fetched SIP id's.
    ASSERT_TRUE(waitFor([&] { return softswitch.registered().size() >= 2; }, 20000))
        << softswitch.registered().join(",").toStdString();
    EXPECT_EQ(softswitch.registered().mid(0, 2), (QStringList{kPhone, kSipId}));
    EXPECT_EQ(sim.actions(), (QStringList{"softversion", "RandCode", "Login", "CheckPM"}));
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
    EXPECT_TRUE(QFile::exists(home.dataFolder() + kPhone + "/login.ini"));
}

// The program's folder with every form layout but one (the rest of its files linked).
QString programWithout(const TempHome& home, const QString& form)
{
    const QString bin = QFileInfo(QStringLiteral(ZUVI_PROGRAM)).path();
    const QString dir = home.path() + "/bin";
    QDir().mkpath(dir + "/forms");
    for (const QString& name : QDir(bin).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (name != "forms")
            QFile::link(bin + "/" + name, dir + "/" + name);
    for (const QString& name : QDir(bin + "/forms").entryList(QDir::Files))
        if (name != form)
            QFile::copy(bin + "/forms/" + name, dir + "/forms/" + name);
    QFile::copy(QStringLiteral(ZUVI_PROGRAM), dir + "/zuvi");
    QFile::setPermissions(dir + "/zuvi", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir + "/zuvi";
}

TEST(ProgramTest, WindowThatCannotBeBuiltIsShownOnceAndEndsTheStartUp)
{
    // With a remembered account the automatic login would otherwise run without that window.
    for (const QString form : {"MainWindow.form", "SettingsDialog.form", "CloseChoiceDialog.form"}) {
        SCOPED_TRACE(form.toStdString());
        TempHome home("zuvi-login-test", TempHome::LogDialogs);
        ServiceSim sim(home.path());
        ASSERT_TRUE(sim.running());
        rememberAccount();
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(programWithout(home, form), {});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        const QStringList msgs = home.messages();
        ASSERT_EQ(msgs.size(), 1) << msgs.join(" | ").toStdString();
        EXPECT_TRUE(msgs[0].contains(form)) << msgs[0].toStdString();
        EXPECT_FALSE(sim.actions().contains("RandCode")) << sim.actions().join(",").toStdString();
    }
}

TEST(ProgramTest, SessionSignalsEndTheRunAsTheExitMenuDoes)
{
    const QString contacts = QStringLiteral("张三=13900000001\r\n");
    const struct {
        int signal;
        bool remembered; // logged in automatically, or still at the login form
    } cases[] = {{SIGTERM, true}, {SIGHUP, true}, {SIGINT, true}, {SIGTERM, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(strsignal(c.signal) + std::string(c.remembered ? ", logged in" : ", at the login form"));
        TempHome home("zuvi-login-test", TempHome::LogDialogs);
        ServiceSim sim(home.path());
        ASSERT_TRUE(sim.running());
        const QString folder = home.dataFolder() + (c.remembered ? kPhone + "/" : QString());
        if (c.remembered) {
            rememberAccount();
            writeFile(folder + "contact", contacts.toUtf8());
        }
        Program program;
        program.start();
        const auto started = [&] { return c.remembered ? loggedIn(sim) : QFile::exists(home.dataFolder() + "users"); };
        ASSERT_TRUE(waitFor(started, 20000)) << sim.actions().join(",").toStdString();
        kill(pid_t(program.process().processId()), c.signal);
        ASSERT_TRUE(program.process().waitForFinished(20000));
        EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.process().exitCode(), 0);
        // The shut-down of "退出": the account's files written, then Logout.
        EXPECT_EQ(sim.actions().value(sim.actions().size() - 1), "Logout") << sim.actions().join(",").toStdString();
        EXPECT_TRUE(fileText(folder + "zuvi.ini").contains("[vol1]")) << fileText(folder + "zuvi.ini").toStdString();
        if (c.remembered) {
            EXPECT_EQ(fileText(folder + "contact"), contacts);
        }
        EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
    }
}

TEST(ProgramTest, FailedWriteAtShutDownSkipsNoOtherWrite)
{
    TempHome home("zuvi-login-test", TempHome::LogDialogs);
    ServiceSim sim(home.path());
    ASSERT_TRUE(sim.running());
    rememberAccount();
    Program program;
    program.start();
    ASSERT_TRUE(waitFor([&] { return loggedIn(sim); }, 20000)) << sim.actions().join(",").toStdString();
    // A folder where "contact" was; the other two files gone, so their writes show.
    const QString folder = home.dataFolder() + kPhone + "/";
    ASSERT_TRUE(QFile::remove(folder + "contact"));
    ASSERT_TRUE(QDir().mkdir(folder + "contact"));
    QFile::remove(folder + "call");
    QFile::remove(folder + "zuvi.ini");
    kill(pid_t(program.process().processId()), SIGTERM);
    ASSERT_TRUE(program.process().waitForFinished(20000));
    EXPECT_EQ(program.process().exitCode(), 0);
    const QStringList msgs = home.messages();
    ASSERT_EQ(msgs.size(), 1) << msgs.join(" | ").toStdString();
    EXPECT_TRUE(msgs[0].startsWith("无法写入文件") && msgs[0].contains(kPhone + "/contact")) << msgs[0].toStdString();
    EXPECT_TRUE(QFile::exists(folder + "call"));
    EXPECT_TRUE(fileText(folder + "zuvi.ini").contains("[vol2]"));
    EXPECT_EQ(sim.actions().value(sim.actions().size() - 1), "Logout");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
