// Service endpoints: API hosts, web-site root and customer-service number (build settings, env overrides).
#pragma once

#include <QString>

namespace zuvi::net {

// Each value is the build setting unless the environment variable of the same name
// (ZUVI_API_HOST, ZUVI_API2_HOST, ZUVI_SITE_ROOT, ZUVI_SERVICE_NUMBER) is set and not empty.
// Hosts may carry ":port".
QString apiHost();
QString api2Host();
QString siteRoot();
QString serviceNumber();

inline constexpr const char* kApiPath = "/m2/index.php";
inline constexpr const char* kApi2Path = "/m2_release/index.php";

// "http://" + host + path: the script address of the API endpoint and of the second endpoint.
QString apiUrl();
QString api2Url();

} // namespace zuvi::net
