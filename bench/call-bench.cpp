// Main window call benchmark driver: the forms logged in to the service, calls placed with the call button.
//
//   zuvi-call-bench BIN_DIR PHONE PASSWORD latency NUMBER ROUNDS
//   zuvi-call-bench BIN_DIR PHONE PASSWORD footprint NUMBER SECONDS
//
// Prints "PRESS <wall time>" right before each press of the call button and "CONFIRMED <wall
// time>" when the answered state has reached the main window (its in-call clock started);
// footprint prints "INCALL <pid>" once the call runs and "END" after SECONDS.
#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "sip/Sip.h"
#include "skin/SSButton.h"
#include "skin/SkinClasses.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

using namespace zuvi;

namespace {

double wallNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

bool runUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return pred();
}

bool idle() { return Form1->ssSkinButton3->Visible() && !Form1->Timer1->Enabled() && sip::callGetCount() == 0; }

// Presses the call button and waits for the main window's answered state.
bool placeCall(const QString& number)
{
    Form1->Edit1->SetText(number);
    std::printf("PRESS %.6f\n", wallNow());
    std::fflush(stdout);
    Form1->ssSkinButton3Click(nullptr);
    if (!runUntil([] { return Form1->Timer4->Enabled(); }, 10000))
        return false;
    std::printf("CONFIRMED %.6f\n", wallNow());
    std::fflush(stdout);
    return true;
}

void hangUp()
{
    Form1->ssSkinButton5Click(nullptr);
    runUntil(idle, 10000);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s BIN_DIR PHONE PASSWORD latency|footprint NUMBER ROUNDS|SECONDS\n", argv[0]);
        return 2;
    }
    const QString binDir = QString::fromLocal8Bit(argv[1]);
    const QString phone = QString::fromLocal8Bit(argv[2]), password = QString::fromLocal8Bit(argv[3]);
    const std::string mode = argv[4];
    const QString number = QString::fromLocal8Bit(argv[5]);
    const int count = std::atoi(argv[6]);

    int rc = 0;
    {
        ui::TApplication app(argc, argv);
        ui::SetResourceDir(binDir);
        skin::RegisterSkinClasses();
        ui::CreateForm(&Form2, nullptr);
        Form2->frxComboBox1->SetText(phone);
        Form2->MaskEdit1->SetText(password);
        Form2->Timer1Timer(nullptr);
        runUntil([] { return false; }, 500);
        if (Form1->Label1->Caption() != phone) {
            std::fprintf(stderr, "login failed\n");
            return 1;
        }
        if (mode == "latency") {
            for (int i = 0; i < count && rc == 0; ++i) {
                if (!placeCall(number)) {
                    std::fprintf(stderr, "round %d: no answer\n", i + 1);
                    rc = 1;
                }
                runUntil([] { return false; }, 200);
                hangUp();
                runUntil([] { return false; }, 300);
            }
        } else {
            if (!placeCall(number)) {
                std::fprintf(stderr, "no answer\n");
                rc = 1;
            } else {
                std::printf("INCALL %d\n", int(getpid()));
                std::fflush(stdout);
                // The program's own event loop (no polling) for the length of the call.
                QEventLoop loop;
                QTimer::singleShot(count * 1000, &loop, &QEventLoop::quit);
                loop.exec();
                std::printf("END\n");
                std::fflush(stdout);
                hangUp();
            }
        }
        Form1->Timer1->SetEnabled(false);
    }
    return rc;
}
