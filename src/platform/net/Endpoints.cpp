// Service endpoints: API hosts, web-site root and customer-service number (build settings, env overrides).
#include "Endpoints.h"

#include <cstdlib>

namespace zuvi::net {

namespace {

QString setting(const char* envName, const char* builtIn)
{
    const char* value = std::getenv(envName);
    if (value && *value)
        return QString::fromUtf8(value);
    return QString::fromUtf8(builtIn);
}

} // namespace

QString apiHost() { return setting("ZUVI_API_HOST", ZUVI_DEFAULT_API_HOST); }
QString api2Host() { return setting("ZUVI_API2_HOST", ZUVI_DEFAULT_API2_HOST); }
QString siteRoot() { return setting("ZUVI_SITE_ROOT", ZUVI_DEFAULT_SITE_ROOT); }
QString serviceNumber() { return setting("ZUVI_SERVICE_NUMBER", ZUVI_DEFAULT_SERVICE_NUMBER); }

QString apiUrl() { return QStringLiteral("http://") + apiHost() + QLatin1String(kApiPath); }
QString api2Url() { return QStringLiteral("http://") + api2Host() + QLatin1String(kApi2Path); }

} // namespace zuvi::net
