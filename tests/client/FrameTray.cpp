// Main window's notification-area icon in a real XEmbed tray (trayer under Xvfb): the icon is
// docked, a double click brings the login form or the main window up, the right button opens the menu.
//
// Usage: client_frame_tray   (run under Xvfb with a 24-bit screen; starts trayer itself)

#include "client/AppForms.h"
#include "client/Unit1.h"
#include "client/Unit2.h"
#include "platform/ui/Layout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace zuvi::ui;

namespace {

int failures = 0;
std::string g_home;

void check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok)
        ++failures;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        Application->ProcessMessages();
        QThread::msleep(10);
    }
}

bool waitUntil(const std::function<bool()>& pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (pred())
            return true;
        settle(50);
    }
    return pred();
}

void privateHome()
{
    char tmpl[] = "/tmp/zuvi-frame-tray-XXXXXX";
    g_home = mkdtemp(tmpl);
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const std::string d = g_home + "/" + v;
        std::system(("mkdir -p '" + d + "'").c_str());
        setenv(v, d.c_str(), 1);
    }
    const std::string runtime = g_home + "/XDG_RUNTIME_DIR";
    std::system(("mkdir -m 700 -p '" + runtime + "'").c_str());
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("HOME", g_home.c_str(), 1);
    setenv("ZUVI_MSGBOX_LOG", (g_home + "/msgbox.log").c_str(), 1);
    setenv("ZUVI_OPEN_URL_LOG", (g_home + "/urls.log").c_str(), 1);
    setenv("ZUVI_API_HOST", "127.0.0.1:9", 1);
    setenv("ZUVI_API2_HOST", "127.0.0.1:9", 1);
    setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
}

// Centre of this program's icon window docked in the tray panel, or (-1, -1).
QPoint dockedIcon()
{
    QProcess p;
    p.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    p.waitForFinished(5000);
    const QString tree = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString me = QCoreApplication::applicationName();
    static const QRegularExpression line(
        QStringLiteral("\\(\"([^\"]*)\" \"[^\"]*\"\\)\\s+(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    for (const QString& l : tree.split(QLatin1Char('\n'))) {
        const auto m = line.match(l);
        if (!m.hasMatch() || m.captured(1) != me)
            continue;
        const int w = m.captured(2).toInt(), h = m.captured(3).toInt();
        const int x = m.captured(4).toInt(), y = m.captured(5).toInt();
        // The docked icon: a small window inside the panel at the top right of the screen.
        if (w <= 48 && h <= 48 && y >= 0 && y < 30 && x >= 600)
            return QPoint(x + w / 2, y + h / 2);
    }
    return QPoint(-1, -1);
}

bool xdotool(const QStringList& args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    privateHome();
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                          "120", "--height", "24", "--SetDockType", "false"});
    auto* app = new TApplication(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    check(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000), "tray host present");

    CreateForm(&Form2, nullptr);
    Form2->Timer1->SetEnabled(false);
    Form2->Hide();
    Form1->Hide();

    QPoint icon(-1, -1);
    check(waitUntil([&] { return (icon = dockedIcon()).x() >= 0; }, 5000), "icon docked in the tray");
    if (icon.x() >= 0) {
        const QString x = QString::number(icon.x()), y = QString::number(icon.y());
        xdotool({"mousemove", x, y});
        settle(300);
        xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
        check(waitUntil([] { return Form2->Visible(); }, 3000), "double click before a login shows the login form");
        check(Form2->TopMost(), "login form made topmost");
        check(!Form1->Visible(), "main window stays hidden");

        Form2->Hide();
        Form1->Label1->SetCaption(QStringLiteral("13800000001"));
        xdotool({"mousemove", x, y, "click", "--repeat", "2", "--delay", "60", "1"});
        check(waitUntil([] { return Form1->Visible(); }, 3000), "double click after a login shows the main window");
        check(Form1->TopMost(), "main window made topmost");

        xdotool({"mousemove", x, y, "click", "3"});
        QMenu* menu = nullptr;
        check(waitUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; },
                        3000),
              "right button opens the menu");
        if (menu) {
            QStringList captions;
            for (QAction* a : menu->actions())
                captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
            check(captions.size() == 10 && captions.first() == QStringLiteral("了解Zuvi") &&
                      captions.last() == QStringLiteral("退出"),
                  "the menu is the main menu");
            menu->close();
        }
    }

    Form1->N10->Click();
    Guard([] { DestroyApplicationForms(); });
    delete app;
    tray.terminate();
    tray.waitForFinished(3000);
    std::system(("rm -rf '" + g_home + "'").c_str());
    return failures == 0 ? 0 : 1;
}
