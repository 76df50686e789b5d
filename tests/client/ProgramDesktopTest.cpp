// The program as a process on an X screen, driven with the X pointer and keys: window titles, the
// dialogs above the main window, and an account switch to an account without files.
#include "LoginHarness.h"

#include "platform/os/inifile.h"
#include "platform/os/textlist.h"
#include "platform/os/userstore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <signal.h>

#include <functional>
#include <optional>

using zuvi::test::ServiceSim;
using zuvi::test::TempHome;
using zuvi::test::waitFor;

namespace {

const QString kPhone = QStringLiteral("13800000001");
const QString kPassword = QStringLiteral("zuvi1234");
const QString kOtherPhone = QStringLiteral("13800000002");
const QString kOtherPassword = QStringLiteral("zuvi5678");
const QString kCaption = QStringLiteral("Zuvi网络电话");

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A top-level window of the program on the screen.
struct XWindow {
    QString id;
    int width = 0, height = 0, x = 0, y = 0;
};

// The program's mapped top-level windows (the forms differ in size; a menu is override-redirect).
std::optional<XWindow> find(const std::function<bool(const XWindow&, const QString& info)>& wanted)
{
    static const QRegularExpression line(
        QStringLiteral(R"(^\s*(0x[0-9a-f]+) .*\("zuvi" "[^"]*"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))"));
    for (const QString& l : run("xwininfo", {"-root", "-tree"}).split('\n')) {
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch())
            continue;
        const XWindow w{m.captured(1), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(),
            m.captured(5).toInt()};
        const QString info = run("xwininfo", {"-id", w.id});
        if (info.contains("Map State: IsViewable") && wanted(w, info))
            return w;
    }
    return std::nullopt;
}

std::optional<XWindow> shown(int width, int height)
{
    return find([&](const XWindow& w, const QString&) { return w.width == width && w.height == height; });
}

std::optional<XWindow> waitShown(int width, int height)
{
    std::optional<XWindow> w;
    waitFor([&] { return (w = shown(width, height)).has_value(); }, 20000);
    return w;
}

// What a window manager and a task bar read: the title and the window it is transient for.
QString title(const XWindow& w)
{
    const QString out = run("xprop", {"-id", w.id, "_NET_WM_NAME"});
    const qsizetype open = out.indexOf('"');
    return open < 0 ? out.trimmed() : out.mid(open + 1, out.lastIndexOf('"') - open - 1);
}

QString transientFor(const XWindow& w)
{
    const QString out = run("xprop", {"-id", w.id, "WM_TRANSIENT_FOR"});
    const qsizetype hash = out.indexOf('#');
    return hash < 0 ? out.trimmed() : out.mid(hash + 1).trimmed();
}

void click(const XWindow& w, int x, int y)
{
    run("xdotool", {"mousemove", QString::number(w.x + x), QString::number(w.y + y)});
    QThread::msleep(200);
    run("xdotool", {"click", "1"});
    QThread::msleep(300);
}

void keys(const QStringList& names)
{
    for (const QString& k : names) {
        run("xdotool", {"key", k});
        QThread::msleep(100);
    }
}

// The main menu's entry at position n (1-based, separators not counted), from the menu button.
void chooseMenuEntry(const XWindow& main, int n)
{
    click(main, 181, 13);
    waitFor([] { return find([](const XWindow&, const QString& info) {
                     return info.contains("Override Redirect State: yes");
                 }).has_value(); });
    QStringList downs;
    for (int i = 0; i < n; ++i)
        downs << "Down";
    keys(downs << "Return");
}

void rememberAccounts()
{
    zuvi::os::Registry reg;
    ASSERT_TRUE(reg.openKey(QString::fromLatin1(zuvi::os::kProgramKey), true));
    reg.writeString("usr", kPhone);
    reg.writeString(kPhone, kPassword);
    reg.writeString(kOtherPhone, kOtherPassword);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.running());
        qputenv("ZUVI_SIP_FILE_AUDIO", "1");
        rememberAccounts();
        // The remembered account without the automatic login: the login form waits for the user.
        QDir().mkpath(home.dataFolder() + kPhone);
        zuvi::os::IniFile(home.dataFolder() + kPhone + "/login.ini").writeBool("switch3", "login", false);
    }
    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    void start()
    {
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(ZUVI_PROGRAM), {});
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    // Enter in the password box of the login form shown; the main window once logged in.
    std::optional<XWindow> logIn(const XWindow& login, int logins)
    {
        click(login, 100, 254);
        keys({"Return"});
        waitFor([&] { return sim.actions().count("CheckPM") >= logins; }, 20000);
        return waitShown(262, 510);
    }
    void end()
    {
        kill(pid_t(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitCode(), 0);
    }

    TempHome home{"zuvi-desktop-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
    QProcess program;
};

TEST_F(DesktopTest, TitlesAreTheCaptionsAndDialogsStandAboveTheMainWindow)
{
    start();
    const std::optional<XWindow> login = waitShown(261, 510);
    ASSERT_TRUE(login);
    EXPECT_EQ(title(*login), kCaption);
    const std::optional<XWindow> main = logIn(*login, 1);
    ASSERT_TRUE(main);
    EXPECT_EQ(title(*main), kCaption);

    // The close button opens the close-choice dialog; its cancel button hides it again.
    click(*main, 241, 13);
    const std::optional<XWindow> closeChoice = waitShown(345, 177);
    ASSERT_TRUE(closeChoice);
    EXPECT_EQ(transientFor(*closeChoice), main->id);
    EXPECT_EQ(title(*closeChoice), "关闭提示");
    click(*closeChoice, 293, 155);
    EXPECT_TRUE(waitFor([] { return !shown(345, 177); }, 5000));

    // "系统设置", the menu's fifth entry.
    chooseMenuEntry(*main, 5);
    const std::optional<XWindow> settings = waitShown(437, 381);
    ASSERT_TRUE(settings);
    EXPECT_EQ(transientFor(*settings), main->id);
    EXPECT_EQ(title(*settings), "系统设置");

    end();
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

TEST_F(DesktopTest, AccountSwitchToAnAccountWithoutFilesStartsWithEmptyLists)
{
    const QString first = home.dataFolder() + kPhone + "/";
    zuvi::os::TextList lists[2];
    lists[0].lines = {"张三=13900000001"};
    lists[1].lines = {"张三 12 秒 2026/01/02 03:04:05"};
    lists[0].save(first + "contact");
    lists[1].save(first + "call");
    const QByteArray contacts = fileBytes(first + "contact"), history = fileBytes(first + "call");

    start();
    std::optional<XWindow> login = waitShown(261, 510);
    ASSERT_TRUE(login);
    std::optional<XWindow> main = logIn(*login, 1);
    ASSERT_TRUE(main);

    // "切换账户", the menu's seventh entry; the other account typed (its password is remembered).
    chooseMenuEntry(*main, 7);
    login = waitShown(261, 510);
    ASSERT_TRUE(login);
    click(*login, 100, 200);
    keys({"ctrl+a"});
    run("xdotool", {"type", "--delay", "50", kOtherPhone});
    keys({"Return"});
    ASSERT_TRUE(waitFor([&] { return sim.actions().count("CheckPM") >= 2; }, 20000)) << sim.actions().join(",").toStdString();
    ASSERT_TRUE(waitShown(262, 510));
    const QList<zuvi::test::SimRequest> requests = sim.requests();
    ASSERT_FALSE(requests.isEmpty());
    int logins = 0;
    for (const zuvi::test::SimRequest& r : requests) {
        if (r.action == "Login") {
            EXPECT_EQ(r.param("Phone"), logins++ == 0 ? kPhone : kOtherPhone);
        }
    }
    EXPECT_EQ(logins, 2);

    end();
    // Nothing of the first account went to the second one; the first one's files are as they were.
    const QString second = home.dataFolder() + kOtherPhone + "/";
    EXPECT_EQ(fileBytes(second + "contact"), QByteArray());
    EXPECT_EQ(fileBytes(second + "call"), QByteArray());
    EXPECT_EQ(fileBytes(first + "contact"), contacts);
    EXPECT_EQ(fileBytes(first + "call"), history);
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
