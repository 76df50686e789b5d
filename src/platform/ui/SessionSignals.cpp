// The signals that end a program from outside (SIGTERM, SIGHUP, SIGINT), handled on the UI thread.
#include "SessionSignals.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace zuvi::ui {

namespace {

// The signal handler's only work: one byte into a pipe that the UI thread watches.
int g_pipe[2] = {-1, -1};
std::function<void()> g_handler;

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

void drain()
{
    char buf[64];
    while (read(g_pipe[0], buf, sizeof buf) > 0) { }
}

} // namespace

void OnSessionSignal(std::function<void()> handler)
{
    g_handler = std::move(handler);
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    // The watcher lives with the application object.
    static QPointer<QSocketNotifier> notifier;
    if (!notifier) {
        notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
            drain();
            if (g_handler)
                g_handler();
        });
    }
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        sigaction(sig, &sa, nullptr);
}

} // namespace zuvi::ui
