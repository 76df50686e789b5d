// SIP worker: commands reach a worker that sleeps on its own waiter, none is lost.
#include "sip/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using zuvi::sip::Worker;

namespace {

// A waiter that sleeps until woken, however long it was asked to sleep: a lost wake-up hangs
// the worker (and the test) instead of being hidden by a timeout.
struct WakeOnlyWaiter {
    std::mutex m;
    std::condition_variable cv;
    bool woken = false;
    std::vector<std::chrono::milliseconds> asked;

    Worker::Waiter waiter()
    {
        return {[this](std::chrono::milliseconds d) {
                    std::unique_lock l(m);
                    asked.push_back(d);
                    cv.wait(l, [this] { return woken; });
                    woken = false;
                },
            [this] {
                std::lock_guard l(m);
                woken = true;
                cv.notify_all();
            }};
    }
};

} // namespace

TEST(SipWorker, CommandsFromManyThreadsReachASleepingWorkerInOrder)
{
    WakeOnlyWaiter w;
    Worker worker;
    worker.start([] { return 250ms; });
    worker.call<int>([&] {
        worker.setWaiter(w.waiter());
        return 0;
    });

    constexpr int threads = 4, perThread = 200;
    std::vector<std::vector<int>> seen(threads);
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                if (i % 2)
                    worker.post([&, t, i] { seen[size_t(t)].push_back(i); });
                else
                    worker.call<int>([&, t, i] {
                        seen[size_t(t)].push_back(i);
                        return 0;
                    });
            }
        });
    for (auto& p : posters)
        p.join();
    worker.call<int>([] { return 0; }); // the posted ones before it have run

    for (int t = 0; t < threads; ++t) {
        ASSERT_EQ(seen[size_t(t)].size(), size_t(perThread));
        for (int i = 0; i < perThread; ++i)
            EXPECT_EQ(seen[size_t(t)][size_t(i)], i);
    }
    {
        std::lock_guard l(w.m);
        ASSERT_FALSE(w.asked.empty());
        for (auto d : w.asked)
            EXPECT_EQ(d, 250ms); // the tick's answer is what the worker sleeps for
    }
    worker.stop(); // wakes the waiter too, or this never returns
}

// A caller whose commands follow one another without a pause puts the ticks off for a moment
// only: the library's own work still runs.
TEST(SipWorker, CommandsWaitingForFollowUpsDoNotStarveTheTicks)
{
    std::atomic<int> ticks{0};
    Worker worker;
    worker.start([&] {
        ++ticks;
        return 1000ms;
    });
    const int before = ticks;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    // Three callers: while one waits for its result, another's command is already queued.
    std::vector<std::thread> callers;
    for (int i = 0; i < 3; ++i)
        callers.emplace_back([&] {
            while (ticks < before + 20 && std::chrono::steady_clock::now() < deadline)
                worker.call<int>([] { return 0; }, true);
        });
    for (auto& c : callers)
        c.join();
    EXPECT_GE(ticks - before, 20);
    worker.stop();
}
