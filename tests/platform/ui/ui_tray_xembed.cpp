// UI layer test: the notification-area icon in a real XEmbed tray (trayer under Xvfb) that starts
// after the icon is shown; while a form is modal the icon's double click and menu work, a form
// opened from the menu takes input and the forms on screen before do not; the menu's exit ends
// the modal loop with mrCancel and the message loop at once.
//
// Usage: zuvi_ui_tray_xembed   (under Xvfb with an 800x600 screen; starts trayer itself)

#include "Components.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace zuvi::ui;

namespace {

int failures = 0;

void check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    std::fflush(stdout);
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

bool xdotool(const QStringList& args) { return QProcess::execute(QStringLiteral("xdotool"), args) == 0; }

void clickAt(QPoint p, const char* button = "1")
{
    xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", button});
}

// A form whose picture counts the presses it gets.
struct ClickForm {
    ClickForm(int left, int top)
        : form(std::make_unique<TForm>(nullptr))
    {
        form->SetBorderStyle(bsNone);
        form->SetBounds(left, top, 120, 80);
        img = new TImage(form.get());
        img->SetParent(form.get());
        img->SetBounds(0, 0, 120, 80);
        img->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
    }
    QPoint centre() const { return form->Widget()->mapToGlobal(QPoint(60, 40)); }
    std::unique_ptr<TForm> form;
    TImage* img = nullptr;
    int presses = 0;
};

// The icon's place on the screen once docked in the panel at the top right, else a null rect.
QRect docked(TTrayIcon& tray)
{
    const QRect g = tray.SystemTrayIcon()->geometry();
    return g.isValid() && g.width() <= 48 && g.top() >= 0 && g.top() < 30 && g.left() >= 600 ? g : QRect();
}

// Opens the icon's menu with the right button and chooses the item with this caption.
bool chooseFromMenu(QPoint icon, const QString& caption)
{
    clickAt(icon, "3");
    QMenu* menu = nullptr;
    if (!waitUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }, 3000))
        return false;
    settle(200);
    for (QAction* a : menu->actions())
        if (a->text() == caption) {
            clickAt(menu->mapToGlobal(menu->actionGeometry(a).center()));
            return true;
        }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    zuvi::test::TempHome home("zuvi-ui-test");
    unsetenv("DBUS_SESSION_BUS_ADDRESS"); // the XEmbed tray, not a StatusNotifier host
    qputenv("QT_QPA_PLATFORM", "xcb");
    auto app = std::make_unique<TApplication>(argc, argv);

    TTrayIcon tray(nullptr);
    QPixmap pic(22, 22);
    pic.fill(Qt::red);
    tray.Icon()->SetIcon(QIcon(pic));
    TPopupMenu menu(nullptr);
    auto* settingsItem = new TMenuItem(&menu);
    settingsItem->SetCaption(QStringLiteral("系统设置"));
    auto* exitItem = new TMenuItem(&menu);
    exitItem->SetCaption(QStringLiteral("退出"));
    menu.Items()->Add(settingsItem);
    menu.Items()->Add(exitItem);
    tray.SetPopupMenu(&menu);
    int doubles = 0;
    tray.OnDblClick = [&](TObject*) { ++doubles; };

    check(!QSystemTrayIcon::isSystemTrayAvailable(), "no tray yet");
    tray.SetVisible(true);
    settle(200);
    QProcess trayer;
    trayer.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120", "--height", "24", "--SetDockType", "false"});
    QRect iconRect;
    check(waitUntil([&] { return (iconRect = docked(tray)).isValid(); }, 5000),
        "the icon docks in a tray that starts after it is shown");

    ClickForm main(40, 200), login(300, 200), settings(560, 200);
    settingsItem->OnClick = [&](TObject*) { settings.form->Show(); };
    exitItem->OnClick = [](TObject*) { Application->Terminate(); };
    main.form->Show();
    settle(300);

    bool scripted = false;
    QTimer::singleShot(300, [&] {
        scripted = true;
        if (!iconRect.isValid()) {
            Application->Terminate();
            return;
        }
        const QPoint icon = iconRect.center();
        xdotool({"mousemove", QString::number(icon.x()), QString::number(icon.y())});
        settle(200);
        xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
        waitUntil([&] { return doubles > 0; }, 3000);
        settle(600);
        check(doubles == 1, "a double click on the icon while a form is modal raises OnDblClick once");

        clickAt(login.centre());
        check(waitUntil([&] { return login.presses == 1; }, 3000), "the modal form takes input");
        clickAt(main.centre());
        settle(500);
        check(main.presses == 0, "a form on screen before the modal loop takes no input");

        check(chooseFromMenu(icon, QStringLiteral("系统设置")), "the icon's menu opens while a form is modal");
        check(waitUntil([&] { return settings.form->Visible(); }, 3000), "its item shows a modeless form");
        settle(300);
        clickAt(settings.centre());
        check(waitUntil([&] { return settings.presses == 1; }, 3000), "the form opened from the menu takes input");

        check(chooseFromMenu(icon, QStringLiteral("退出")), "the menu opens again");
        check(waitUntil([] { return Application->Terminated(); }, 3000), "its exit item terminates");
    });
    const TModalResult r = login.form->ShowModal();
    check(scripted, "the modal loop ran");
    check(r == mrCancel, "terminating from the icon's menu ends the modal loop with mrCancel");
    bool ranAfter = false;
    QTimer::singleShot(0, [&] { ranAfter = true; });
    Application->Run();
    check(!ranAfter, "and the message loop at once");

    trayer.terminate();
    trayer.waitForFinished(3000);
    return failures == 0 ? 0 : 1;
}
