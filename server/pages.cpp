// The service's pages under "/kvtclient/": the login banner ("top.htm", 352 x 80), the
// notice board beside the login window ("right.htm", 211 x 323), and the two panes of the main
// window ("maintop.htm", "news.htm"). Plain HTML without scripts or outside resources, so the
// client's simple page view shows them whole.

#include "scripts.h"

#include <httplib.h>

#include <string_view>

namespace kvt::server {

namespace {

constexpr std::string_view TopPage = R"html(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><title>KVT VPN</title></head>
<body style="margin:0; background:#1d4f91; color:#ffffff; font-family:sans-serif;">
<table width="100%" height="80" cellpadding="6"><tr>
<td><b style="font-size:20px;">KVT 动态IP加速器</b><br>
<span style="font-size:12px;">稳定 · 快速 · 安全 — Stable, fast and secure dynamic IP</span></td>
</tr></table>
</body>
</html>
)html";

constexpr std::string_view RightPage = R"html(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><title>公告栏 Notices</title></head>
<body style="margin:4px; font-family:sans-serif; font-size:12px;">
<h3 style="color:#1d4f91;">公告栏 Notices</h3>
<ul>
<li>新线路“日本 Japan”已上线。<br>New area "日本 Japan" is online.</li>
<li>测试帐户 demo / demo123 可免费体验。<br>Try the demo account demo / demo123.</li>
<li>连接失败时请先测速并更换线路。<br>If a line fails, run the speed test and pick another.</li>
</ul>
</body>
</html>
)html";

constexpr std::string_view MainTopPage = R"html(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><title>KVT VPN</title></head>
<body style="margin:0; background:#eaf1fb; font-family:sans-serif; font-size:12px;">
<p style="margin:6px;"><b>欢迎使用 KVT VPN</b> — Welcome to KVT VPN.
一键换IP，自动重拨。 One-key address change and automatic redial.</p>
</body>
</html>
)html";

constexpr std::string_view NewsPage = R"html(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><title>新闻 News</title></head>
<body style="margin:4px; font-family:sans-serif; font-size:12px;">
<h3>服务新闻 Service news</h3>
<p>所有线路已完成维护，速度更稳定。<br>All lines have been serviced and run more steadily.</p>
<p>客户端最新版本可在此页面下载。<br>The latest client can be downloaded from this page.</p>
</body>
</html>
)html";

} // namespace

bool answerPage(std::string_view page, httplib::Response& response) {
    std::string_view html;
    if (page == "top.htm")
        html = TopPage;
    else if (page == "right.htm")
        html = RightPage;
    else if (page == "maintop.htm")
        html = MainTopPage;
    else if (page == "news.htm")
        html = NewsPage;
    else
        return false;
    response.set_content(std::string(html), "text/html; charset=utf-8");
    return true;
}

} // namespace kvt::server
