// Main window under X with its main menu open: grabs the screen into a PNG and checks the menu.
//
// Usage: client_frame_screenshot <output.png>   (run under Xvfb with a 24-bit screen)

#include "client/ProgramForms.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "TempHome.h"
#include "XShot.h"

#include <QMenu>

#include <cstdio>

using namespace zuvi::ui;
using namespace zuvi::test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: client_frame_screenshot <output.png>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    // A private home: nothing of the real user's is read or written.
    TempHome home("zuvi-frame-shot");
    home.logDialogs();
    unreachableService();
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

    const QImage shot = grabScreen();
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
    return failures == 0 ? 0 : 1;
}
