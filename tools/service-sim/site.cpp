// Service simulator: small stand-in pages for the web-site paths the program opens.
#include "site.h"

#include <string>
#include <utility>

namespace {

const std::pair<const char*, const char*> kPages[] = {
    {"/", "Zuvi网络电话"},
    {"/help/index.html", "帮助中心"},
    {"/pay.html", "账户充值"},
    {"/center.html", "用户中心"},
    {"/login.html", "用户登录"},
    {"/user/register.html", "注册新账户"},
    {"/user/findpwd.html", "找回密码"},
    {"/activity.html", "优惠活动"},
};

std::string page(const std::string& title)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + title
        + "</title></head>\n<body><h1>" + title + "</h1><p>本地演示服务的页面。</p></body></html>\n";
}

} // namespace

void addSitePages(httplib::Server& server)
{
    for (const auto& [path, title] : kPages) {
        const std::string body = page(title);
        server.Get(path, [body](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "text/html; charset=utf-8");
        });
    }
}
