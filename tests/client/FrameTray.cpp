// Main window's notification-area icon in a real XEmbed tray (trayer under Xvfb): the icon is
// docked, a double click brings the login form or the main window up, the right button opens the menu.
//
// Usage: client_frame_tray   (run under Xvfb with a 24-bit screen; starts trayer itself)

#include "client/ProgramForms.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "platform/ui/Layout.h"
#include "TempHome.h"
#include "XShot.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>

using namespace zuvi::ui;
using namespace zuvi::test;

namespace {

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

} // namespace

int main(int argc, char** argv)
{
    TempHome home("zuvi-frame-tray");
    home.logDialogs();
    unreachableService();
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120", "--height", "24", "--SetDockType", "false"});
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
            check(captions.size() == 10 && captions.first() == QStringLiteral("了解Zuvi") && captions.last() == QStringLiteral("退出"),
                "the menu is the main menu");
            menu->close();
        }
    }

    Form1->N10->Click();
    Guard([] { DestroyApplicationForms(); });
    delete app;
    tray.terminate();
    tray.waitForFinished(3000);
    return failures == 0 ? 0 : 1;
}
