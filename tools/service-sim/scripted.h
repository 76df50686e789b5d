// Service simulator: scripted RestoreAddresBook replies and faults of the whole second endpoint.
#pragma once

#include <httplib.h>

#include <optional>
#include <string>

namespace sim {

// Control requests "/_sim/restore" and "/_sim/endpoint2"; false for other paths ("/_sim/reset"
// clears the scripted state and still returns false).
bool handleScriptedControl(const httplib::Request& req, httplib::Response& res);

// The body set for the RestoreAddresBook replies, when one is set.
std::optional<std::string> scriptedRestoreReply();

// The fault mode set for every request on the second endpoint, when the path is that endpoint's.
std::optional<std::string> endpoint2Fault(const std::string& path);

} // namespace sim
