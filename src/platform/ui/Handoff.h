// The one way other threads reach the UI thread: queued closures, run in the order posted.
#pragma once

#include <functional>

namespace zuvi::ui {

// Queues fn to run on the UI thread and returns at once. Closures posted from any
// threads run one at a time, in the order they were posted.
void post(std::function<void()> fn);

// Runs fn on the UI thread and waits until it has finished. Called on the UI thread
// itself, it runs fn at once.
void send(std::function<void()> fn);

} // namespace zuvi::ui
