// Client core tests: links into the web site, whatever the root's trailing slashes.
#include "client/core/SiteLinks.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SiteLinks, OneJoiningRuleForEveryLink)
{
    const char* roots[] = {"http://site.example", "http://site.example/", "http://site.example///"};
    for (const char* root : roots) {
        SCOPED_TRACE(root);
        setenv("ZUVI_SITE_ROOT", root, 1);
        EXPECT_EQ(zuvi::client::siteRoot(), "http://site.example");
        EXPECT_EQ(zuvi::client::sitePage("/user/findpwd.html"), "http://site.example/user/findpwd.html");
        EXPECT_EQ(zuvi::client::sitePage(QString()), "http://site.example");
    }
    unsetenv("ZUVI_SITE_ROOT");
}
