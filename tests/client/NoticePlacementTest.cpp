// Both notices under X: placed in the bottom-right corner of the desktop work area the panels leave.
#include "client/LoginStatusNotice.h"
#include "client/RestoreNotice.h"
#include "platform/os/screen.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

using namespace zuvi::ui;

namespace {

// Where to leave a picture of the screen with both notices up (first program argument), if anywhere.
QString g_shot;

// Sets the root window's _NET_WORKAREA, as a desktop panel does, and waits until the screen's
// available geometry follows.
bool setWorkArea(const QRect& r)
{
    const QString value = QStringLiteral("%1, %2, %3, %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    QProcess::execute("xprop", {"-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", value});
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        Application->ProcessMessages();
        if (zuvi::os::workArea() == r)
            return true;
        QThread::msleep(10);
    }
    return false;
}

TEST(NoticePlacement, BottomRightOfTheWorkArea)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_EQ(screen, QRect(0, 0, 800, 600));
    CreateForm(&Synstatus, nullptr);
    CreateForm(&Form17, nullptr);
    struct Case {
        const char* panel;
        QRect area;
        QPoint restore; // 340 × 212
        QPoint status; // 225 × 90
    } cases[] = {
        {"bottom", QRect(0, 0, 800, 560), {460, 348}, {575, 470}},
        {"right", QRect(0, 0, 760, 600), {420, 388}, {535, 510}},
        {"top", QRect(0, 40, 800, 560), {460, 388}, {575, 510}},
        {"left", QRect(60, 0, 740, 600), {460, 388}, {575, 510}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.panel);
        ASSERT_TRUE(setWorkArea(c.area)) << "the work area did not reach the screen";
        Synstatus->Show();
        Synstatus->ShowSyncStatus(1);
        EXPECT_EQ(QPoint(Synstatus->Left(), Synstatus->Top()), c.restore);
        EXPECT_EQ(Synstatus->Width(), 340);
        Form17->ShowLoginStatus(1);
        Form17->Show();
        EXPECT_EQ(QPoint(Form17->Left(), Form17->Top()), c.status);
        if (!g_shot.isEmpty() && c.area.height() == 560 && c.area.y() == 0) {
            for (int i = 0; i < 20; ++i) {
                Application->ProcessMessages();
                QThread::msleep(10);
            }
            QGuiApplication::primaryScreen()->grabWindow(0).save(g_shot);
        }
        Synstatus->Hide();
        Form17->Hide();
    }
    Form17->Free();
    Synstatus->Free();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    if (argc > 1)
        g_shot = QString::fromLocal8Bit(argv[1]);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    return RUN_ALL_TESTS();
}
