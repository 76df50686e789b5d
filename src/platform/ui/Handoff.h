// The one way other threads reach the UI thread: queued closures, run in the order posted.
#pragma once

#include <functional>

namespace zuvi::ui {

// Queues fn to run on the UI thread and returns at once. Closures posted from any
// threads run one at a time, in the order they were posted.
void post(std::function<void()> fn);

// Runs fn on the UI thread and waits until it has finished. Called on the UI thread
// itself, it runs fn at once. An exception escaping fn is rethrown in the caller.
// After the application object is gone, closures are dropped and send() returns at once.
void send(std::function<void()> fn);

// For the UI thread only: waits until done() is true while running the queued closures, so
// that a thread the UI thread waits for (e.g. one being joined) can still send(). The UI
// thread must never block on another thread that may call send() except inside this call.
void serveUntil(const std::function<bool()>& done);

} // namespace zuvi::ui
