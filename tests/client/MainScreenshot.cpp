// Main window and settings dialog under X: shows both, grabs each window and saves it as PNG.
// Usage: client_main_screenshot <main.png> <settings.png>   (run under Xvfb with a 24-bit screen)
#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/SettingsDialog.h"
#include "platform/ui/Layout.h"
#include "TempHome.h"
#include "XShot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdio>

using namespace zuvi::ui;

namespace {

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Grab(TCustomForm* form, const QString& out)
{
    form->Show();
    Wait(600);
    const QImage shot = zuvi::test::grabScreen().copy(form->Widget()->frameGeometry());
    if (shot.isNull() || !shot.save(out, "PNG")) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(out));
        return false;
    }
    // Not blank: the skin draws more than one colour.
    const QRgb first = shot.pixel(shot.width() / 2, shot.height() / 2);
    bool varied = false;
    for (int y = 0; y < shot.height() && !varied; y += 7)
        for (int x = 0; x < shot.width() && !varied; x += 7)
            varied = shot.pixel(x, y) != first;
    std::printf("screenshot: %s (%dx%d)\n", qPrintable(out), shot.width(), shot.height());
    form->Hide();
    return varied;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: client_main_screenshot <main.png> <settings.png>\n");
        return 2;
    }
    zuvi::test::TempHome home("zuvi-main-shot");
    home.logDialogs();

    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    CreateForm(&Form1, nullptr);
    CreateForm(&Form3, nullptr);

    Form1->Label1->SetCaption("13800138000");
    Form1->Label3->SetCaption("12.50元");
    Form1->Label12->SetCaption("约25分钟");
    Form1->ValueListEditor1->Strings()->Assign({"张三=13800138000", "李四=010-12345678", "王五=13912345678"});
    Form1->SortContacts(Form1->ValueListEditor1);
    Form1->ValueListEditor2->Hide();
    Form1->LoadUserSettings("13800138000");
    Form1->Edit1->SetText("13800138000");
    Form1->Label14->SetCaption("呼叫中。。。13800138000");

    const bool ok1 = Grab(Form1, QString::fromLocal8Bit(argv[1]));
    Form3->Label5->SetCaption("13800138000");
    Form3->LoadSystemSettings();
    Form3->ssSkinButton2Click(nullptr);
    const bool ok2 = Grab(Form3, QString::fromLocal8Bit(argv[2]));
    DestroySipStack();
    return ok1 && ok2 ? 0 : 1;
}
