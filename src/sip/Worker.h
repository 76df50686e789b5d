// SIP engine: the worker thread that owns the library and runs commands posted to it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

namespace zuvi::sip {

class Worker {
public:
    // How the worker sleeps between ticks: sleep(d) returns after d at the latest, and early
    // once wake() was called (from any thread) since the sleep began or just before it.
    struct Waiter {
        std::function<void(std::chrono::milliseconds)> sleep;
        std::function<void()> wake;
    };

    Worker() = default;
    ~Worker() { stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // tick runs after every batch of commands and returns how long the worker may sleep
    // before the next tick when no command arrives. After a call made with followUp, the tick
    // waits up to followUpWait for that caller's next command, so that a sequence of commands (the
    // call button's account, volumes and call) runs before the library's own work; ticks are
    // never put off for longer than followUpCap in all.
    static constexpr std::chrono::microseconds followUpWait{200};
    static constexpr std::chrono::milliseconds followUpCap{2};

    void start(std::function<std::chrono::milliseconds()> tick)
    {
        m_tick = std::move(tick);
        std::promise<void> ready;
        auto started = ready.get_future();
        m_thread = std::thread([this, &ready] {
            m_id = std::this_thread::get_id();
            ready.set_value();
            loop();
        });
        started.wait();
    }

    void stop()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard l(m_mutex);
            m_stop = true;
            if (m_waiter.wake)
                m_waiter.wake();
        }
        m_cv.notify_all();
        m_thread.join();
    }

    bool onWorker() const { return std::this_thread::get_id() == m_id; }

    // Replaces the condition-variable sleep (an empty waiter restores it). Call it on the
    // worker; once it returns, no other thread uses the previous waiter any more.
    void setWaiter(Waiter w)
    {
        std::lock_guard l(m_mutex);
        m_waiter = std::move(w);
    }

    // Queues fn and returns at once; commands run in the order they were queued.
    void post(std::function<void()> fn) { enqueue(std::move(fn), false); }

    // Runs fn on the worker and returns its result; on the worker itself, runs it at once.
    template<class R>
    R call(const std::function<R()>& fn, bool followUp = false)
    {
        if (onWorker())
            return fn();
        auto task = std::make_shared<std::packaged_task<R()>>(fn);
        auto result = task->get_future();
        enqueue([task] { (*task)(); }, followUp);
        return result.get();
    }

private:
    void enqueue(std::function<void()> fn, bool followUp)
    {
        {
            std::lock_guard l(m_mutex);
            m_queue.push_back(std::move(fn));
            m_followUp = m_followUp || followUp;
            if (m_waiter.wake)
                m_waiter.wake();
        }
        m_cv.notify_all();
    }

    void loop()
    {
        std::optional<std::chrono::steady_clock::time_point> putOff; // since when the tick waits
        for (;;) {
            std::deque<std::function<void()>> batch;
            bool followUp = false;
            {
                std::lock_guard l(m_mutex);
                if (m_stop && m_queue.empty())
                    break;
                batch.swap(m_queue);
                followUp = m_followUp;
                m_followUp = false;
            }
            for (auto& fn : batch)
                fn();
            if (followUp) {
                const auto now = std::chrono::steady_clock::now();
                if (!putOff)
                    putOff = now;
                std::unique_lock l(m_mutex);
                if (now - *putOff < followUpCap && m_cv.wait_for(l, followUpWait, [this] { return m_stop || !m_queue.empty(); }))
                    continue;
            }
            putOff.reset();
            std::chrono::milliseconds wait = m_tick ? m_tick() : std::chrono::milliseconds(1000);
            std::function<void(std::chrono::milliseconds)> sleep;
            {
                std::unique_lock l(m_mutex);
                if (m_stop || !m_queue.empty())
                    continue;
                if (!m_waiter.sleep) {
                    m_cv.wait_for(l, wait, [this] { return m_stop || !m_queue.empty(); });
                    continue;
                }
                sleep = m_waiter.sleep;
            }
            sleep(wait);
        }
    }

    std::function<std::chrono::milliseconds()> m_tick;
    std::thread m_thread;
    std::atomic<std::thread::id> m_id{};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    Waiter m_waiter;
    bool m_followUp = false; // a command in the queue was made with followUp
    bool m_stop = false;
};

} // namespace zuvi::sip
