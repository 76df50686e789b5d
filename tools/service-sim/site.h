// Service simulator: the web-site pages beside the web API.
#pragma once

#include <httplib.h>

// Serves a small page for each web-site path the program opens.
void addSitePages(httplib::Server& server);
