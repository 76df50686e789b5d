// Lock helper for the single-instance tests: takes the lock, says so, then waits to be killed.
#include "singleinstance.h"

#include <QProcess>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (!zuvi::os::acquireSingleInstance(QString::fromLocal8Bit(argv[1]))) {
        std::puts("busy");
        return 1;
    }
    // "spawn": start a long-lived program first, which must not keep the lock after we die.
    if (argc > 2 && std::string(argv[2]) == "spawn") {
        qint64 pid = 0;
        QProcess::startDetached("sleep", {"30"}, QString(), &pid);
        std::printf("child %lld\n", static_cast<long long>(pid));
    }
    std::puts("held");
    std::fflush(stdout);
    for (;;)
        pause();
}
