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
    explicit Worker(std::chrono::milliseconds interval)
        : m_interval(interval)
    { }
    ~Worker() { stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void start(std::function<void()> tick)
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
        }
        m_cv.notify_all();
        m_thread.join();
    }

    bool onWorker() const { return std::this_thread::get_id() == m_id; }

    // Runs fn on the worker and returns its result; on the worker itself, runs it at once.
    template<class R>
    R call(const std::function<R()>& fn)
    {
        if (onWorker())
            return fn();
        auto task = std::make_shared<std::packaged_task<R()>>(fn);
        auto result = task->get_future();
        {
            std::lock_guard l(m_mutex);
            m_queue.push_back([task] { (*task)(); });
        }
        m_cv.notify_all();
        return result.get();
    }

private:
    void loop()
    {
        for (;;) {
            std::deque<std::function<void()>> batch;
            {
                std::unique_lock l(m_mutex);
                m_cv.wait_for(l, m_interval, [this] { return m_stop || !m_queue.empty(); });
                if (m_stop && m_queue.empty())
                    break;
                batch.swap(m_queue);
            }
            for (auto& fn : batch)
                fn();
            if (m_tick)
                m_tick();
        }
    }

    std::chrono::milliseconds m_interval;
    std::function<void()> m_tick;
    std::thread m_thread;
    std::atomic<std::thread::id> m_id{};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    bool m_stop = false;
};

} // namespace zuvi::sip
