#include "router.h"

#include "backend/deployment.h"
#include "scripts.h"

#include <httplib.h>

#include <cstdio>
#include <string>

namespace kvt::server {

namespace {

// Routes match whole paths; the path text is escaped so that it matches only itself.
std::string literal(std::string_view path) {
    std::string pattern;
    for (const char c : path) {
        if (std::string_view(".^$|()[]{}*+?\\").find(c) != std::string_view::npos)
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

void getAndPost(httplib::Server& server, std::string_view path, httplib::Server::Handler handler) {
    server.Get(literal(path), handler);
    server.Post(literal(path), handler);
}

std::string script(std::string_view base, AnswerLanguage language = AnswerLanguage::Simplified) {
    return std::string(deployment::ScriptPath) + std::string(base) +
           std::string(variantSuffix(language)) + ".php";
}

constexpr AnswerLanguage AllLanguages[] = {AnswerLanguage::Simplified, AnswerLanguage::English,
                                           AnswerLanguage::Traditional};

} // namespace

void sendText(httplib::Response& response, std::string text) {
    response.set_content(std::move(text), "text/plain; charset=utf-8");
}

void registerRoutes(httplib::Server& server, const ServiceContext& context) {
    const ServiceContext* ctx = &context;
    getAndPost(
        server, script("netcheckkvt802"),
        [ctx](const httplib::Request& q, httplib::Response& r) { answerNetcheck(q, r, *ctx); });
    getAndPost(
        server, script("ipcheckkvt802"),
        [ctx](const httplib::Request& q, httplib::Response& r) { answerIpcheck(q, r, *ctx); });
    for (const AnswerLanguage language : AllLanguages) {
        getAndPost(server, script("usercheckkvt802", language),
                   [ctx, language](const httplib::Request& q, httplib::Response& r) {
                       answerUsercheck(q, r, *ctx, language);
                   });
        for (const char* base : {"vpnlistkvt802", "flushvpnlistkvt802"}) {
            getAndPost(server, script(base, language),
                       [ctx](const httplib::Request& q, httplib::Response& r) {
                           answerServerList(q, r, *ctx);
                       });
        }
    }
    for (const char* page : {"top.htm", "right.htm", "maintop.htm", "news.htm"}) {
        server.Get(literal(std::string(deployment::PagePath) + page),
                   [page](const httplib::Request&, httplib::Response& r) { answerPage(page, r); });
    }
    getAndPost(server, "/admin/lines", [ctx](const httplib::Request& q, httplib::Response& r) {
        answerAdminLines(q, r, *ctx);
    });

    const httplib::Server::HandlerWithResponse errorAnswer = [](const httplib::Request&,
                                                                httplib::Response& r) {
        if (!r.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        sendText(r, r.status == 404 ? "not found" : "request failed");
        return httplib::Server::HandlerResponse::Handled;
    };
    server.set_error_handler(errorAnswer);
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& r, std::exception_ptr) {
            // Whatever went wrong, the client sees an HTTP failure and keeps its own state.
            r.status = 500;
            r.body.clear();
        });
    if (context.config.logRequests) {
        server.set_logger([](const httplib::Request& q, const httplib::Response& r) {
            std::fprintf(stderr, "%s %s %s -> %d\n", q.remote_addr.c_str(), q.method.c_str(),
                         q.path.c_str(), r.status);
        });
    }
}

} // namespace kvt::server
