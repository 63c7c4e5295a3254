#pragma once

// One handler per backend script or page group; router.cpp maps the paths to them. Every
// text answer is UTF-8 and says so in its Content-Type.

#include "answer_language.h"
#include "service_context.h"

#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace kvt::server {

void sendText(httplib::Response& response, std::string text);

// "netcheckkvt802.php": the main node answer (script_netcheck.cpp).
void answerNetcheck(const httplib::Request& request, httplib::Response& response,
                    const ServiceContext& context);

// "usercheckkvt802.php" and its variants (script_usercheck.cpp).
void answerUsercheck(const httplib::Request& request, httplib::Response& response,
                     const ServiceContext& context, AnswerLanguage language);

// "vpnlistkvt802.php", "flushvpnlistkvt802.php" and their variants (script_vpnlist.cpp).
void answerServerList(const httplib::Request& request, httplib::Response& response,
                      const ServiceContext& context);

// "ipcheckkvt802.php": the pre-dial query of the connect procedure (script_ipcheck.cpp).
void answerIpcheck(const httplib::Request& request, httplib::Response& response,
                   const ServiceContext& context);

// The pages under "/kvtclient/" (pages.cpp). False for an unknown page name.
bool answerPage(std::string_view page, httplib::Response& response);

// "/admin/lines" (admin_lines.cpp).
void answerAdminLines(const httplib::Request& request, httplib::Response& response,
                      const ServiceContext& context);

} // namespace kvt::server
