// Voice-test and audio-device dialogs under X: the voice test in its countdown, the device lists; saved as PNG.
// Usage: voicetest_dialog_screenshot <voicetest.png> <devices.png>   (run under Xvfb with a 24-bit screen)
#include "AudioDeviceDialog.h"
#include "VoiceTestDialog.h"

#include "TempHome.h"
#include "TestAlsa.h"
#include "XShot.h"

#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <QDateTime>
#include <QDir>

#include <cstdio>

using namespace zuvi::ui;

namespace {

QDateTime g_now;
QDateTime TestClock() { return g_now; }

bool Grab(TCustomForm* form, const QString& out)
{
    form->Show();
    zuvi::test::settle(600);
    const QImage shot = zuvi::test::grabScreen().copy(form->Widget()->frameGeometry());
    const bool saved = !shot.isNull() && shot.save(out, "PNG");
    std::printf("screenshot: %s (%dx%d)\n", qPrintable(out), shot.width(), shot.height());
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: voicetest_dialog_screenshot <voicetest.png> <devices.png>\n");
        return 2;
    }
    zuvi::test::TempHome home("zuvi-voicetest-shot");
    home.logDialogs();
    QDir::setCurrent(QString::fromStdString(home.dir()));
    zuvi::test::TestAlsa alsa(home.dir());
    alsa.setInput(std::vector<std::int16_t>(16000 * 30, 9000));
    alsa.addDevice("mic", "USB Audio 麦克风");
    alsa.addDevice("hda", "HDA Intel PCH, ALC892 Analog");
    alsa.apply();

    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    TForm16::Clock = &TestClock;
    g_now = QDateTime::currentDateTime();
    CreateForm(&Form16, nullptr);
    CreateForm(&Form8, nullptr);

    Form16->Show();
    const QDateTime start = g_now;
    Form16->ssSkinButton4Click(Form16->ssSkinButton4);
    zuvi::test::settle(300);
    g_now = start.addSecs(3);
    Form16->Timer1->OnTimer(Form16->Timer1);
    zuvi::test::check(Form16->ProgressBar1->Position() > 0, "level meter moves while recording");
    const bool ok1 = Grab(Form16, QString::fromLocal8Bit(argv[1]));
    Form16->ssSkinButton2Click(Form16->ssSkinButton2);
    const bool ok2 = Grab(Form8, QString::fromLocal8Bit(argv[2]));
    zuvi::test::check(ok1 && ok2, "both dialogs grabbed");
    return zuvi::test::failures == 0 ? 0 : 1;
}
