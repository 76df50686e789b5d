// Client core: links into the service's web site.
#pragma once

#include <QString>

namespace zuvi::client {

// The site root (build setting or ZUVI_SITE_ROOT) without any trailing "/".
QString siteRoot();

// The site root joined with a page path that starts with "/" ("/pay.html"); an empty path gives
// the root itself. Every link into the site is made here, so a root ending in "/" never gives
// "//" in a link.
QString sitePage(const QString& path);

} // namespace zuvi::client
