// SIP engine: the worker thread that owns the library and runs commands posted to it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
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
    // before the next tick when no command arrives.
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
    void post(std::function<void()> fn)
    {
        {
            std::lock_guard l(m_mutex);
            m_queue.push_back(std::move(fn));
            if (m_waiter.wake)
                m_waiter.wake();
        }
        m_cv.notify_all();
    }

    // Runs fn on the worker and returns its result; on the worker itself, runs it at once.
    template<class R>
    R call(const std::function<R()>& fn)
    {
        if (onWorker())
            return fn();
        auto task = std::make_shared<std::packaged_task<R()>>(fn);
        auto result = task->get_future();
        post([task] { (*task)(); });
        return result.get();
    }

private:
    void loop()
    {
        for (;;) {
            std::deque<std::function<void()>> batch;
            {
                std::lock_guard l(m_mutex);
                if (m_stop && m_queue.empty())
                    break;
                batch.swap(m_queue);
            }
            for (auto& fn : batch)
                fn();
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
    bool m_stop = false;
};

} // namespace zuvi::sip
