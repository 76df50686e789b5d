// Client core: links into the service's web site.
#include "client/core/SiteLinks.h"

#include "platform/net/Endpoints.h"

namespace zuvi::client {

QString siteRoot()
{
    QString root = net::siteRoot();
    while (root.endsWith(u'/'))
        root.chop(1);
    return root;
}

QString sitePage(const QString& path) { return siteRoot() + path; }

} // namespace zuvi::client
