// The signals that end a program from outside (SIGTERM, SIGHUP, SIGINT), handled on the UI thread.
#pragma once

#include <functional>

namespace zuvi::ui {

// From now on SIGTERM, SIGHUP and SIGINT no longer end the process: each one runs handler on
// the UI thread, from the event loop that is running (a modal loop's included), never inside the
// signal handler. The handler decides what ending means; a new call replaces it. Needs the
// application object.
void OnSessionSignal(std::function<void()> handler);

} // namespace zuvi::ui
