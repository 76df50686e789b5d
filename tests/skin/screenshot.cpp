// Skin controls under X: the login background's shape and a three-frame button in its three looks.
//
// Usage: zuvi_skin_screenshot <output.png>   (run under Xvfb with a 24-bit screen)
// Shows the login background with three copies of the login button (normal, pointer over,
// pressed), grabs the screen, saves it and checks it pixel by pixel; then clicks with the
// real X pointer (xdotool) on a cut-out pixel and on an opaque one.

#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"
#include "skin/SkinClasses.h"
#include "XShot.h"

#include <cstdio>

using namespace zuvi::ui;
using namespace zuvi::skin;
using namespace zuvi::test;

namespace {

bool click(int x, int y, int button)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y), QStringLiteral("click"),
        QString::number(button)});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zuvi_skin_screenshot <output.png>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    TApplication app(argc, argv);
    RegisterSkinClasses();
    const QString bin = QStringLiteral(ZUVI_TEST_BIN_DIR);

    TBitmap background, strip;
    background.LoadFromFile(bin + "/skins/form2_bg.bmp");
    strip.LoadFromFile(bin + "/skins/form2_ssSkinButton2.bmp");
    const QImage bgImg = background.Image().convertToFormat(QImage::Format_RGB32);
    const QImage stripImg = strip.Image().convertToFormat(QImage::Format_RGB32);

    TForm* form = CreateForm<TForm>(nullptr, nullptr);
    auto* bg = new TssSkinForm(form);
    bg->SetParent(form);
    bg->SetPicture(background);
    int formPresses = 0;
    bg->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++formPresses; };

    TssSkinButton* buttons[3];
    const int bx = 80, by[3] = {190, 250, 310};
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new TssSkinButton(form);
        buttons[i]->SetParent(form);
        buttons[i]->SetLeft(bx);
        buttons[i]->SetTop(by[i]);
        TPicture pic;
        pic.Assign(strip);
        buttons[i]->SetSkin(pic);
    }
    const QPoint at(60, 40);
    form->SetBounds(at.x(), at.y(), form->Width(), form->Height());
    form->Show();
    settle(400);
    buttons[1]->MouseEnter();
    buttons[2]->MouseDown(mbLeft, ssLeft, 5, 5);
    settle(300);

    check(form->ClientWidth() == 261 && form->ClientHeight() == 510, "form sized to its background");
    check(buttons[0]->Width() == 100 && buttons[0]->Height() == 35, "button is one frame of its strip");
    const QPoint origin = form->Widget()->mapToGlobal(QPoint(0, 0));
    check(origin == at, "form at its place (no window manager)");

    const QImage shot = grabScreen();
    const QImage formShot = shot.copy(QRect(origin, QSize(form->ClientWidth(), form->ClientHeight())));
    check(formShot.save(out, "PNG"), "screenshot saved");
    std::printf("screenshot: %s\n", qPrintable(out));

    // Background pixels where nothing lies above them.
    check(formShot.pixel(130, 460) == bgImg.pixel(130, 460), "banner area shows the background");
    check(formShot.pixel(130, 20) == bgImg.pixel(130, 20), "title band shows the background");
    // Cut-outs show what is behind the window (the screen's root), never the mask colour.
    const QRgb root = shot.pixel(5, 5);
    bool cut = true;
    for (QPoint p : {QPoint(0, 0), QPoint(256, 0), QPoint(0, 509), QPoint(257, 200), QPoint(260, 509)})
        cut = cut && formShot.pixel(p) == root && (formShot.pixel(p) & 0xFFFFFF) != 0xFF00FF;
    check(cut, "corners and right strip are cut out of the window");
    check(formShot.pixel(10, 200) == bgImg.pixel(10, 200), "edge just inside the shape is drawn");

    // Each copy of the button shows its frame exactly.
    const char* looks[3] = {"normal look shows frame 0", "pointer-over look shows frame 1", "pressed look shows frame 2"};
    for (int i = 0; i < 3; ++i) {
        const QImage frame = stripImg.copy(i * 100, 0, 100, 35);
        const QImage seen = formShot.copy(bx, by[i], 100, 35);
        check(seen == frame, looks[i]);
    }
    check(formShot.copy(bx, by[0], 100, 35) != formShot.copy(bx, by[1], 100, 35) && formShot.copy(bx, by[1], 100, 35) != formShot.copy(bx, by[2], 100, 35),
        "the three looks differ");

    // The real pointer: a click on a cut-out pixel does not reach the form, one inside does.
    buttons[2]->MouseUp(mbLeft, 0, 5, 5);
    if (click(origin.x() + 258, origin.y() + 100, 3)) {
        settle(300);
        check(formPresses == 0, "press on a cut-out pixel does not reach the form");
        click(origin.x() + 130, origin.y() + 440, 3);
        settle(300);
        check(formPresses == 1, "press on an opaque pixel reaches the form");
    } else {
        check(false, "xdotool ran");
    }

    form->Free();
    std::printf("%s\n", failures ? "SOME CHECKS FAILED" : "all checks passed");
    return failures ? 1 : 0;
}
