// Main window under X with its main menu open: grabs the screen into a PNG and checks the menu.
//
// Usage: client_frame_screenshot <output.png>   (run under Xvfb with a 24-bit screen)

#include "client/AppForms.h"
#include "client/Unit1.h"
#include "client/Unit2.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace zuvi::ui;

namespace {

int failures = 0;

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

// A private home: nothing of the real user's is read or written.
std::string g_home;

void privateHome()
{
    char tmpl[] = "/tmp/zuvi-frame-shot-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    g_home = dir;
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const std::string d = dir + "/" + v;
        std::system(("mkdir -p '" + d + "'").c_str());
        setenv(v, d.c_str(), 1);
    }
    const std::string runtime = dir + "/XDG_RUNTIME_DIR";
    std::system(("mkdir -m 700 -p '" + runtime + "'").c_str());
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("HOME", dir.c_str(), 1);
    setenv("ZUVI_MSGBOX_LOG", (dir + "/msgbox.log").c_str(), 1);
    setenv("ZUVI_OPEN_URL_LOG", (dir + "/urls.log").c_str(), 1);
    setenv("ZUVI_API_HOST", "127.0.0.1:9", 1);
    setenv("ZUVI_API2_HOST", "127.0.0.1:9", 1);
    setenv("ZUVI_SIP_FILE_AUDIO", "1", 1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: client_frame_screenshot <output.png>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    privateHome();
    auto* app = new TApplication(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    CreateForm(&Form2, nullptr);
    Form2->Timer1->SetEnabled(false);
    Form2->Hide();

    Form1->Label1->SetCaption(QStringLiteral("13800000001"));
    Form1->Label3->SetCaption(QStringLiteral("12.50"));
    Form1->Show();
    Form1->SetBounds(40, 30, Form1->Width(), Form1->Height());
    settle(500);
    Form1->ssSkinButton4Click(Form1->ssSkinButton4);
    settle(600);

    QMenu* menu = Form1->PopupMenu2->Menu();
    check(menu && menu->isVisible(), "main menu open");
    const TPoint button = Form1->ssSkinButton4->ClientToScreen(Point(0, 0));
    const TPoint client = Form1->ClientToScreen(Point(0, 0));
    check(menu && menu->pos() == QPoint(button.X, client.Y), "menu at the menu button's left, the client area's top");
    check(menu && menu->actions().size() == 10, "ten entries, separators included");

    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QRect area(QPoint(Form1->Left(), Form1->Top()),
                     QSize(std::max(Form1->Width(), menu ? menu->x() + menu->width() - Form1->Left() : 0),
                           Form1->Height()));
    const QImage part = shot.copy(area.intersected(shot.rect()));
    check(part.save(out, "PNG"), "screenshot saved");
    std::printf("screenshot: %s\n", qPrintable(out));

    // The menu covers the window below the title strip: its pixels are not the window's skin.
    if (menu) {
        const QRect m = menu->geometry().intersected(shot.rect());
        int distinct = 0;
        QRgb first = shot.pixel(m.topLeft() + QPoint(4, 4));
        for (int y = m.top() + 2; y < m.bottom() - 2; y += 3)
            for (int x = m.left() + 2; x < m.right() - 2; x += 3)
                distinct += shot.pixel(x, y) != first;
        check(distinct > 50, "menu drawn with its texts");
        menu->close();
    }

    Form1->N10->Click();
    Guard([] { DestroyApplicationForms(); });
    delete app;
    std::system(("rm -rf '" + g_home + "'").c_str());
    return failures == 0 ? 0 : 1;
}
