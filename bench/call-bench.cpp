// Main window call benchmark driver: the forms logged in to the service, calls placed with the call button.
//
//   zuvi-call-bench BIN_DIR PHONE PASSWORD latency NUMBER ROUNDS
//   zuvi-call-bench BIN_DIR PHONE PASSWORD footprint NUMBER SECONDS
//   zuvi-call-bench BIN_DIR PHONE PASSWORD idle - SECONDS
//   zuvi-call-bench BIN_DIR PHONE PASSWORD login - CONTACTS
//
// Prints "PRESS <wall time>" right before each press of the call button and "CONFIRMED <wall
// time>" when the answered state has reached the main window (its in-call clock started);
// footprint prints "INCALL <pid>" once the call runs and "END" after SECONDS; idle prints
// "IDLE <pid>" once logged in and sits in the event loop for SECONDS; login first writes
// CONTACTS lines into the account's contact list and prints "LOGIN <ms>", the time the login
// handler took. Every mode ends with "STALL <phase> <ms> ...": the longest time the UI thread
// spent away from its event loop in each phase.
#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/ProgramForms.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "sip/Sip.h"
#include "skin/SSButton.h"
#include "skin/SkinClasses.h"

#include "client/core/AccountFiles.h"
#include "platform/ui/Classes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <map>
#include <random>

#include <unistd.h>

#include <algorithm>
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

// The longest gap between two runs of a 2 ms timer on the UI thread, per phase: what a user
// would feel as a frozen window. Synchronous steps of the driver count in full.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
        m_clock.start();
    }
    void phase(const std::string& name)
    {
        tick();
        m_phase = name;
        if (std::find(m_order.begin(), m_order.end(), name) == m_order.end())
            m_order.push_back(name);
    }
    void pause() { m_timer.stop(); }
    void resume()
    {
        m_last = double(m_clock.nsecsElapsed()) / 1e6;
        m_timer.start();
    }
    void print()
    {
        tick();
        std::printf("STALL");
        for (const std::string& p : m_order)
            std::printf(" %s %.1f", p.c_str(), m_worst[p]);
        std::printf("\n");
        std::fflush(stdout);
    }

private:
    void tick()
    {
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        if (!m_phase.empty())
            m_worst[m_phase] = std::max(m_worst[m_phase], now - m_last);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    std::string m_phase;
    std::vector<std::string> m_order;
    std::map<std::string, double> m_worst;
};

// The program's own event loop (no polling) for SECONDS, with the probe's timer stopped so that
// what is measured from outside is the program alone.
void runUnprobed(StallProbe& probe, int seconds)
{
    probe.pause();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    probe.resume();
}

// COUNT contact lines "name=number", Chinese and Latin names in no order.
void writeContacts(const QString& account, int count)
{
    const zuvi::client::AccountFiles files(account);
    files.makeFolder();
    zuvi::ui::TStrings list;
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> han(0x4E00, 0x9FA5), latin('a', 'z'), len(2, 4), digit(0, 9);
    for (int i = 0; i < count; ++i) {
        QString name;
        for (int k = len(rng); k > 0; --k)
            name += digit(rng) < 6 ? QChar(han(rng)) : QChar(latin(rng));
        QString number = QStringLiteral("13");
        for (int k = 0; k < 9; ++k)
            number += QChar(u'0' + digit(rng));
        list.Add(name + u'=' + number);
    }
    list.SaveToFile(files.contacts());
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
        StallProbe probe;
        probe.phase("start-up");
        ui::SetResourceDir(binDir);
        skin::RegisterSkinClasses();
        // As the main routine does: the login form shows, the other windows follow its paint.
        CreateLoginForm(true);
        Form2->Show();
        runUntil([] { return false; }, 300);
        if (mode == "login")
            writeContacts(phone, count);
        probe.phase("login");
        Form2->frxComboBox1->SetText(phone);
        Form2->MaskEdit1->SetText(password);
        QElapsedTimer login;
        login.start();
        Form2->Timer1Timer(nullptr);
        const double loginMs = double(login.nsecsElapsed()) / 1e6;
        probe.phase("after-login");
        runUntil([] { return false; }, 500);
        if (Form1->Label1->Caption() != phone) {
            std::fprintf(stderr, "login failed\n");
            return 1;
        }
        if (mode == "login") {
            std::printf("LOGIN %.1f %d\n", loginMs, int(Form1->ValueListEditor1->Strings()->Count()));
        } else if (mode == "idle") {
            std::printf("IDLE %d\n", int(getpid()));
            std::fflush(stdout);
            // Measured from outside with the probe stopped, then probed for a few seconds more.
            runUnprobed(probe, count);
            probe.phase("idle");
            runUntil([] { return false; }, 3000);
        } else if (mode == "latency") {
            for (int i = 0; i < count && rc == 0; ++i) {
                probe.phase("call");
                if (!placeCall(number)) {
                    std::fprintf(stderr, "round %d: no answer\n", i + 1);
                    rc = 1;
                }
                runUntil([] { return false; }, 200);
                // The hang-up unregisters with its one-second pause on the UI thread.
                probe.phase("hang-up");
                hangUp();
                runUntil([] { return false; }, 300);
            }
        } else {
            probe.phase("call");
            if (!placeCall(number)) {
                std::fprintf(stderr, "no answer\n");
                rc = 1;
            } else {
                std::printf("INCALL %d\n", int(getpid()));
                std::fflush(stdout);
                runUnprobed(probe, count);
                std::printf("END\n");
                std::fflush(stdout);
                hangUp();
            }
        }
        probe.print();
        Form1->Timer1->SetEnabled(false);
    }
    return rc;
}
