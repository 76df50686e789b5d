// UI layer screenshot check: the demo form with Chinese text and a cut-out, grabbed from the X root window.
#include "Forms.h"
#include "TempHome.h"
#include "Layout.h"
#include "StdCtrls.h"

#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWindow>
#include <cstdio>

using namespace zuvi::ui;

namespace {

class TUiDemo : public TForm {
public:
    explicit TUiDemo(TComponent* owner)
        : TForm(owner)
    {
        FormBinding b;
        b.field("Label1", Label1);
        b.handler("FormShow", this, &TUiDemo::FormShow).handler("Timer1Timer", this, &TUiDemo::Timer1Timer);
        LoadFormLayout(this, "uidemo.form", b);
    }
    TLabel* Label1 = nullptr;
    void FormShow(TObject*) { }
    void Timer1Timer(TObject*) { }
};

void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        Application->ProcessMessages();
}

int darkPixels(const QImage& img, QRect r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            QRgb p = img.pixel(x, y);
            n += qRed(p) + qGreen(p) + qBlue(p) < 300;
        }
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RESOURCE_DIR OUT.png\n", argv[0]);
        return 2;
    }
    zuvi::test::TempHome home("zuvi-ui-test");
    TApplication app(argc, argv);
    SetResourceDir(QString::fromLocal8Bit(argv[1]));
    TUiDemo* form = nullptr;
    Application->CreateForm(&form);
    form->SetBounds(100, 100, form->Width(), form->Height());
    // Everything but the top-right 60 × 60 square.
    TRegion region = TRegion::FromRect(0, 0, 180, 140);
    region.Unite(TRegion::FromRect(180, 60, 240, 140));
    form->SetWindowRegion(&region);
    form->Show();
    QElapsedTimer shown;
    shown.start();
    while (!(form->Widget()->windowHandle() && form->Widget()->windowHandle()->isExposed()) && shown.elapsed() < 10000)
        wait(20);
    wait(500);
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    shot.save(QString::fromLocal8Bit(argv[2]));
    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
        failures += !ok;
    };
    QRgb cut = shot.pixel(100 + 210, 100 + 30);
    QRgb inside = shot.pixel(100 + 220, 100 + 100);
    QRgb panel = shot.pixel(100 + 100, 100 + 110);
    check(qRed(cut) + qGreen(cut) + qBlue(cut) < 60, "cut-out shows the black root window behind");
    check(inside == qRgb(255, 255, 255), "form background is white inside the region");
    check(qBlue(panel) > 200 && qRed(panel) < 60, "panel is blue");
    int dark = darkPixels(shot, QRect(110, 110, 180, 40));
    std::printf("dark pixels of the Chinese caption: %d\n", dark);
    check(dark > 150, "Chinese caption drawn");
    check(darkPixels(shot, QRect(100 + 190, 100 + 70, 40, 40)) == 0, "no stray drawing beside the caption");
    QFont font = form->Label1->Font().ToQFont();
    std::printf("Tahoma resolves to: %s\n", qPrintable(QFontInfo(font).family()));
    bool covered = true;
    for (QChar c : form->Label1->Caption())
        covered = covered && QFontMetrics(font).inFont(c);
    check(covered, "the caption's font has glyphs for every Chinese character (no boxes)");
    std::printf("screenshot: %s\n", argv[2]);
    return failures ? 1 : 0;
}
