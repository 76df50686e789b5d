// Simulator: the Activity list set by tests, and banner pictures served with switchable faults.
#pragma once

#include <httplib.h>

#include <optional>
#include <string>

namespace sim {

// The Activity reply set through /_sim/activity, with every "{HOST}" replaced by host; none
// while no list is set (the built-in list answers then).
std::optional<std::string> customActivity(const std::string& host);

// /_sim/activity, /_sim/picture, /_sim/pictures and the pictures under /_sim/pic/. Registered
// before the simulator's other /_sim/ routes.
void addActivityRoutes(httplib::Server& server);

} // namespace sim
