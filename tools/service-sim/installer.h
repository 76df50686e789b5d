// Service simulator: an installer download for the software update, with switchable faults.
#pragma once

#include <httplib.h>

// GET /_sim/installer serves the bytes last posted to POST /_sim/installer (HTTP 404 before any);
// GET /_sim/installer?fault=M answers with fault M instead: empty (200, no body), http404,
// http500, partial (the full Content-Length, half the bytes, then the connection closes).
// Register before the generic /_sim/ routes.
void addInstallerRoutes(httplib::Server& server);
