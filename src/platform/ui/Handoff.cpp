// Desktop UI layer: hand-off of closures from other threads to the UI thread.
#include "Handoff.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

namespace zuvi::ui {

void Guard(const std::function<void()>& fn);

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::function<void()>> items;
    QObject* target = nullptr; // lives on the UI thread
    bool scheduled = false;
    bool shutDown = false;
    unsigned generation = 0;
};

Queue& queue()
{
    static Queue q;
    return q;
}

bool onUiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void drain();

// Caller holds the lock.
void invokeDrainLocked(Queue& q)
{
    QMetaObject::invokeMethod(
        q.target, [] { drain(); }, Qt::QueuedConnection);
}

void scheduleLocked(Queue& q)
{
    if (q.scheduled || !q.target)
        return;
    q.scheduled = true;
    invokeDrainLocked(q);
}

// Runs the next queued closure. The following one is scheduled before it runs, so that a
// closure that runs a nested loop (a modal dialog) does not hold up the rest of the queue.
void drain()
{
    Queue& q = queue();
    std::function<void()> fn;
    {
        std::lock_guard lock(q.mutex);
        if (q.items.empty() || !q.target) {
            q.scheduled = false;
            return;
        }
        fn = std::move(q.items.front());
        q.items.pop_front();
        if (q.items.empty())
            q.scheduled = false;
        else
            invokeDrainLocked(q);
    }
    Guard(fn);
}

} // namespace

namespace detail {

void InitHandoff()
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    if (!q.target)
        q.target = new QObject;
    q.shutDown = false;
    q.scheduled = false;
    scheduleLocked(q);
}

void ShutdownHandoff()
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.shutDown = true;
    q.items.clear();
    delete q.target;
    q.target = nullptr;
    q.scheduled = false;
    ++q.generation;
    q.cv.notify_all();
}

} // namespace detail

void post(std::function<void()> fn)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    if (q.shutDown)
        return;
    q.items.push_back(std::move(fn));
    scheduleLocked(q);
    q.cv.notify_all();
}

void send(std::function<void()> fn)
{
    if (onUiThread()) {
        fn();
        return;
    }
    struct State {
        bool done = false;
        std::exception_ptr error;
    };
    auto st = std::make_shared<State>();
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    if (q.shutDown)
        return;
    unsigned gen = q.generation;
    q.items.push_back([st, fn = std::move(fn)] {
        try {
            fn();
        } catch (...) {
            st->error = std::current_exception();
        }
        std::lock_guard l(queue().mutex);
        st->done = true;
        queue().cv.notify_all();
    });
    scheduleLocked(q);
    q.cv.notify_all();
    q.cv.wait(lock, [&] { return st->done || q.shutDown || q.generation != gen; });
    // Taken out of the shared state, the exception is released on this thread, not by the UI
    // thread when it drops the closure.
    if (std::exception_ptr error = std::exchange(st->error, nullptr))
        std::rethrow_exception(error);
}

void serveUntil(const std::function<bool()>& done)
{
    Queue& q = queue();
    while (!done()) {
        std::function<void()> fn;
        {
            std::unique_lock lock(q.mutex);
            if (q.items.empty())
                q.cv.wait_for(lock, std::chrono::milliseconds(5));
            if (q.items.empty())
                continue;
            fn = std::move(q.items.front());
            q.items.pop_front();
        }
        Guard(fn);
    }
}

} // namespace zuvi::ui
